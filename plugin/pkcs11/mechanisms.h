// The mechanisms the module offers: RSA PKCS#1 v1.5 and PSS signatures and ECDSA,
// each on data the caller hashed or hashed in the token, and RSA PKCS#1 v1.5 and
// OAEP decryption. Nothing here creates keys or encrypts: the public halves are
// everywhere already.
#pragma once

#include <p11-kit/pkcs11.h>

#include <span>

namespace orx::p11 {

enum class Scheme { Pkcs1, Pss, Ecdsa, Oaep };

struct Mechanism {
    CK_MECHANISM_TYPE type;
    CK_KEY_TYPE keyType;
    Scheme scheme;
    const char* digest;  // hashed in the token with this digest; null: the caller hashed
    CK_FLAGS flags;      // CKF_SIGN, CKF_DECRYPT
};

std::span<const Mechanism> Mechanisms();
const Mechanism* FindMechanism(CK_MECHANISM_TYPE type);
// C_GetMechanismInfo's answer: key sizes in bits and what the mechanism does.
CK_MECHANISM_INFO MechanismInfo(const Mechanism& mechanism);

// The OpenSSL digest name of a hash mechanism (CKM_SHA256) or an MGF1 kind; null
// for anything else.
const char* HashName(CK_MECHANISM_TYPE hash);
const char* MgfHashName(CK_RSA_PKCS_MGF_TYPE mgf);

}  // namespace orx::p11
