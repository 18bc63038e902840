// What the PKCS#11 cards hold, as the object operations reach it: certificates and
// public data objects without a login, private data objects and key markers with
// one, changes carried onto the card, and a certificate's key for signing and
// decrypting.
#include <openssl/x509.h>

#include "cards/pkcs11/card_key.h"
#include "cards/pkcs11/card_results.h"
#include "cards/pkcs11/pkcs11_cards.h"
#include "core/hex_text.h"
#include "core/trace.h"
#include "prompts/password_prompt.h"
#include "prompts/prompt_source.h"

namespace orx {

namespace {

std::vector<TokenObject> Objects(std::vector<CardObject>& read) {
    std::vector<TokenObject> out;
    out.reserve(read.size());
    for (const CardObject& entry : read)
        out.push_back(entry.object);
    return out;
}

void Wipe(std::vector<CardObject>& objects) {
    for (CardObject& entry : objects) {
        if (!entry.object.value.empty())
            OPENSSL_cleanse(entry.object.value.data(), entry.object.value.size());
    }
    objects.clear();
}

// What a failed read means to the object operations: the token went, or it holds
// something this module cannot read.
int ReadResult(int result) {
    return result == CKR_TOKEN_NOT_PRESENT ? result : CKR_ATTRIBUTE_VALUE_INVALID;
}

}  // namespace

std::vector<CardToken> Pkcs11Cards::Tokens() {
    std::vector<CardToken> out;
    std::vector<int> ids;
    for (const Slot& slot : slots_)
        ids.push_back(slot.id);
    for (const int id : ids) {
        CardToken token;
        token.slot = id;
        if (ReadToken(id, token.file) == CKR_OK)
            out.push_back(std::move(token));
    }
    return out;
}

int Pkcs11Cards::ReadToken(int id, TokenFile& file) {
    int result = CKR_OK;
    Session* session = Open(id, result);
    if (!session)
        return ReadResult(result);
    std::vector<CardObject> objects;
    const CK_RV rv = ReadCardObjects(Of(*session), false, objects);
    if (rv != CKR_OK) {
        Trace("Plg - The objects of slot %d cannot be read (0x%lx)", id, rv);
        return ReadResult(Answer(id, rv));
    }
    file = TokenFile{};
    file.label = Find(id)->label;
    for (CardObject& entry : objects)
        file.publicObjects.push_back(std::move(entry.object));
    return CKR_OK;
}

std::optional<std::string> Pkcs11Cards::CertificateId(int id,
                                                      std::span<const uint8_t> certificateDer) {
    int result = CKR_OK;
    Session* session = Open(id, result);
    if (!session)
        return std::nullopt;
    const CardSession s = Of(*session);
    std::vector<CK_OBJECT_HANDLE> found;
    const CK_RV rv = FindObjects(s, CKO_CERTIFICATE, found, certificateDer, CKA_VALUE);
    if (rv != CKR_OK) {
        Trace("Plg - The certificates of slot %d cannot be searched (0x%lx)", id, rv);
        Answer(id, rv);
        return std::nullopt;
    }
    for (const CK_OBJECT_HANDLE handle : found) {
        if (ReadUlong(s, handle, CKA_CERTIFICATE_TYPE) == CK_ULONG(CKC_X_509))
            return IdText(ReadAttribute(s, handle, CKA_ID).value_or(std::vector<uint8_t>{}));
    }
    return std::nullopt;
}

int Pkcs11Cards::Unseal(int id, std::vector<TokenObject>& privateObjects) {
    if (!IsLoggedIn(id))
        return CKR_TOKEN_NOT_PRESENT;
    std::vector<CardObject> objects;
    const CK_RV rv = ReadCardObjects(Of(sessions_.at(id)), true, objects);
    if (rv != CKR_OK) {
        Wipe(objects);
        return ReadResult(Answer(id, rv));
    }
    Use(id);
    privateObjects.clear();
    for (CardObject& entry : objects)
        privateObjects.push_back(std::move(entry.object));
    return CKR_OK;
}

int Pkcs11Cards::Edit(int id, const ObjectEdit& edit) {
    if (!IsLoggedIn(id))
        return CKR_TOKEN_NOT_PRESENT;
    const CardSession session = Of(sessions_.at(id));
    Use(id);
    std::vector<CardObject> before;
    std::vector<CardObject> privateBefore;
    CK_RV rv = ReadCardObjects(session, false, before);
    if (rv == CKR_OK)
        rv = ReadCardObjects(session, true, privateBefore);
    if (rv != CKR_OK) {
        Wipe(privateBefore);
        return Answer(id, rv);
    }
    std::vector<TokenObject> publicObjects = Objects(before);
    std::vector<TokenObject> privateObjects = Objects(privateBefore);
    int result = edit(publicObjects, privateObjects);
    if (result == CKR_OK) {
        before.insert(before.end(), std::make_move_iterator(privateBefore.begin()),
                      std::make_move_iterator(privateBefore.end()));
        privateBefore.clear();
        rv = ApplyObjectChanges(session, before, publicObjects, privateObjects);
        // The card changed, whatever it took of the change.
        ++edits_;
        if (rv != CKR_OK)
            Trace("Plg - The card of slot %d refused a change (0x%lx)", id, rv);
        result = Answer(id, rv);
    }
    WipeObjectList(privateObjects);
    WipeObjectList(publicObjects);
    Wipe(before);
    Wipe(privateBefore);
    return result;
}

int Pkcs11Cards::CardKey(int id, std::string_view certificateId, X509* certificate,
                         PromptSource& prompts, PkeyPtr& key) {
    if (!IsLoggedIn(id))
        return CKR_USER_NOT_LOGGED_IN;
    const CardSession session = Of(sessions_.at(id));
    const std::optional<std::vector<uint8_t>> keyId = HexBytes(certificateId);
    std::vector<CK_OBJECT_HANDLE> found;
    const CK_RV rv = keyId ? FindObjects(session, CKO_PRIVATE_KEY, found, *keyId) : CKR_OK;
    if (rv != CKR_OK)
        return Answer(id, rv);
    if (found.empty())
        return CKR_TOKEN_NOT_PRESENT;  // the card holds the certificate without its key
    CardKeyUse use{session, found.front(), {}};
    if (ReadBool(session, found.front(), CKA_ALWAYS_AUTHENTICATE)) {
        // The card wants its PIN again for every use of this key.
        const std::string label = Find(id)->label;
        use.authenticate = [this, id, session, label, &prompts]() -> CK_RV {
            const std::unique_ptr<Pinentry> pinentry = prompts.Open();
            const int result = AskPin(
                *pinentry, id, false,
                "Enter the PIN of \"" + label + "\" once more: the key asks for it at every use.",
                [&](const Secret& pin) {
                    return session.functions->C_Login(
                        session.handle, CKU_CONTEXT_SPECIFIC,
                        reinterpret_cast<CK_UTF8CHAR*>(const_cast<uint8_t*>(pin.data())),
                        static_cast<CK_ULONG>(pin.size()));
                });
            return result == CKR_OK ? CKR_OK : CKR_PIN_INCORRECT;
        };
    }
    key = MakeCardKey(std::move(use), certificate);
    if (!key) {
        Trace("Plg - The key of slot %d is of a kind this module cannot use", id);
        return CKR_KEY_HANDLE_INVALID;
    }
    Use(id);
    return CKR_OK;
}

PkeyPtr Pkcs11Cards::CardKeyAhead(X509* certificate, std::function<EVP_PKEY*()> found) {
    CardKeyUse use;
    use.ahead = std::move(found);
    return MakeCardKey(std::move(use), certificate);
}

}  // namespace orx
