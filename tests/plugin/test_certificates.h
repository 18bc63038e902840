// Real certificates for the module's tests, made with OpenSSL: a subject and an
// issuer common name, an optional key usage, an expiry date and a serial number,
// signed with one shared P-256 key so that a thousand of them are cheap.
#pragma once

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orx::testing {

struct TestCertificate {
    std::string subject = "Jane Doe";
    std::string issuer = "Test CA";
    std::string keyUsage;  // "digitalSignature,nonRepudiation"; empty: no extension
    std::string notAfter = "20391231235959Z";
    long serial = 1;
};

inline EVP_PKEY* SharedTestKey() {
    static EVP_PKEY* key = EVP_EC_gen("P-256");
    return key;
}

inline std::vector<uint8_t> MakeDer(const TestCertificate& wanted) {
    X509* x = X509_new();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), wanted.serial);
    X509_NAME* subject = X509_NAME_new();
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(wanted.subject.c_str()), -1,
                               -1, 0);
    X509_NAME* issuer = X509_NAME_new();
    X509_NAME_add_entry_by_txt(issuer, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(wanted.issuer.c_str()), -1,
                               -1, 0);
    X509_set_subject_name(x, subject);
    X509_set_issuer_name(x, issuer);
    X509_NAME_free(subject);
    X509_NAME_free(issuer);
    ASN1_TIME_set_string(X509_getm_notBefore(x), "20200101000000Z");
    ASN1_TIME_set_string(X509_getm_notAfter(x), wanted.notAfter.c_str());
    X509_set_pubkey(x, SharedTestKey());
    if (!wanted.keyUsage.empty()) {
        X509V3_CTX ctx;
        X509V3_set_ctx_nodb(&ctx);
        X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
        X509_EXTENSION* ext =
            X509V3_EXT_conf_nid(nullptr, &ctx, NID_key_usage, wanted.keyUsage.c_str());
        X509_add_ext(x, ext, -1);
        X509_EXTENSION_free(ext);
    }
    X509_sign(x, SharedTestKey(), EVP_sha256());
    std::vector<uint8_t> der(static_cast<size_t>(i2d_X509(x, nullptr)));
    unsigned char* at = der.data();
    i2d_X509(x, &at);
    X509_free(x);
    return der;
}

inline std::string ToPem(const std::vector<uint8_t>& der) {
    const unsigned char* at = der.data();
    X509* x = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, x);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<size_t>(size));
    BIO_free(bio);
    X509_free(x);
    return pem;
}

}  // namespace orx::testing
