#include "pkcs11/key_facts.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/objects.h>

#include <climits>
#include <ctime>
#include <memory>
#include <span>

#include "cms/cms_library.h"

namespace orx::p11 {

namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using BnPtr = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;

std::vector<uint8_t> BigEndian(const BIGNUM* number) {
    std::vector<uint8_t> out(static_cast<size_t>(BN_num_bytes(number)));
    BN_bn2bin(number, out.data());
    return out;
}

// DER of an OCTET STRING: the form PKCS#11 gives CKA_EC_POINT.
std::vector<uint8_t> OctetString(std::span<const uint8_t> content) {
    std::vector<uint8_t> out{0x04};
    const size_t size = content.size();
    if (size < 0x80) {
        out.push_back(static_cast<uint8_t>(size));
    } else if (size < 0x100) {
        out.insert(out.end(), {0x81, static_cast<uint8_t>(size)});
    } else {
        out.insert(out.end(), {0x82, static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

bool ReadRsa(EVP_PKEY* key, KeyFacts& facts) {
    BIGNUM* n = nullptr;
    BIGNUM* e = nullptr;
    const bool ok = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n) == 1 &&
                    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &e) == 1;
    BnPtr ownedN(n);
    BnPtr ownedE(e);
    if (!ok)
        return false;
    facts.type = CKK_RSA;
    facts.modulus = BigEndian(n);
    facts.exponent = BigEndian(e);
    facts.bits = static_cast<CK_ULONG>(BN_num_bits(n));
    return true;
}

bool ReadEc(EVP_PKEY* key, KeyFacts& facts) {
    char group[80] = "";
    size_t groupLength = 0;
    if (EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group,
                                       &groupLength) != 1)
        return false;
    const int nid = OBJ_sn2nid(group);
    ASN1_OBJECT* curve = nid != NID_undef ? OBJ_nid2obj(nid) : nullptr;
    if (!curve)
        return false;
    facts.ecParams = OpenSslDer(curve, i2d_ASN1_OBJECT);
    // The point travels uncompressed, whatever form the certificate had it in.
    if (EVP_PKEY_set_utf8_string_param(key, OSSL_PKEY_PARAM_EC_POINT_CONVERSION_FORMAT,
                                       "uncompressed") != 1)
        ERR_clear_error();
    size_t pointLength = 0;
    if (EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, nullptr, 0,
                                        &pointLength) != 1)
        return false;
    std::vector<uint8_t> point(pointLength);
    if (EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, point.data(),
                                        point.size(), &pointLength) != 1)
        return false;
    point.resize(pointLength);
    facts.type = CKK_EC;
    facts.ecPoint = OctetString(point);
    facts.bits = static_cast<CK_ULONG>(EVP_PKEY_get_bits(key));
    return !facts.ecParams.empty();
}

std::vector<uint8_t> DateOf(const ASN1_TIME* time) {
    struct tm parts {};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%04d%02d%02d", parts.tm_year + 1900,
                                parts.tm_mon + 1, parts.tm_mday);
    if (n != 8)
        return {};
    return {text, text + 8};
}

}  // namespace

bool ReadKeyFacts(EVP_PKEY* key, KeyFacts& facts) {
    facts = KeyFacts{};
    if (!key)
        return false;
    bool ok = false;
    if (EVP_PKEY_is_a(key, "RSA"))
        ok = ReadRsa(key, facts);
    else if (EVP_PKEY_is_a(key, "EC"))
        ok = ReadEc(key, facts);
    if (ok)
        facts.spki = OpenSslDer(key, i2d_PUBKEY);
    ERR_clear_error();
    if (!ok || facts.spki.empty()) {
        facts = KeyFacts{};
        return false;
    }
    return true;
}

bool ReadCertificateFacts(std::span<const uint8_t> der, CertificateFacts& facts) {
    facts = CertificateFacts{};
    if (der.empty() || der.size() > static_cast<size_t>(LONG_MAX))
        return false;
    const unsigned char* at = der.data();
    X509Ptr certificate(d2i_X509(nullptr, &at, static_cast<long>(der.size())));
    if (!certificate) {
        ERR_clear_error();
        return false;
    }
    X509* x = certificate.get();
    facts.subject = OpenSslDer(X509_get_subject_name(x), i2d_X509_NAME);
    facts.issuer = OpenSslDer(X509_get_issuer_name(x), i2d_X509_NAME);
    facts.serial = OpenSslDer(X509_get0_serialNumber(x), i2d_ASN1_INTEGER);
    facts.startDate = DateOf(X509_get0_notBefore(x));
    facts.endDate = DateOf(X509_get0_notAfter(x));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (X509_pubkey_digest(x, EVP_sha1(), digest, &digestLength) == 1)
        facts.publicKeyHash.assign(digest, digest + digestLength);
    // A certificate for another kind of key is still a certificate.
    ReadKeyFacts(X509_get0_pubkey(x), facts.key);
    ERR_clear_error();
    return true;
}

}  // namespace orx::p11
