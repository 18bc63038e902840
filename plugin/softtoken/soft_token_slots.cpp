// What the program sees of the soft tokens as slots, and how the object operations
// reach a token with the login's key.
#include "core/product_identity.h"
#include "prompts/password_prompt.h"
#include "properties/list_field.h"
#include "softtoken/soft_tokens.h"

namespace orx {

int SoftTokens::FirstSlot() const {
    return slots_.slots().empty() ? 0 : slots_.slots().front().id;
}

bool SoftTokens::Changed() {
    const uint64_t now = store_.ChangeStamp();
    if (now == stamp_)
        return false;
    stamp_ = now;
    return true;
}

std::optional<std::string> SoftTokens::TokenInfo(int slotId) {
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(slotId);
    if (!slot || slot->state != CKR_OK)
        return std::nullopt;
    TokenFile file;
    if (store_.Read(slot->stem, file) != CKR_OK)
        return std::nullopt;
    return std::to_string(slot->id) + ";" + SlotField(file.label) + ";" +
           FormatSerial(file.serial) + ";" + SlotField(GetCompanyName()) + ";Soft Token;" +
           SlotField(slot->path) + ";" + KdfDescription(file.kdf) + ";" +
           std::to_string(kMinPasswordLength) + "-" + std::to_string(kMaxPasswordLength);
}

std::optional<std::string> SoftTokens::SlotEntry(int index, bool usableOnly,
                                                 bool withFileName) const {
    int at = 0;
    for (const SoftSlot& slot : slots_.slots()) {
        if (usableOnly && slot.state != CKR_OK)
            continue;
        if (at++ != index)
            continue;
        std::string entry = std::to_string(slot.id) + ";" + SlotField(slot.label);
        if (withFileName)
            entry += ";" + SlotField(slot.stem);
        return entry;
    }
    return std::nullopt;
}

bool SoftTokens::IsLoggedIn(int slot) {
    const Session* login = logins_.Find(slot);
    if (!login)
        return false;
    // Another process may have changed the password or removed the token meanwhile:
    // a key that no longer opens the file is no login.
    TokenFile file;
    if (store_.Read(login->stem, file) != CKR_OK ||
        MakeVerifier(login->key, file.salt) != file.verifier) {
        logins_.End(slot);
        return false;
    }
    return true;
}

bool SoftTokens::AnyLoggedOut() {
    slots_.Scan();
    for (const SoftSlot& slot : slots_.slots()) {
        if (slot.state == CKR_OK && !IsLoggedIn(slot.id))
            return true;
    }
    return false;
}

int SoftTokens::ReadToken(int slotId, TokenFile& file) {
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(slotId);
    if (!slot || slot->state != CKR_OK)
        return CKR_TOKEN_NOT_PRESENT;
    return store_.Read(slot->stem, file);
}

int SoftTokens::Unseal(int slot, std::vector<TokenObject>& privateObjects) {
    const Session* login = logins_.Find(slot);
    if (!login)
        return CKR_TOKEN_NOT_PRESENT;
    TokenFile file;
    const int read = store_.Read(login->stem, file);
    if (read != CKR_OK)
        return read;
    if (MakeVerifier(login->key, file.salt) != file.verifier) {
        logins_.End(slot);
        return CKR_PIN_INCORRECT;
    }
    logins_.Touch(slot);
    return UnsealToken(file, login->key, privateObjects);
}

int SoftTokens::Edit(int slot, const ObjectEdit& edit) {
    const Session* login = logins_.Find(slot);
    if (!login)
        return CKR_TOKEN_NOT_PRESENT;
    logins_.Touch(slot);
    const int result = EditTokenObjects(store_, login->stem, login->key, edit);
    if (result == CKR_PIN_INCORRECT)
        logins_.End(slot);  // the password was changed by someone else meanwhile
    return result;
}

}  // namespace orx
