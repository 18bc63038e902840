#include "cms/pkcs12_costs.h"

#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <bit>
#include <climits>
#include <memory>

#include "cms/pkcs12_import.h"
#include "keys/token_crypto.h"

namespace orx {

namespace {

// Nested safe contents bags deeper than this are no file a program writes.
constexpr int kMaxBagDepth = 8;

struct Pkcs12Free {
    void operator()(PBEPARAM* param) const { PBEPARAM_free(param); }
    void operator()(PBE2PARAM* param) const { PBE2PARAM_free(param); }
    void operator()(PBKDF2PARAM* param) const { PBKDF2PARAM_free(param); }
    void operator()(SCRYPT_PARAMS* param) const { SCRYPT_PARAMS_free(param); }
    void operator()(STACK_OF(PKCS7) * safes) const { sk_PKCS7_pop_free(safes, PKCS7_free); }
    void operator()(STACK_OF(PKCS12_SAFEBAG) * bags) const {
        sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    }
};
template <typename T>
using Owned = std::unique_ptr<T, Pkcs12Free>;

template <typename T>
Owned<T> Unpack(const ASN1_ITEM* item, const ASN1_TYPE* parameter) {
    if (!parameter || parameter->type != V_ASN1_SEQUENCE)
        return nullptr;
    return Owned<T>(static_cast<T*>(ASN1_TYPE_unpack_sequence(item, parameter)));
}

bool IterationsAcceptable(const ASN1_INTEGER* iterations) {
    int64_t value = 0;
    return iterations && ASN1_INTEGER_get_int64(&value, iterations) == 1 && value >= 1 &&
           value <= kMaxPkcs12Iterations;
}

bool ScryptAcceptable(const SCRYPT_PARAMS& scrypt) {
    uint64_t n = 0, r = 0, p = 0;
    if (!scrypt.costParameter || !scrypt.blockSize || !scrypt.parallelizationParameter ||
        ASN1_INTEGER_get_uint64(&n, scrypt.costParameter) != 1 ||
        ASN1_INTEGER_get_uint64(&r, scrypt.blockSize) != 1 ||
        ASN1_INTEGER_get_uint64(&p, scrypt.parallelizationParameter) != 1)
        return false;
    if (n < 2 || !std::has_single_bit(n) || r > UINT32_MAX || p > UINT32_MAX)
        return false;
    KdfParams params;
    params.kind = KdfKind::Scrypt;
    params.log2N = static_cast<uint8_t>(std::countr_zero(n));
    params.r = static_cast<uint32_t>(r);
    params.p = static_cast<uint32_t>(p);
    return KdfParamsAcceptable(params);
}

// A password-based encryption: PBES2 (PBKDF2 or scrypt), or one of the older
// schemes, which all carry a salt and an iteration count.
bool EncryptionAcceptable(const X509_ALGOR* algorithm) {
    if (!algorithm || !algorithm->algorithm)
        return false;
    if (OBJ_obj2nid(algorithm->algorithm) != NID_pbes2) {
        const auto pbe = Unpack<PBEPARAM>(ASN1_ITEM_rptr(PBEPARAM), algorithm->parameter);
        return pbe && IterationsAcceptable(pbe->iter);
    }
    const auto pbes2 = Unpack<PBE2PARAM>(ASN1_ITEM_rptr(PBE2PARAM), algorithm->parameter);
    if (!pbes2 || !pbes2->keyfunc || !pbes2->keyfunc->algorithm)
        return false;
    switch (OBJ_obj2nid(pbes2->keyfunc->algorithm)) {
        case NID_id_pbkdf2: {
            const auto kdf =
                Unpack<PBKDF2PARAM>(ASN1_ITEM_rptr(PBKDF2PARAM), pbes2->keyfunc->parameter);
            return kdf && IterationsAcceptable(kdf->iter);
        }
        case NID_id_scrypt: {
            const auto kdf =
                Unpack<SCRYPT_PARAMS>(ASN1_ITEM_rptr(SCRYPT_PARAMS), pbes2->keyfunc->parameter);
            return kdf && ScryptAcceptable(*kdf);
        }
        default:
            return false;
    }
}

bool BagsAcceptable(const STACK_OF(PKCS12_SAFEBAG) * bags, int depth) {
    if (!bags || depth > kMaxBagDepth)
        return false;
    for (int i = 0; i < sk_PKCS12_SAFEBAG_num(bags); ++i) {
        const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, i);
        switch (PKCS12_SAFEBAG_get_nid(bag)) {
            case NID_pkcs8ShroudedKeyBag: {
                const X509_ALGOR* algorithm = nullptr;
                const X509_SIG* shrouded = PKCS12_SAFEBAG_get0_pkcs8(bag);
                if (!shrouded)
                    return false;
                X509_SIG_get0(shrouded, &algorithm, nullptr);
                if (!EncryptionAcceptable(algorithm))
                    return false;
                break;
            }
            case NID_safeContentsBag:
                if (!BagsAcceptable(PKCS12_SAFEBAG_get0_safes(bag), depth + 1))
                    return false;
                break;
            default:
                break;  // certificates and plain keys cost nothing to read
        }
    }
    return true;
}

bool SafeAcceptable(PKCS7* safe) {
    if (PKCS7_type_is_data(safe)) {
        const Owned<STACK_OF(PKCS12_SAFEBAG)> bags(PKCS12_unpack_p7data(safe));
        return BagsAcceptable(bags.get(), 0);
    }
    if (PKCS7_type_is_encrypted(safe)) {
        const PKCS7_ENCRYPT* encrypted = safe->d.encrypted;
        return encrypted && encrypted->enc_data &&
               EncryptionAcceptable(encrypted->enc_data->algorithm);
    }
    return true;  // other kinds are not read at all
}

}  // namespace

bool Pkcs12CostsAcceptable(const PKCS12* p12) {
    if (!p12)
        return false;
    if (PKCS12_mac_present(p12)) {
        const ASN1_INTEGER* iterations = nullptr;
        PKCS12_get0_mac(nullptr, nullptr, nullptr, &iterations, p12);
        // An absent count means one iteration.
        if (iterations && !IterationsAcceptable(iterations))
            return false;
    }
    const Owned<STACK_OF(PKCS7)> safes(PKCS12_unpack_authsafes(p12));
    bool acceptable = safes != nullptr;
    for (int i = 0; acceptable && i < sk_PKCS7_num(safes.get()); ++i)
        acceptable = SafeAcceptable(sk_PKCS7_value(safes.get(), i));
    ERR_clear_error();
    return acceptable;
}

bool Pkcs12CostsAcceptable(std::span<const uint8_t> bytes) {
    return Pkcs12CostsAcceptable(ParsePkcs12(bytes).get());
}

}  // namespace orx
