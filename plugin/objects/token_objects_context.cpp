// The tokens' certificates and private keys as the module's operations use them:
// listing over every token, logging in on demand, finding a certificate's key and
// storing certificates with the login's key.
#include <openssl/crypto.h>

#include "core/trace.h"
#include "module_context.h"

namespace orx {

std::vector<ModuleContext::SlotCertificate> ModuleContext::TokenCertificates() {
    std::vector<SlotCertificate> list;
    // The cards' applications first: their slot ids are the lower ones.
    for (CardSlots::ApplicationToken& token : cards_.Tokens()) {
        std::vector<TokenObject> privateObjects;
        const bool unsealed = cards_.Unseal(token.slot, privateObjects) == CKR_OK;
        for (TokenObject& object : token.file.publicObjects) {
            if (object.kind != ObjectKind::Certificate)
                continue;
            SlotCertificate entry;
            entry.slotId = token.slot;
            entry.tokenLabel = token.file.label;
            entry.hasPrivateKey = unsealed && FindPrivateKeyObject(privateObjects, object.id);
            entry.certificate = std::move(object);
            list.push_back(std::move(entry));
        }
        WipeObjectList(privateObjects);
    }
    for (const SoftSlot& slot : slots_.slots()) {
        if (slot.state != CKR_OK)
            continue;
        TokenFile file;
        if (store_.Read(slot.stem, file) != CKR_OK)
            continue;
        std::vector<TokenObject> privateObjects;
        const bool unsealed = UnsealSlot(slot.id, privateObjects) == CKR_OK;
        for (TokenObject& object : file.publicObjects) {
            if (object.kind != ObjectKind::Certificate)
                continue;
            SlotCertificate entry;
            entry.slotId = slot.id;
            entry.tokenLabel = file.label;
            entry.hasPrivateKey = unsealed && FindPrivateKeyObject(privateObjects, object.id);
            entry.certificate = std::move(object);
            list.push_back(std::move(entry));
        }
        WipeObjectList(privateObjects);
    }
    return list;
}

int ModuleContext::EnsureLogin(int slotId) {
    if (IsCardSlot(slotId))
        return cards_.EnsureLogin(slotId, pinentryProgram_, parent_);
    if (IsLoggedIn(slotId))
        return CKR_OK;
    const int active = activeSlot_;
    activeSlot_ = slotId;
    const int result = Login();
    activeSlot_ = active;
    return result;
}

int ModuleContext::UnsealSlot(int slotId, std::vector<TokenObject>& privateObjects) {
    if (IsCardSlot(slotId))
        return cards_.Unseal(slotId, privateObjects);
    auto it = sessions_.find(slotId);
    if (it == sessions_.end())
        return CKR_TOKEN_NOT_PRESENT;
    TokenFile file;
    const int read = store_.Read(it->second.stem, file);
    if (read != CKR_OK)
        return read;
    if (MakeVerifier(it->second.key, file.salt) != file.verifier) {
        EndLogin(slotId);
        return CKR_PIN_INCORRECT;
    }
    return UnsealToken(file, it->second.key, privateObjects);
}

int ModuleContext::EditSlot(int slotId, const ObjectEdit& edit) {
    const int login = EnsureLogin(slotId);
    if (login != CKR_OK)
        return login;
    if (IsCardSlot(slotId))
        return cards_.Edit(slotId, edit);
    auto it = sessions_.find(slotId);
    if (it == sessions_.end())
        return CKR_TOKEN_NOT_PRESENT;
    const int result = EditTokenObjects(store_, it->second.stem, it->second.key, edit);
    if (result == CKR_PIN_INCORRECT)
        EndLogin(slotId);  // the password was changed by someone else meanwhile
    return result;
}

int ModuleContext::PrivateKeyFor(std::span<const uint8_t> certificateDer, int& slotId,
                                 Secret& pkcs8) {
    slots_.Scan();
    std::vector<int> order{activeSlot_};
    for (const CardSlots::ApplicationToken& token : cards_.Tokens()) {
        if (token.slot != activeSlot_)
            order.push_back(token.slot);
    }
    for (const SoftSlot& slot : slots_.slots()) {
        if (slot.id != activeSlot_)
            order.push_back(slot.id);
    }
    for (const int id : order) {
        TokenFile file;
        if (ReadSlotToken(id, file) != CKR_OK)
            continue;
        const TokenObject* certificate = FindCertificateObject(file.publicObjects, certificateDer);
        if (!certificate)
            continue;
        const std::string certificateId = certificate->id;
        const int login = EnsureLogin(id);
        if (login != CKR_OK)
            return login;
        std::vector<TokenObject> privateObjects;
        int result = UnsealSlot(id, privateObjects);
        if (result == CKR_OK) {
            const TokenObject* key = FindPrivateKeyObject(privateObjects, certificateId);
            if (key) {
                pkcs8 = Secret(std::span<const uint8_t>(key->value));
                slotId = id;
            } else {
                result = CKR_TOKEN_NOT_PRESENT;
            }
        }
        WipeObjectList(privateObjects);
        return result;
    }
    return CKR_TOKEN_NOT_PRESENT;
}

int ModuleContext::StoreCertificate(int slotId, std::span<const uint8_t> der,
                                    std::string_view label, std::span<const uint8_t> pkcs8) {
    if (der.empty() || der.size() > kMaxCertificateSize || pkcs8.size() > kMaxPrivateKeySize)
        return CKR_ARGUMENTS_BAD;
    TokenFile file;
    if (ReadSlotToken(slotId, file) != CKR_OK)
        return CKR_TOKEN_NOT_PRESENT;
    const int result = EditSlot(slotId, [&](auto& publicObjects, auto& privateObjects) {
        PutCertificate(publicObjects, privateObjects, der, label, pkcs8);
        return CKR_OK;
    });
    slots_.Scan();
    certificateExList_.clear();
    certificateList_.clear();
    return result;
}

}  // namespace orx
