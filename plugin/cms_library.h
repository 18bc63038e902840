// The OpenSSL library context of one module context: the default provider for
// everything current and the legacy provider for the old content ciphers (DES,
// RC2, RC4) that the file operations still offer. A context of its own keeps the
// legacy algorithms out of the host program's default context.
#pragma once

#include <openssl/evp.h>
// pem.h first: cms.h declares the PEM forms only after it.
#include <openssl/pem.h>

#include <openssl/cms.h>
#include <openssl/pkcs12.h>
#include <openssl/types.h>

#include <memory>
#include <string_view>

namespace orx {

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

class CmsLibrary {
  public:
    CmsLibrary();
    ~CmsLibrary();
    CmsLibrary(const CmsLibrary&) = delete;
    CmsLibrary& operator=(const CmsLibrary&) = delete;

    OSSL_LIB_CTX* get() const { return lib_; }
    bool legacyLoaded() const { return legacy_ != nullptr; }

    // The content cipher for a dotted object identifier of the wizard's list (the
    // AES ones also by their other sizes' identifiers); null when it is unknown or
    // its provider could not be loaded.
    CipherPtr CipherFor(std::string_view oid) const;

  private:
    OSSL_LIB_CTX* lib_ = nullptr;
    OSSL_PROVIDER* default_ = nullptr;
    OSSL_PROVIDER* legacy_ = nullptr;
};

}  // namespace orx
