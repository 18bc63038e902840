#include "cms_library.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

#include <string>

#include "core/trace.h"

namespace orx {

void OpenSslFree::operator()(X509* p) const {
    X509_free(p);
}
void OpenSslFree::operator()(BIO* p) const {
    BIO_free_all(p);
}
void OpenSslFree::operator()(CMS_ContentInfo* p) const {
    CMS_ContentInfo_free(p);
}
void OpenSslFree::operator()(PKCS12* p) const {
    PKCS12_free(p);
}

namespace {

struct CipherName {
    std::string_view oid;
    const char* name;
};

// The wizard's list, plus the key sizes it does not offer, which other programs send.
constexpr CipherName kCiphers[] = {
    {"1.3.14.3.2.7", "DES-CBC"},
    {"1.2.840.113549.3.7", "DES-EDE3-CBC"},
    {"1.2.840.113549.3.2", "RC2-CBC"},
    {"1.2.840.113549.3.4", "RC4"},
    {"2.16.840.1.101.3.4.1.2", "AES-128-CBC"},
    {"2.16.840.1.101.3.4.1.22", "AES-192-CBC"},
    {"2.16.840.1.101.3.4.1.42", "AES-256-CBC"},
};

}  // namespace

CmsLibrary::CmsLibrary() : lib_(OSSL_LIB_CTX_new()) {
    if (!lib_) {
        Trace("Plg - Failed to create the OpenSSL library context");
        return;
    }
    default_ = OSSL_PROVIDER_load(lib_, "default");
    legacy_ = OSSL_PROVIDER_load(lib_, "legacy");
    if (!default_)
        Trace("Plg - Failed to load the OpenSSL default provider");
    if (!legacy_)
        Trace("Plg - The OpenSSL legacy provider is not available: DES, RC2 and RC4 are refused");
}

CmsLibrary::~CmsLibrary() {
    if (legacy_)
        OSSL_PROVIDER_unload(legacy_);
    if (default_)
        OSSL_PROVIDER_unload(default_);
    OSSL_LIB_CTX_free(lib_);
}

CipherPtr CmsLibrary::CipherFor(std::string_view oid) const {
    for (const CipherName& c : kCiphers) {
        if (c.oid == oid)
            return CipherPtr(EVP_CIPHER_fetch(lib_, c.name, nullptr));
    }
    return nullptr;
}

}  // namespace orx
