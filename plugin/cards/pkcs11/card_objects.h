// A card's objects as the module's object lists see them (tokenfile/token_objects.h):
// X.509 certificates and data objects, and private keys as markers that link a
// certificate to its key by the CKA_ID they share (the key itself never leaves the
// card). A change made to those lists is carried onto the card object by object.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "cards/pkcs11/card_session.h"
#include "tokenfile/token_file.h"

namespace orx {

// An object of the lists with the card objects that stand for it (a key marker: its
// private key and any public key of the same CKA_ID).
struct CardObject {
    TokenObject object;
    std::vector<CK_OBJECT_HANDLE> handles;
};

// Public: certificates and public data objects. Private (needs a login): private
// data objects with their values, and the private keys as objects of kind
// PrivateKey without a value. Ids are CKA_IDs in lower-case hex.
CK_RV ReadCardObjects(const CardSession& session, bool privateOnes, std::vector<CardObject>& out);

// Makes the card hold the lists after an edit: what is new is made (keys first, so
// that a certificate finds its key), changed data objects get their new value,
// and only then does what went go. A key given as PKCS#8 becomes a private key
// (and its public key) on the card. When making anything fails, what was made is
// taken away again, so that a key and its certificate come together or not at all.
// A PKCS#11 answer.
CK_RV ApplyObjectChanges(const CardSession& session, const std::vector<CardObject>& before,
                         const std::vector<TokenObject>& publicAfter,
                         const std::vector<TokenObject>& privateAfter);

// The CKA_ID of a key on the card whose public key is the certificate's; none when
// there is none.
std::optional<std::vector<uint8_t>> KeyIdFor(const CardSession& session,
                                             std::span<const uint8_t> certificateDer);

// Lower-case hex of a CKA_ID (core's HexBytes reads it back).
std::string IdText(std::span<const uint8_t> id);

}  // namespace orx
