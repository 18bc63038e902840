#include "pkcs11/mechanisms.h"

#include <algorithm>

namespace orx::p11 {

namespace {

constexpr CK_FLAGS kSign = CKF_SIGN;
constexpr CK_FLAGS kBoth = CKF_SIGN | CKF_DECRYPT;

constexpr Mechanism kMechanisms[] = {
    {CKM_RSA_PKCS, CKK_RSA, Scheme::Pkcs1, nullptr, kBoth},
    {CKM_SHA1_RSA_PKCS, CKK_RSA, Scheme::Pkcs1, "SHA1", kSign},
    {CKM_SHA224_RSA_PKCS, CKK_RSA, Scheme::Pkcs1, "SHA224", kSign},
    {CKM_SHA256_RSA_PKCS, CKK_RSA, Scheme::Pkcs1, "SHA256", kSign},
    {CKM_SHA384_RSA_PKCS, CKK_RSA, Scheme::Pkcs1, "SHA384", kSign},
    {CKM_SHA512_RSA_PKCS, CKK_RSA, Scheme::Pkcs1, "SHA512", kSign},
    {CKM_RSA_PKCS_PSS, CKK_RSA, Scheme::Pss, nullptr, kSign},
    {CKM_SHA1_RSA_PKCS_PSS, CKK_RSA, Scheme::Pss, "SHA1", kSign},
    {CKM_SHA224_RSA_PKCS_PSS, CKK_RSA, Scheme::Pss, "SHA224", kSign},
    {CKM_SHA256_RSA_PKCS_PSS, CKK_RSA, Scheme::Pss, "SHA256", kSign},
    {CKM_SHA384_RSA_PKCS_PSS, CKK_RSA, Scheme::Pss, "SHA384", kSign},
    {CKM_SHA512_RSA_PKCS_PSS, CKK_RSA, Scheme::Pss, "SHA512", kSign},
    {CKM_RSA_PKCS_OAEP, CKK_RSA, Scheme::Oaep, nullptr, CKF_DECRYPT},
    {CKM_ECDSA, CKK_EC, Scheme::Ecdsa, nullptr, kSign},
    {CKM_ECDSA_SHA1, CKK_EC, Scheme::Ecdsa, "SHA1", kSign},
    {CKM_ECDSA_SHA224, CKK_EC, Scheme::Ecdsa, "SHA224", kSign},
    {CKM_ECDSA_SHA256, CKK_EC, Scheme::Ecdsa, "SHA256", kSign},
    {CKM_ECDSA_SHA384, CKK_EC, Scheme::Ecdsa, "SHA384", kSign},
    {CKM_ECDSA_SHA512, CKK_EC, Scheme::Ecdsa, "SHA512", kSign},
};

struct HashEntry {
    CK_MECHANISM_TYPE hash;
    CK_RSA_PKCS_MGF_TYPE mgf;
    const char* name;
};

constexpr HashEntry kHashes[] = {
    {CKM_SHA_1, CKG_MGF1_SHA1, "SHA1"},      {CKM_SHA224, CKG_MGF1_SHA224, "SHA224"},
    {CKM_SHA256, CKG_MGF1_SHA256, "SHA256"}, {CKM_SHA384, CKG_MGF1_SHA384, "SHA384"},
    {CKM_SHA512, CKG_MGF1_SHA512, "SHA512"},
};

}  // namespace

std::span<const Mechanism> Mechanisms() {
    return kMechanisms;
}

const Mechanism* FindMechanism(CK_MECHANISM_TYPE type) {
    const auto found = std::find_if(std::begin(kMechanisms), std::end(kMechanisms),
                                    [&](const Mechanism& m) { return m.type == type; });
    return found == std::end(kMechanisms) ? nullptr : found;
}

CK_MECHANISM_INFO MechanismInfo(const Mechanism& mechanism) {
    CK_MECHANISM_INFO info{};
    info.flags = mechanism.flags;
    if (mechanism.keyType == CKK_RSA) {
        info.ulMinKeySize = 1024;
        info.ulMaxKeySize = 16384;
    } else {
        info.ulMinKeySize = 256;
        info.ulMaxKeySize = 521;
        info.flags |= CKF_EC_F_P | CKF_EC_NAMEDCURVE | CKF_EC_UNCOMPRESS;
    }
    return info;
}

const char* HashName(CK_MECHANISM_TYPE hash) {
    for (const HashEntry& entry : kHashes) {
        if (entry.hash == hash)
            return entry.name;
    }
    return nullptr;
}

const char* MgfHashName(CK_RSA_PKCS_MGF_TYPE mgf) {
    for (const HashEntry& entry : kHashes) {
        if (entry.mgf == mgf)
            return entry.name;
    }
    return nullptr;
}

}  // namespace orx::p11
