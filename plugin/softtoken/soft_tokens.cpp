// The operations on soft tokens: create (new or from an exported file), delete, log
// in, change the password.
#include "softtoken/soft_tokens.h"

#include <openssl/crypto.h>

#include "core/os/folders.h"
#include "core/string_helpers.h"
#include "core/trace.h"
#include "prompts/password_prompt.h"
#include "prompts/prompt_source.h"
#include "properties/base64_text.h"
#include "properties/inputs.h"

namespace orx {

namespace {

// Labels are cut to what the file keeps, never inside a UTF-8 character.
std::string CutLabel(std::string label) {
    for (char& c : label) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
    label.resize(CutToCapacity(label, kMaxLabelSize + 1).size());
    return label;
}

PinPrompt Prompt(std::string description, const char* prompt) {
    return MakePrompt("Soft Token", std::move(description), prompt);
}

// Opens a parsed token with one password; fills key and objects.
int UnlockWithPassword(const TokenFile& file, std::string_view password, TokenKey& key,
                       std::vector<TokenObject>& privateObjects) {
    TokenKey candidate;
    if (!DeriveFileKey(file, password, candidate))
        return CKR_FUNCTION_FAILED;
    const int result = UnsealToken(file, candidate, privateObjects);
    if (result == CKR_OK)
        key = std::move(candidate);
    return result;
}

// Opens a parsed token with a password from the user; fills key and objects.
int UnlockWithPrompt(Pinentry& pinentry, const TokenFile& file, const std::string& description,
                     TokenKey& key, std::vector<TokenObject>& privateObjects) {
    return AskPassword(pinentry, Prompt(description, "Password:"),
                       [&](const Secret& password) -> int {
                           return UnlockWithPassword(file, password.view(), key, privateObjects);
                       });
}

std::string Quoted(const SoftSlot& slot) {
    return "\"" + slot.label + "\"";
}

}  // namespace

std::string SoftTokenFolder() {
    return GetUserStateFolder() + "tokens/";
}

SoftTokens::SoftTokens() : store_(SoftTokenFolder()), slots_(store_) {}

SoftTokens::~SoftTokens() = default;

int SoftTokens::Create(const Inputs& inputs, PromptSource& prompts, int& slot) {
    Trace("Plg - CreateToken ...");
    std::string label = CutLabel(inputs.Get("TokenLabel"));
    const std::string data = inputs.Get("TokenData");
    const std::unique_ptr<Pinentry> pinentry = prompts.Open();
    TokenFile file;
    TokenKey key;
    std::vector<TokenObject> privateObjects;
    int result = CKR_OK;

    if (!data.empty()) {
        const std::optional<std::vector<uint8_t>> bytes = Base64DecodeStrict(data);
        if (!bytes || ParseTokenFile(*bytes, file) != CKR_OK) {
            Trace("Plg - CreateToken failed: the token data is damaged");
            return CKR_ATTRIBUTE_VALUE_INVALID;
        }
        // A copy is taken only once its password proved it whole; it becomes a token
        // of its own with a new serial number.
        result = UnlockWithPrompt(
            *pinentry, file,
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
        if (Trim(label).empty()) {
            Trace("Plg - CreateToken failed: no label");
            return CKR_ARGUMENTS_BAD;
        }
        Secret password;
        result = AskNewPassword(
            *pinentry,
            Prompt("Choose a password for the new soft token \"" + label + "\".", "New password:"),
            "Repeat password:", password);
        if (result == CKR_OK &&
            !NewTokenFile(label, password.view(), DefaultKdfParams(), file, key))
            result = CKR_FUNCTION_FAILED;
    }
    std::vector<uint8_t> bytes;
    if (result == CKR_OK && !SerializeTokenFile(file, key, privateObjects, bytes))
        result = CKR_FUNCTION_FAILED;
    WipeObjectList(privateObjects);
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
    slot = id;
    Trace("Plg - CreateToken ... done (slot %d)", id);
    return CKR_OK;
}

int SoftTokens::Delete(int slotId) {
    Trace("Plg - DeleteToken ...");
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(slotId);
    if (!slot) {
        Trace("Plg - DeleteToken failed: no token in slot %d", slotId);
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
    logins_.End(id);
    slots_.Scan();
    if (result != CKR_OK) {
        Trace("Plg - DeleteToken failed (%d)", result);
        return result;
    }
    Trace("Plg - DeleteToken ... done (slot %d)", id);
    return CKR_OK;
}

int SoftTokens::Login(int slotId, PromptSource& prompts) {
    return OpenLogin(slotId, [&](const SoftSlot& slot, const TokenFile& file, TokenKey& key,
                                 std::vector<TokenObject>& privateObjects) {
        // An operation that expected to ask has started the program already.
        const std::unique_ptr<Pinentry> pinentry = prompts.Take();
        return UnlockWithPrompt(*pinentry, file,
                                "Enter the password of the soft token " + Quoted(slot) + ".", key,
                                privateObjects);
    });
}

int SoftTokens::LoginWith(int slotId, std::string_view password) {
    return OpenLogin(slotId, [&](const SoftSlot&, const TokenFile& file, TokenKey& key,
                                 std::vector<TokenObject>& privateObjects) {
        return UnlockWithPassword(file, password, key, privateObjects);
    });
}

int SoftTokens::OpenLogin(int slotId, const Unlock& unlock) {
    Trace("Plg - Login ...");
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(slotId);
    if (!slot) {
        Trace("Plg - Login failed: no token in slot %d", slotId);
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
    Session session{slot->stem, {}};
    std::vector<TokenObject> privateObjects;
    result = unlock(*slot, file, session.key, privateObjects);
    WipeObjectList(privateObjects);
    if (result != CKR_OK) {
        Trace("Plg - Login failed (%d)", result);
        return result;
    }
    logins_.Put(slot->id, std::move(session));
    Trace("Plg - Login ... done (slot %d)", slot->id);
    return CKR_OK;
}

int SoftTokens::EnsureLogin(int slot, PromptSource& prompts) {
    return IsLoggedIn(slot) ? CKR_OK : Login(slot, prompts);
}

int SoftTokens::ChangePassword(int slotId, PromptSource& prompts) {
    Trace("Plg - ChangePassword ...");
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(slotId);
    if (!slot) {
        Trace("Plg - ChangePassword failed: no token in slot %d", slotId);
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
    const std::unique_ptr<Pinentry> pinentry = prompts.Open();
    TokenKey oldKey;
    std::vector<TokenObject> privateObjects;
    result = UnlockWithPrompt(*pinentry, file,
                              "Enter the current password of the soft token " + Quoted(*slot) + ".",
                              oldKey, privateObjects);
    WipeObjectList(privateObjects);
    if (result != CKR_OK) {
        Trace("Plg - ChangePassword failed (%d)", result);
        return result;
    }
    Secret password;
    result = AskNewPassword(
        *pinentry,
        Prompt("Choose the new password of the soft token " + Quoted(*slot) + ".", "New password:"),
        "Repeat password:", password);
    if (result != CKR_OK) {
        Trace("Plg - ChangePassword failed (%d)", result);
        return result;
    }
    TokenKey newKey;
    result = ChangeTokenPassword(store_, stem, oldKey, password.view(), newKey);
    if (result != CKR_OK) {
        Trace("Plg - ChangePassword failed (%d)", result);
        return result;
    }
    if (Session* login = logins_.Find(id))
        login->key = std::move(newKey);
    Trace("Plg - ChangePassword ... done (slot %d)", id);
    return CKR_OK;
}

}  // namespace orx
