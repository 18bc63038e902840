// The operations on soft tokens: create (new or from an exported file), delete,
// log in, change the password, About. Every password comes from pinentry and lives
// only in wiped memory; keys stay only while their login lasts.
#include <openssl/crypto.h>

#include "core/product_identity.h"
#include "core/trace.h"
#include "module_context.h"
#include "prompts/password_prompt.h"
#include "properties/base64_text.h"

namespace orx {

namespace {

void WipeObjects(std::vector<TokenObject>& objects) {
    for (TokenObject& object : objects) {
        if (!object.value.empty())
            OPENSSL_cleanse(object.value.data(), object.value.size());
    }
    objects.clear();
}

// Labels are cut to what the file keeps, never inside a UTF-8 character.
std::string CutLabel(std::string label) {
    for (char& c : label) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
    if (label.size() > kMaxLabelSize) {
        size_t cut = kMaxLabelSize;
        while (cut > 0 && (static_cast<unsigned char>(label[cut]) & 0xC0) == 0x80)
            --cut;
        label.resize(cut);
    }
    return label;
}

PinPrompt Prompt(const std::string& description, const char* prompt) {
    PinPrompt p;
    p.title = GetProductName() + " Soft Token";
    p.description = description;
    p.prompt = prompt;
    return p;
}

// Opens a parsed token with a password from the user; fills key and objects.
int UnlockWithPrompt(Pinentry& pinentry, const TokenFile& file, const std::string& description,
                     TokenKey& key, std::vector<TokenObject>& privateObjects) {
    return AskPassword(pinentry, Prompt(description, "Password:"),
                       [&](const Secret& password) -> int {
                           TokenKey candidate;
                           if (!DeriveFileKey(file, password.view(), candidate))
                               return CKR_FUNCTION_FAILED;
                           const int result = UnsealToken(file, candidate, privateObjects);
                           if (result == CKR_OK)
                               key = std::move(candidate);
                           return result;
                       });
}

}  // namespace

std::string ModuleContext::TokenLabelFor(const SoftSlot& slot) const {
    return "\"" + slot.label + "\"";
}

int ModuleContext::CreateToken() {
    Trace("Plg - CreateToken ...");
    std::string label = CutLabel(Input("TokenLabel"));
    const std::string data = Input("TokenData");
    Pinentry pinentry(ChoosePinentry(pinentryProgram_), parent_);
    TokenFile file;
    TokenKey key;
    std::vector<TokenObject> privateObjects;
    int result = CKR_OK;

    if (!data.empty()) {
        const std::optional<std::vector<uint8_t>> bytes = DecodeBase64(data);
        if (!bytes || ParseTokenFile(*bytes, file) != CKR_OK) {
            Trace("Plg - CreateToken failed: the token data is damaged");
            return CKR_ATTRIBUTE_VALUE_INVALID;
        }
        // A copy is taken only once its password proved it whole; it becomes a token
        // of its own with a new serial number.
        result = UnlockWithPrompt(
            pinentry, file,
            "Enter the password of the soft token \"" + file.label + "\" to import it.", key,
            privateObjects);
        if (result != CKR_OK) {
            Trace("Plg - CreateToken failed (%d)", result);
            return result;
        }
        if (!label.empty())
            file.label = label;
        if (!RandomBytes(file.serial))
            result = CKR_FUNCTION_FAILED;
    } else {
        if (label.empty() || label.find_first_not_of(' ') == std::string::npos) {
            Trace("Plg - CreateToken failed: no label");
            return CKR_ARGUMENTS_BAD;
        }
        Secret password;
        result = AskNewPassword(
            pinentry,
            Prompt("Choose a password for the new soft token \"" + label + "\".", "New password:"),
            "Repeat password:", password);
        if (result == CKR_OK &&
            !NewTokenFile(label, password.view(), DefaultKdfParams(), file, key))
            result = CKR_FUNCTION_FAILED;
    }
    std::vector<uint8_t> bytes;
    if (result == CKR_OK && !SerializeTokenFile(file, key, privateObjects, bytes))
        result = CKR_FUNCTION_FAILED;
    WipeObjects(privateObjects);
    if (result != CKR_OK) {
        Trace("Plg - CreateToken failed (%d)", result);
        return result;
    }

    int id = -1;
    result = store_.Locked([&]() -> int {
        std::string stem;
        int created = store_.CreateLocked(file.label, bytes, stem);
        if (created != CKR_OK)
            return created;
        id = slots_.AssignLocked(stem);
        if (id < 0) {
            store_.RemoveLocked(stem);
            return CKR_FUNCTION_FAILED;
        }
        return CKR_OK;
    });
    if (result != CKR_OK) {
        Trace("Plg - CreateToken failed (%d)", result);
        return result;
    }
    slots_.Scan();
    activeSlot_ = id;
    Trace("Plg - CreateToken ... done (slot %d)", id);
    return CKR_OK;
}

int ModuleContext::DeleteToken() {
    Trace("Plg - DeleteToken ...");
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(activeSlot_);
    if (!slot) {
        Trace("Plg - DeleteToken failed: no token in slot %d", activeSlot_);
        return CKR_TOKEN_NOT_PRESENT;
    }
    const std::string stem = slot->stem;
    const int id = slot->id;
    const int result = store_.Locked([&]() -> int {
        const int removed = store_.RemoveLocked(stem);
        if (removed == CKR_OK)
            slots_.ForgetLocked(stem);
        return removed;
    });
    EndLogin(id);
    slots_.Scan();
    if (result != CKR_OK) {
        Trace("Plg - DeleteToken failed (%d)", result);
        return result;
    }
    activeSlot_ = slots_.slots().empty() ? 0 : slots_.slots().front().id;
    Trace("Plg - DeleteToken ... done (slot %d)", id);
    return CKR_OK;
}

void ModuleContext::PrepareSoftLogin() {
    if (readyPinentry_)
        return;
    slots_.Scan();
    for (const SoftSlot& slot : slots_.slots()) {
        if (slot.state == CKR_OK && !IsLoggedIn(slot.id)) {
            readyPinentry_ = std::make_unique<Pinentry>(ChoosePinentry(pinentryProgram_), parent_);
            readyPinentry_->Launch();
            return;
        }
    }
}

std::unique_ptr<Pinentry> ModuleContext::TakePinentry() {
    if (readyPinentry_)
        return std::move(readyPinentry_);
    return std::make_unique<Pinentry>(ChoosePinentry(pinentryProgram_), parent_);
}

int ModuleContext::Login() {
    Trace("Plg - Login ...");
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(activeSlot_);
    if (!slot) {
        Trace("Plg - Login failed: no token in slot %d", activeSlot_);
        return CKR_TOKEN_NOT_PRESENT;
    }
    if (IsLoggedIn(slot->id)) {
        Trace("Plg - Login ... done (already logged in)");
        return CKR_OK;
    }
    TokenFile file;
    int result = store_.Read(slot->stem, file);
    if (result != CKR_OK) {
        Trace("Plg - Login failed (%d)", result);
        return result;
    }
    const std::unique_ptr<Pinentry> pinentry = TakePinentry();
    Session session{slot->stem, {}};
    std::vector<TokenObject> privateObjects;
    result = UnlockWithPrompt(*pinentry, file,
                              "Enter the password of the soft token " + TokenLabelFor(*slot) + ".",
                              session.key, privateObjects);
    WipeObjects(privateObjects);
    if (result != CKR_OK) {
        Trace("Plg - Login failed (%d)", result);
        return result;
    }
    sessions_[slot->id] = std::move(session);
    Trace("Plg - Login ... done (slot %d)", slot->id);
    return CKR_OK;
}

int ModuleContext::ChangePassword() {
    Trace("Plg - ChangePassword ...");
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(activeSlot_);
    if (!slot) {
        Trace("Plg - ChangePassword failed: no token in slot %d", activeSlot_);
        return CKR_TOKEN_NOT_PRESENT;
    }
    const std::string stem = slot->stem;
    const int id = slot->id;
    TokenFile file;
    int result = store_.Read(stem, file);
    if (result != CKR_OK) {
        Trace("Plg - ChangePassword failed (%d)", result);
        return result;
    }
    Pinentry pinentry(ChoosePinentry(pinentryProgram_), parent_);
    TokenKey oldKey;
    std::vector<TokenObject> privateObjects;
    result = UnlockWithPrompt(
        pinentry, file,
        "Enter the current password of the soft token " + TokenLabelFor(*slot) + ".", oldKey,
        privateObjects);
    WipeObjects(privateObjects);
    if (result != CKR_OK) {
        Trace("Plg - ChangePassword failed (%d)", result);
        return result;
    }
    Secret password;
    result = AskNewPassword(
        pinentry,
        Prompt("Choose the new password of the soft token " + TokenLabelFor(*slot) + ".",
               "New password:"),
        "Repeat password:", password);
    if (result != CKR_OK) {
        Trace("Plg - ChangePassword failed (%d)", result);
        return result;
    }
    TokenKey newKey;
    // The file is read again under the lock: what another process wrote since the
    // first read is kept, and a password changed meanwhile is not overwritten.
    result = store_.Locked([&]() -> int {
        TokenFile current;
        int read = store_.Read(stem, current);
        if (read != CKR_OK)
            return read;
        std::vector<TokenObject> objects;
        read = UnsealToken(current, oldKey, objects);
        if (read == CKR_OK) {
            std::vector<uint8_t> bytes;
            if (!RekeyTokenFile(current, password.view(), newKey) ||
                !SerializeTokenFile(current, newKey, objects, bytes)) {
                read = CKR_FUNCTION_FAILED;
            } else {
                read = store_.ReplaceLocked(stem, bytes);
            }
        }
        WipeObjects(objects);
        return read;
    });
    if (result != CKR_OK) {
        Trace("Plg - ChangePassword failed (%d)", result);
        return result;
    }
    if (auto it = sessions_.find(id); it != sessions_.end())
        it->second.key = std::move(newKey);
    Trace("Plg - ChangePassword ... done (slot %d)", id);
    return CKR_OK;
}

int ModuleContext::About() {
    Trace("Plg - About ...");
    Pinentry pinentry(ChoosePinentry(pinentryProgram_), parent_);
    const std::string text = GetProductName() + " token plug-in module\nVersion " +
                             std::string(GetProductVersion()) + "\n" + GetCompanyName() + "\n" +
                             OpenSSL_version(OPENSSL_VERSION);
    const int result = pinentry.Message(GetProductName(), text);
    Trace("Plg - About ... done (%d)", result);
    return result;
}

}  // namespace orx
