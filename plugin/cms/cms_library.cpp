#include "cms/cms_library.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/decoder.h>
#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

#include <climits>
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

Secret PrivateKeyToPkcs8(EVP_PKEY* key) {
    PKCS8_PRIV_KEY_INFO* info = key ? EVP_PKEY2PKCS8(key) : nullptr;
    unsigned char* der = nullptr;
    const int n = info ? i2d_PKCS8_PRIV_KEY_INFO(info, &der) : 0;
    PKCS8_PRIV_KEY_INFO_free(info);
    if (n <= 0)
        return {};
    Secret pkcs8(std::span<const uint8_t>(der, static_cast<size_t>(n)));
    OPENSSL_clear_free(der, static_cast<size_t>(n));
    return pkcs8;
}

PkeyPtr PrivateKeyFromPkcs8(std::span<const uint8_t> pkcs8) {
    if (pkcs8.size() > static_cast<size_t>(LONG_MAX))
        return nullptr;
    const auto length = static_cast<long>(pkcs8.size());
    char type[80] = "";
    const unsigned char* p = pkcs8.data();
    if (PKCS8_PRIV_KEY_INFO* info = d2i_PKCS8_PRIV_KEY_INFO(nullptr, &p, length)) {
        const ASN1_OBJECT* algorithm = nullptr;
        if (PKCS8_pkey_get0(&algorithm, nullptr, nullptr, nullptr, info) != 1 ||
            OBJ_obj2txt(type, sizeof type, algorithm, 1) <= 0)
            type[0] = '\0';
        PKCS8_PRIV_KEY_INFO_free(info);
    }
    EVP_PKEY* key = nullptr;
    if (type[0]) {
        // Decoders carry their key type's object identifier among their names.
        OSSL_DECODER_CTX* decoder = OSSL_DECODER_CTX_new_for_pkey(
            &key, "DER", "PrivateKeyInfo", type, EVP_PKEY_KEYPAIR, nullptr, nullptr);
        p = pkcs8.data();
        size_t left = pkcs8.size();
        if (!decoder || OSSL_DECODER_from_data(decoder, &p, &left) != 1) {
            EVP_PKEY_free(key);
            key = nullptr;
        }
        OSSL_DECODER_CTX_free(decoder);
    }
    if (!key) {
        p = pkcs8.data();
        key = d2i_AutoPrivateKey_ex(nullptr, &p, length, nullptr, nullptr);
    }
    ERR_clear_error();
    return PkeyPtr(key);
}

OSSL_LIB_CTX* CmsLibrary::LegacyContext() const {
    const std::lock_guard<std::mutex> hold(legacyLock_);
    if (!legacyTried_) {
        legacyTried_ = true;
        lib_ = OSSL_LIB_CTX_new();
        if (lib_) {
            default_ = OSSL_PROVIDER_load(lib_, "default");
            legacy_ = OSSL_PROVIDER_load(lib_, "legacy");
        }
        if (!default_ || !legacy_) {
            Trace(
                "Plg - The OpenSSL legacy provider is not available: DES, RC2 and RC4 are "
                "refused");
            ERR_clear_error();
        }
    }
    return default_ && legacy_ ? lib_ : nullptr;
}

bool CmsLibrary::legacyLoaded() const {
    const std::lock_guard<std::mutex> hold(legacyLock_);
    return legacy_ != nullptr;
}

CmsLibrary::~CmsLibrary() {
    if (legacy_)
        OSSL_PROVIDER_unload(legacy_);
    if (default_)
        OSSL_PROVIDER_unload(default_);
    OSSL_LIB_CTX_free(lib_);
}

CmsLibrary::Cipher CmsLibrary::CipherFor(std::string_view oid) const {
    for (const CipherName& c : kCiphers) {
        if (c.oid != oid)
            continue;
        Cipher found;
        found.cipher.reset(EVP_CIPHER_fetch(nullptr, c.name, nullptr));
        if (!found.cipher) {
            ERR_clear_error();
            found.context = LegacyContext();
            if (found.context)
                found.cipher.reset(EVP_CIPHER_fetch(found.context, c.name, nullptr));
        }
        return found;
    }
    return {};
}

OSSL_LIB_CTX* CmsLibrary::ContextForContentCipher(std::string_view oid) const {
    // Providers list every cipher under its object identifier too.
    const std::string name(oid);
    if (name.empty())
        return nullptr;
    CipherPtr cipher(EVP_CIPHER_fetch(nullptr, name.c_str(), nullptr));
    if (cipher)
        return nullptr;
    ERR_clear_error();
    OSSL_LIB_CTX* legacy = LegacyContext();
    if (!legacy)
        return nullptr;
    cipher.reset(EVP_CIPHER_fetch(legacy, name.c_str(), nullptr));
    ERR_clear_error();
    return cipher ? legacy : nullptr;
}

}  // namespace orx
