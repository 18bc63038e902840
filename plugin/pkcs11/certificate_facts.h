// What a certificate object shows beside its value: its names, serial number, dates
// and the facts of its public key (cards/pkcs11/key_facts.h). Read with OpenSSL.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "cards/pkcs11/key_facts.h"

namespace orx::p11 {

// The certificate's fields as the certificate object shows them (DER each).
struct CertificateFacts {
    std::vector<uint8_t> subject;
    std::vector<uint8_t> issuer;
    std::vector<uint8_t> serial;
    std::vector<uint8_t> publicKeyHash;  // SHA-1 of the public key's bits
    std::vector<uint8_t> startDate;      // CK_DATE, "YYYYMMDD"
    std::vector<uint8_t> endDate;
    KeyFacts key;  // not usable() for other key types
};

// False when OpenSSL cannot read the bytes as one certificate.
bool ReadCertificateFacts(std::span<const uint8_t> der, CertificateFacts& facts);

}  // namespace orx::p11
