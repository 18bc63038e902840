// What the objects of a key pair tell without its secret, in PKCS#11's shapes: the
// key type, the RSA modulus and exponent, the EC curve and point, the
// SubjectPublicKeyInfo. Read with OpenSSL from a certificate's public key or from a
// private key, both by the PKCS#11 module of our own (its key objects) and by the
// card back-end (the objects it writes to a card, and the card's key that matches a
// certificate).
#pragma once

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <span>
#include <vector>

namespace orx {

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

// False when the key is no RSA or EC key of a named curve. An EC key is left set to
// give its point uncompressed.
bool ReadKeyFacts(EVP_PKEY* key, KeyFacts& facts);

// A number big-endian, at least `width` bytes long (zeros in front); empty when it
// does not fit.
std::vector<uint8_t> BigEndianBytes(const BIGNUM* number, int width = 0);
// DER of an OCTET STRING: the form PKCS#11 gives CKA_EC_POINT.
std::vector<uint8_t> DerOctetString(std::span<const uint8_t> content);

}  // namespace orx
