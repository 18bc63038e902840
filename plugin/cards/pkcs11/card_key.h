// A card's private key as an OpenSSL key: its public half comes from the
// certificate, its private operations go to the card (C_Sign, C_Decrypt, and
// C_DeriveKey for ECDH), so that the CMS code signs and decrypts with it as with
// any key while the key itself never leaves the card.
//
// Built on OpenSSL's method tables (RSA_METHOD, EC_KEY_METHOD): OpenSSL 3.0 takes
// a key with methods of its own down its legacy path, where it pads itself (PKCS#1
// v1.5 signatures arrive as DigestInfo for CKM_RSA_PKCS, PSS and OAEP as raw RSA
// for CKM_RSA_X_509, ECDSA as the digest for CKM_ECDSA). See plugin/README.md for
// why not a provider.
#pragma once

#include <openssl/types.h>

#include <functional>

#include "cards/pkcs11/card_session.h"
#include "cms/cms_library.h"

namespace orx {

struct CardKeyUse {
    CardSession session;
    CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
    // For a key that wants the PIN before each use (CKA_ALWAYS_AUTHENTICATE): logs
    // the session in for the next operation; none for other keys.
    std::function<CK_RV()> authenticate;
    // For a key made before its card's login, so that a signature hashes its content
    // while the login runs: gives the card key the login then found (waiting for it),
    // whose session and key this one takes over; null when the login or the look-up
    // failed. Asked once, before the first operation; none for other keys.
    std::function<EVP_PKEY*()> ahead;
};

// None when the certificate's key is neither RSA nor EC.
PkeyPtr MakeCardKey(CardKeyUse use, X509* certificate);

}  // namespace orx
