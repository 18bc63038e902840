#include "pkcs11/object_attributes.h"

#include <openssl/sha.h>

#include "core/hex_text.h"
#include "pkcs11/mechanisms.h"

namespace orx::p11 {

namespace {

// What every object of the token shares: a token object whose privacy is its own.
void PutStorage(AttributeSet& set, CK_OBJECT_CLASS objectClass, bool isPrivate, bool modifiable,
                std::string_view label) {
    set.PutUlong(CKA_CLASS, objectClass);
    set.PutBool(CKA_TOKEN, true);
    set.PutBool(CKA_PRIVATE, isPrivate);
    set.PutBool(CKA_MODIFIABLE, modifiable);
    set.PutBool(CKA_COPYABLE, false);
    set.PutBool(CKA_DESTROYABLE, modifiable);
    set.PutText(CKA_LABEL, label);
}

// What both keys of a pair share; a caller changes neither.
AttributeSet KeyAttributes(CK_OBJECT_CLASS objectClass, bool isPrivate, std::string_view id,
                           std::string_view label, std::span<const uint8_t> subject,
                           const KeyFacts& key) {
    AttributeSet set;
    PutStorage(set, objectClass, isPrivate, false, label);
    set.PutUlong(CKA_KEY_TYPE, key.type);
    set.Put(CKA_ID, IdBytes(id));
    set.Put(CKA_START_DATE, {});
    set.Put(CKA_END_DATE, {});
    set.PutBool(CKA_DERIVE, false);
    // Keys come onto the token by import, never made there.
    set.PutBool(CKA_LOCAL, false);
    set.PutUlong(CKA_KEY_GEN_MECHANISM, CK_UNAVAILABLE_INFORMATION);
    const std::vector<CK_MECHANISM_TYPE> mechanisms = MechanismsForKey(key.type);
    set.PutUlongs(CKA_ALLOWED_MECHANISMS, mechanisms);
    set.Put(CKA_PUBLIC_KEY_INFO, key.spki);
    if (key.type == CKK_RSA) {
        set.Put(CKA_MODULUS, key.modulus);
        set.PutUlong(CKA_MODULUS_BITS, key.bits);
        set.Put(CKA_PUBLIC_EXPONENT, key.exponent);
    } else {
        set.Put(CKA_EC_PARAMS, key.ecParams);
        set.Put(CKA_EC_POINT, key.ecPoint);
    }
    set.Put(CKA_SUBJECT, subject);
    return set;
}

}  // namespace

std::vector<uint8_t> IdBytes(std::string_view id) {
    return HexBytes(id).value_or(std::vector<uint8_t>(id.begin(), id.end()));
}

std::vector<CK_MECHANISM_TYPE> MechanismsForKey(CK_KEY_TYPE type) {
    std::vector<CK_MECHANISM_TYPE> out;
    for (const Mechanism& mechanism : Mechanisms()) {
        if (mechanism.keyType == type)
            out.push_back(mechanism.type);
    }
    return out;
}

AttributeSet CertificateAttributes(const TokenObject& certificate, const CertificateFacts& facts,
                                   bool hasPrivateKey) {
    AttributeSet set;
    PutStorage(set, CKO_CERTIFICATE, false, true, certificate.label);
    set.PutUlong(CKA_CERTIFICATE_TYPE, CKC_X_509);
    set.PutBool(CKA_TRUSTED, false);
    // A certificate whose key is on the token is the token user's own.
    set.PutUlong(CKA_CERTIFICATE_CATEGORY, hasPrivateKey ? 1 : 0);
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(certificate.value.data(), certificate.value.size(), digest);
    set.Put(CKA_CHECK_VALUE, {digest, 3});
    set.Put(CKA_START_DATE, facts.startDate);
    set.Put(CKA_END_DATE, facts.endDate);
    set.Put(CKA_SUBJECT, facts.subject);
    set.Put(CKA_ID, IdBytes(certificate.id));
    set.Put(CKA_ISSUER, facts.issuer);
    set.Put(CKA_SERIAL_NUMBER, facts.serial);
    set.Put(CKA_VALUE, certificate.value);
    set.Put(CKA_URL, {});
    set.Put(CKA_HASH_OF_SUBJECT_PUBLIC_KEY, facts.publicKeyHash);
    set.Put(CKA_HASH_OF_ISSUER_PUBLIC_KEY, {});
    set.PutUlong(CKA_JAVA_MIDP_SECURITY_DOMAIN, 0);
    set.PutUlong(CKA_NAME_HASH_ALGORITHM, CKM_SHA_1);
    if (!facts.key.spki.empty())
        set.Put(CKA_PUBLIC_KEY_INFO, facts.key.spki);
    return set;
}

AttributeSet PublicKeyAttributes(std::string_view id, std::string_view label,
                                 std::span<const uint8_t> subject, const KeyFacts& key) {
    AttributeSet set = KeyAttributes(CKO_PUBLIC_KEY, false, id, label, subject, key);
    set.PutBool(CKA_ENCRYPT, key.type == CKK_RSA);
    set.PutBool(CKA_VERIFY, true);
    set.PutBool(CKA_VERIFY_RECOVER, false);
    set.PutBool(CKA_WRAP, false);
    set.PutBool(CKA_TRUSTED, false);
    return set;
}

AttributeSet PrivateKeyAttributes(std::string_view id, std::string_view label,
                                  std::span<const uint8_t> subject, const KeyFacts& key) {
    AttributeSet set = KeyAttributes(CKO_PRIVATE_KEY, true, id, label, subject, key);
    // The key never leaves the token, whatever a caller asks; it came in by import,
    // so it was not always sensitive.
    set.PutBool(CKA_SENSITIVE, true);
    set.PutBool(CKA_EXTRACTABLE, false);
    set.PutBool(CKA_ALWAYS_SENSITIVE, false);
    set.PutBool(CKA_NEVER_EXTRACTABLE, false);
    set.PutBool(CKA_DECRYPT, key.type == CKK_RSA);
    set.PutBool(CKA_SIGN, true);
    set.PutBool(CKA_SIGN_RECOVER, false);
    set.PutBool(CKA_UNWRAP, false);
    set.PutBool(CKA_WRAP_WITH_TRUSTED, false);
    set.PutBool(CKA_ALWAYS_AUTHENTICATE, false);
    set.PutSensitive(CKA_VALUE);
    if (key.type == CKK_RSA) {
        for (CK_ATTRIBUTE_TYPE secret : {CKA_PRIVATE_EXPONENT, CKA_PRIME_1, CKA_PRIME_2,
                                         CKA_EXPONENT_1, CKA_EXPONENT_2, CKA_COEFFICIENT})
            set.PutSensitive(secret);
    }
    return set;
}

AttributeSet DataAttributes(const TokenObject& data) {
    AttributeSet set;
    PutStorage(set, CKO_DATA, data.isPrivate, true, data.label);
    set.PutText(CKA_APPLICATION, data.application);
    set.Put(CKA_OBJECT_ID, {});
    set.Put(CKA_VALUE, data.value);
    return set;
}

}  // namespace orx::p11
