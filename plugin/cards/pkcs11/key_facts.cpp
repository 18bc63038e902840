#include "cards/pkcs11/key_facts.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <algorithm>
#include <memory>

#include "cms/cms_library.h"
#include "der/der_encode.h"
#include "der/der_result.h"

namespace orx {

namespace {

struct BnFree {
    void operator()(BIGNUM* n) const { BN_free(n); }
};
using BnPtr = std::unique_ptr<BIGNUM, BnFree>;

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
    facts.modulus = BigEndianBytes(n);
    facts.exponent = BigEndianBytes(e);
    facts.bits = static_cast<CK_ULONG>(BN_num_bits(n));
    return true;
}

bool ReadEc(EVP_PKEY* key, KeyFacts& facts) {
    char group[80] = "";
    size_t groupLength = 0;
    if (EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group,
                                       &groupLength) != 1)
        return false;
    // OpenSSL names most curves by their short name, some by their object identifier.
    int nid = OBJ_sn2nid(group);
    if (nid == NID_undef)
        nid = OBJ_txt2nid(group);
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
    facts.ecPoint = DerOctetString(point);
    facts.bits = static_cast<CK_ULONG>(EVP_PKEY_get_bits(key));
    return !facts.ecParams.empty();
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

std::vector<uint8_t> BigEndianBytes(const BIGNUM* number, int width) {
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max(BN_num_bytes(number), width)));
    if (BN_bn2binpad(number, bytes.data(), static_cast<int>(bytes.size())) < 0)
        bytes.clear();
    return bytes;
}

std::vector<uint8_t> DerOctetString(std::span<const uint8_t> content) {
    std::vector<uint8_t> out(DerHeaderSize(content.size()) + content.size());
    std::copy(content.begin(), content.end(), out.begin());
    uint32_t count = static_cast<uint32_t>(out.size());
    if (DerAddHead(0x04, static_cast<uint32_t>(content.size()), out, &count) != DER_OK)
        return {};
    out.resize(count);
    return out;
}

}  // namespace orx
