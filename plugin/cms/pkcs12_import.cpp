#include "cms/pkcs12_import.h"

#include <openssl/cms.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <climits>
#include <string>

#include "cms/pkcs12_costs.h"

namespace orx {

namespace {

struct CertStackFree {
    void operator()(STACK_OF(X509) * certs) const { sk_X509_pop_free(certs, X509_free); }
};
using CertStack = std::unique_ptr<STACK_OF(X509), CertStackFree>;

}  // namespace

Pkcs12Ptr ParsePkcs12(std::span<const uint8_t> bytes) {
    if (bytes.size() > static_cast<size_t>(LONG_MAX))
        return nullptr;
    const unsigned char* p = bytes.data();
    Pkcs12Ptr p12(d2i_PKCS12(nullptr, &p, static_cast<long>(bytes.size())));
    ERR_clear_error();
    return p12;
}

bool LooksLikePkcs12(std::span<const uint8_t> bytes) {
    return ParsePkcs12(bytes) != nullptr;
}

int OpenPkcs12(const CmsLibrary& library, std::span<const uint8_t> bytes, std::string_view password,
               Pkcs12Content& content) {
    Pkcs12Ptr p12 = ParsePkcs12(bytes);
    // Refused before the password is used at all: the counts decide what a try costs.
    if (!p12 || !Pkcs12CostsAcceptable(p12.get()))
        return CKR_ATTRIBUTE_VALUE_INVALID;
    const std::string pass(password);
    // An empty password may have been applied as "no password" or as "".
    const char* candidates[] = {pass.c_str(), pass.empty() ? nullptr : pass.c_str()};
    const char* chosen = nullptr;
    bool found = false;
    if (PKCS12_mac_present(p12.get())) {
        for (const char* candidate : candidates) {
            if (PKCS12_verify_mac(p12.get(), candidate, candidate ? -1 : 0)) {
                chosen = candidate;
                found = true;
                break;
            }
        }
        ERR_clear_error();
        if (!found)
            return CKR_PIN_INCORRECT;
    } else {
        chosen = pass.c_str();
    }
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    STACK_OF(X509)* ca = nullptr;
    int parsed = PKCS12_parse(p12.get(), chosen, &key, &cert, &ca);
    // Files of older programs encrypt their certificates with 40-bit RC2, which only
    // the legacy provider reads: once the password has proved right, such a file is
    // read again with the legacy context as this thread's default.
    if (!parsed && found) {
        if (OSSL_LIB_CTX* legacy = library.LegacyContext()) {
            ERR_clear_error();
            OSSL_LIB_CTX* previous = OSSL_LIB_CTX_set0_default(legacy);
            parsed = PKCS12_parse(p12.get(), chosen, &key, &cert, &ca);
            OSSL_LIB_CTX_set0_default(previous);
        }
    }
    PkeyPtr ownedKey(key);
    X509Ptr ownedCert(cert);
    CertStack ownedChain(ca);
    OPENSSL_cleanse(const_cast<char*>(pass.data()), pass.size());
    if (!parsed) {
        ERR_clear_error();
        // Without a MAC a wrong password shows only as content that cannot be read.
        return PKCS12_mac_present(p12.get()) ? CKR_ATTRIBUTE_VALUE_INVALID : CKR_PIN_INCORRECT;
    }
    if (ownedCert) {
        content.certificate = OpenSslDer(ownedCert.get(), i2d_X509);
        int length = 0;
        if (const unsigned char* alias = X509_alias_get0(ownedCert.get(), &length))
            content.label.assign(reinterpret_cast<const char*>(alias), static_cast<size_t>(length));
    }
    if (ownedKey) {
        content.pkcs8 = PrivateKeyToPkcs8(ownedKey.get());
        if (content.pkcs8.empty())
            return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    for (int i = 0; ownedChain && i < sk_X509_num(ownedChain.get()); ++i) {
        std::vector<uint8_t> der = OpenSslDer(sk_X509_value(ownedChain.get(), i), i2d_X509);
        if (!der.empty())
            content.chain.push_back(std::move(der));
    }
    if (content.certificate.empty() && content.chain.empty())
        return CKR_ATTRIBUTE_VALUE_INVALID;
    return CKR_OK;
}

bool ReadPkcs7Certificates(const CmsLibrary& library, std::span<const uint8_t> bytes,
                           std::vector<std::vector<uint8_t>>& certificates) {
    if (bytes.size() > static_cast<size_t>(INT_MAX))
        return false;
    CMS_ContentInfo* cms = CMS_ContentInfo_new_ex(library.get(), nullptr);
    if (!cms)
        return false;
    const unsigned char* p = bytes.data();
    CMS_ContentInfo* read = d2i_CMS_ContentInfo(&cms, &p, static_cast<long>(bytes.size()));
    if (!read) {
        cms = CMS_ContentInfo_new_ex(library.get(), nullptr);
        BioPtr in(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
        read = in && cms ? PEM_read_bio_CMS(in.get(), &cms, nullptr, nullptr) : nullptr;
        if (!read)
            CMS_ContentInfo_free(cms);
    }
    ERR_clear_error();
    if (!read)
        return false;
    CmsPtr owned(read);
    if (OBJ_obj2nid(CMS_get0_type(read)) != NID_pkcs7_signed)
        return false;
    CertStack certs(CMS_get1_certs(read));
    for (int i = 0; certs && i < sk_X509_num(certs.get()); ++i) {
        std::vector<uint8_t> der = OpenSslDer(sk_X509_value(certs.get(), i), i2d_X509);
        if (!der.empty())
            certificates.push_back(std::move(der));
    }
    return true;
}

}  // namespace orx
