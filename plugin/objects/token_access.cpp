#include "objects/token_access.h"

#include "cards/card_slots.h"
#include "core/trace.h"
#include "objects/key_ahead.h"
#include "softtoken/soft_tokens.h"

namespace orx {

namespace {

void AddCertificates(int slot, TokenFile& file, bool unsealed,
                     const std::vector<TokenObject>& privateObjects,
                     std::vector<TokenAccess::SlotCertificate>& list) {
    for (TokenObject& object : file.publicObjects) {
        if (object.kind != ObjectKind::Certificate)
            continue;
        TokenAccess::SlotCertificate entry;
        entry.slotId = slot;
        entry.tokenLabel = file.label;
        // The sealed part knows for sure; without a login the header's record says it.
        entry.hasPrivateKey = unsealed ? FindPrivateKeyObject(privateObjects, object.id) != nullptr
                                       : HeaderListsPrivateKey(file, object.id);
        entry.certificate = std::move(object);
        list.push_back(std::move(entry));
    }
}

}  // namespace

std::vector<TokenAccess::SlotCertificate> TokenAccess::Certificates() {
    std::vector<SlotCertificate> list;
    // The cards' applications first: their slot ids are the lower ones.
    for (CardToken& token : cards_.Tokens()) {
        std::vector<TokenObject> privateObjects;
        const bool unsealed = cards_.Unseal(token.slot, privateObjects) == CKR_OK;
        AddCertificates(token.slot, token.file, unsealed, privateObjects, list);
        WipeObjectList(privateObjects);
    }
    for (const SoftSlot& slot : soft_.slots()) {
        if (slot.state != CKR_OK)
            continue;
        TokenFile file;
        if (soft_.store().Read(slot.stem, file) != CKR_OK)
            continue;
        std::vector<TokenObject> privateObjects;
        const bool unsealed = soft_.Unseal(slot.id, privateObjects) == CKR_OK;
        AddCertificates(slot.id, file, unsealed, privateObjects, list);
        WipeObjectList(privateObjects);
    }
    return list;
}

void TokenAccess::Rescan() {
    soft_.Scan();
}

bool TokenAccess::IsLoggedIn(int slot) {
    return cards_.Owns(slot) ? cards_.IsLoggedIn(slot) : soft_.IsLoggedIn(slot);
}

int TokenAccess::EnsureLogin(int slot) {
    return cards_.Owns(slot) ? cards_.EnsureLogin(slot, prompts_)
                             : soft_.EnsureLogin(slot, prompts_);
}

int TokenAccess::ReadToken(int slot, TokenFile& file) {
    return cards_.Owns(slot) ? cards_.ReadToken(slot, file) : soft_.ReadToken(slot, file);
}

int TokenAccess::Unseal(int slot, std::vector<TokenObject>& privateObjects) {
    return cards_.Owns(slot) ? cards_.Unseal(slot, privateObjects)
                             : soft_.Unseal(slot, privateObjects);
}

int TokenAccess::WithLogin(int slot, const std::function<int()>& use) {
    for (int round = 1;; ++round) {
        const int login = EnsureLogin(slot);
        if (login != CKR_OK)
            return login;
        const int result = use();
        // Another process changed the password between the login's check and its use:
        // the key no longer opens the token and its login has ended. Nothing was
        // changed with it, so the password is asked again, as after a log-out.
        if (result != CKR_PIN_INCORRECT || IsLoggedIn(slot) || round >= kLoginRounds)
            return result;
        Trace("Plg - The password of slot %d was changed meanwhile", slot);
    }
}

int TokenAccess::Edit(int slot, const ObjectEdit& edit) {
    return WithLogin(slot, [&]() -> int {
        return cards_.Owns(slot) ? cards_.Edit(slot, edit) : soft_.Edit(slot, edit);
    });
}

std::optional<std::pair<int, std::string>> TokenAccess::Holder(
    std::span<const uint8_t> certificateDer, int activeSlot) {
    soft_.Scan();
    // A card is asked for the certificate (a search on the card) rather than read
    // whole: every read of a card is a round of calls to its module, or to the card.
    const auto heldBy = [&](int id) -> std::optional<std::pair<int, std::string>> {
        if (cards_.Owns(id)) {
            std::optional<std::string> certificateId = cards_.CertificateId(id, certificateDer);
            if (!certificateId)
                return std::nullopt;
            return std::make_pair(id, std::move(*certificateId));
        }
        TokenFile read;
        const TokenObject* certificate =
            ReadToken(id, read) == CKR_OK
                ? FindCertificateObject(read.publicObjects, certificateDer)
                : nullptr;
        if (!certificate)
            return std::nullopt;
        return std::make_pair(id, certificate->id);
    };
    std::vector<int> order{activeSlot};
    for (const int slot : cards_.TokenSlots()) {
        if (slot != activeSlot)
            order.push_back(slot);
    }
    for (const SoftSlot& slot : soft_.slots()) {
        if (slot.id != activeSlot)
            order.push_back(slot.id);
    }
    for (const int id : order) {
        if (std::optional<std::pair<int, std::string>> holder = heldBy(id))
            return holder;
    }
    return std::nullopt;
}

int TokenAccess::Pkcs8Of(int id, const std::string& certificateId, Secret& pkcs8) {
    return WithLogin(id, [&]() -> int {
        std::vector<TokenObject> privateObjects;
        int result = Unseal(id, privateObjects);
        if (result == CKR_OK) {
            const TokenObject* key = FindPrivateKeyObject(privateObjects, certificateId);
            if (key && !key->value.empty()) {
                pkcs8 = Secret(std::span<const uint8_t>(key->value));
            } else {
                result = CKR_TOKEN_NOT_PRESENT;
            }
        }
        WipeObjectList(privateObjects);
        return result;
    });
}

int TokenAccess::PrivateKeyFor(std::span<const uint8_t> certificateDer, int activeSlot, int& slotId,
                               Secret& pkcs8) {
    const std::optional<std::pair<int, std::string>> holder = Holder(certificateDer, activeSlot);
    if (!holder)
        return CKR_TOKEN_NOT_PRESENT;
    const int result = Pkcs8Of(holder->first, holder->second, pkcs8);
    if (result == CKR_OK)
        slotId = holder->first;
    return result;
}

int TokenAccess::PrivateKeyFor(std::span<const uint8_t> certificateDer, X509* certificate,
                               int activeSlot, int& slotId, PkeyPtr& key) {
    const std::optional<std::pair<int, std::string>> holder = Holder(certificateDer, activeSlot);
    if (!holder)
        return CKR_TOKEN_NOT_PRESENT;
    return KeyAt(*holder, certificate, slotId, key);
}

int TokenAccess::KeyAt(const std::pair<int, std::string>& holder, X509* certificate, int& slotId,
                       PkeyPtr& key) {
    const int id = holder.first;
    if (cards_.Owns(id)) {
        const int login = EnsureLogin(id);
        if (login != CKR_OK)
            return login;
        const int result = cards_.CardKey(id, holder.second, certificate, prompts_, key);
        if (result != CKR_FUNCTION_NOT_SUPPORTED) {
            if (result == CKR_OK)
                slotId = id;
            return result;
        }
    }
    Secret pkcs8;
    const int result = Pkcs8Of(id, holder.second, pkcs8);
    if (result != CKR_OK)
        return result;
    key = PrivateKeyFromPkcs8(pkcs8.span());
    if (!key)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    slotId = id;
    return CKR_OK;
}

int TokenAccess::KeyForSigning(std::span<const uint8_t> certificateDer, X509* certificate,
                               int activeSlot, int& slotId, PkeyPtr& key,
                               std::shared_ptr<KeyAhead>& ahead) {
    ahead.reset();
    const std::optional<std::pair<int, std::string>> holder = Holder(certificateDer, activeSlot);
    if (!holder)
        return CKR_TOKEN_NOT_PRESENT;
    const int id = holder->first;
    if (cards_.Owns(id)) {
        auto found = std::make_shared<KeyAhead>(
            [this, id, certificateId = holder->second, certificate](PkeyPtr& cardKey) {
                const int login = EnsureLogin(id);
                return login != CKR_OK
                           ? login
                           : cards_.CardKey(id, certificateId, certificate, prompts_, cardKey);
            });
        key = cards_.CardKeyAhead(id, certificate, [found]() -> EVP_PKEY* {
            return found->Wait() == CKR_OK ? found->key() : nullptr;
        });
        if (key) {
            found->Start();
            ahead = std::move(found);
            slotId = id;
            return CKR_OK;
        }
    }
    return KeyAt(*holder, certificate, slotId, key);
}

}  // namespace orx
