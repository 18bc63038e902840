// The OpenSSL library contexts of one module context. Everything current runs in
// the process's default context, whose algorithm caches the token's own crypto has
// filled already: a context of our own would pay for finding every algorithm
// again, a millisecond or two on each start. The old content ciphers (DES, RC2,
// RC4) that the file operations still offer come from the legacy provider, in a
// context of their own, made only when such a cipher is asked for, so that the
// host program's default context never holds them.
#pragma once

#include <openssl/evp.h>
// pem.h first: cms.h declares the PEM forms only after it.
#include <openssl/pem.h>

#include <openssl/cms.h>
#include <openssl/pkcs12.h>
#include <openssl/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

#include "keys/secret.h"

namespace orx {

// The DER that one of OpenSSL's i2d functions makes of `value`; empty when there
// is no value or the encoding fails.
template <typename T, typename Encode>
std::vector<uint8_t> OpenSslDer(T* value, Encode encode) {
    unsigned char* out = nullptr;
    const int n = value ? encode(value, &out) : -1;
    std::vector<uint8_t> der;
    if (n > 0)
        der.assign(out, out + n);
    OPENSSL_free(out);
    return der;
}

struct OpenSslFree {
    void operator()(EVP_CIPHER* p) const { EVP_CIPHER_free(p); }
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const;
    void operator()(BIO* p) const;
    void operator()(CMS_ContentInfo* p) const;
    void operator()(PKCS12* p) const;
};

using CipherPtr = std::unique_ptr<EVP_CIPHER, OpenSslFree>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, OpenSslFree>;
using X509Ptr = std::unique_ptr<X509, OpenSslFree>;
using BioPtr = std::unique_ptr<BIO, OpenSslFree>;
using CmsPtr = std::unique_ptr<CMS_ContentInfo, OpenSslFree>;
using Pkcs12Ptr = std::unique_ptr<PKCS12, OpenSslFree>;

// A private key from its PKCS#8 PrivateKeyInfo, in the default context. The key's
// algorithm narrows the search for a decoder, which OpenSSL otherwise builds from
// every decoder it has, each time (half of the cost of reading a key).
PkeyPtr PrivateKeyFromPkcs8(std::span<const uint8_t> pkcs8);
// The key's PKCS#8 PrivateKeyInfo, in memory that is wiped; empty when OpenSSL cannot
// encode it.
Secret PrivateKeyToPkcs8(EVP_PKEY* key);

class CmsLibrary {
  public:
    CmsLibrary() = default;
    ~CmsLibrary();
    CmsLibrary(const CmsLibrary&) = delete;
    CmsLibrary& operator=(const CmsLibrary&) = delete;

    // The context for everything but old ciphers (null: the default one).
    OSSL_LIB_CTX* get() const { return nullptr; }
    // True once a cipher has needed the legacy provider and it could be loaded.
    bool legacyLoaded() const;

    // The content cipher for a dotted object identifier of the wizard's list (the
    // AES ones also by their other sizes' identifiers), with the context that serves
    // it; a null cipher when it is unknown or its provider could not be loaded.
    struct Cipher {
        CipherPtr cipher;
        OSSL_LIB_CTX* context = nullptr;
    };
    Cipher CipherFor(std::string_view oid) const;

    // The context in which a message whose content cipher has that object identifier
    // must be read to be decrypted: the default one unless only the legacy provider
    // knows the cipher.
    OSSL_LIB_CTX* ContextForContentCipher(std::string_view oid) const;

    // The context with the default and legacy providers, made on first use; null
    // when the legacy provider cannot be loaded.
    OSSL_LIB_CTX* LegacyContext() const;

  private:
    mutable std::mutex legacyLock_;
    mutable bool legacyTried_ = false;
    mutable OSSL_LIB_CTX* lib_ = nullptr;
    mutable OSSL_PROVIDER* default_ = nullptr;
    mutable OSSL_PROVIDER* legacy_ = nullptr;
};

}  // namespace orx
