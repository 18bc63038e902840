// What the objects of a key pair tell without its secret: the key type, the RSA
// modulus and exponent, the EC curve and point, the SubjectPublicKeyInfo. Read from
// a certificate's public key or from a private key, with OpenSSL.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>
#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <span>
#include <vector>

namespace orx::p11 {

struct KeyFacts {
    CK_KEY_TYPE type = CK_UNAVAILABLE_INFORMATION;  // CKK_RSA or CKK_EC; else not offered
    CK_ULONG bits = 0;                              // modulus or group order bits
    std::vector<uint8_t> spki;                      // SubjectPublicKeyInfo DER
    std::vector<uint8_t> modulus;                   // RSA, big-endian
    std::vector<uint8_t> exponent;
    std::vector<uint8_t> ecParams;  // the curve's named object identifier, DER
    std::vector<uint8_t> ecPoint;   // DER OCTET STRING around the uncompressed point
    bool usable() const { return type == CKK_RSA || type == CKK_EC; }
};

// False when the key is no RSA or EC key the module offers.
bool ReadKeyFacts(EVP_PKEY* key, KeyFacts& facts);

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
