// The PKCS#11 objects a token's content becomes: a certificate object per
// certificate, a private key object per private key (none of its secret parts
// readable), a public key object beside each certificate whose key is on the token,
// and a data object per data object. Every key and certificate of one pair shares
// its CKA_ID: the bytes of the token's object id.
#pragma once

#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "pkcs11/attributes.h"
#include "pkcs11/certificate_facts.h"
#include "tokenfile/token_file.h"

namespace orx::p11 {

// The token's object id (hex text) as the CKA_ID bytes; text that is no hex stays as it is.
std::vector<uint8_t> IdBytes(std::string_view id);

// The mechanisms a key of this type is offered for (CKA_ALLOWED_MECHANISMS).
std::vector<CK_MECHANISM_TYPE> MechanismsForKey(CK_KEY_TYPE type);

AttributeSet CertificateAttributes(const TokenObject& certificate, const CertificateFacts& facts,
                                   bool hasPrivateKey);
AttributeSet PublicKeyAttributes(std::string_view id, std::string_view label,
                                 std::span<const uint8_t> subject, const KeyFacts& key);
AttributeSet PrivateKeyAttributes(std::string_view id, std::string_view label,
                                  std::span<const uint8_t> subject, const KeyFacts& key);
AttributeSet DataAttributes(const TokenObject& data);

}  // namespace orx::p11
