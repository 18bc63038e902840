#include "pkcs11/certificate_facts.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <climits>
#include <cstdio>
#include <ctime>

#include "cms/cms_library.h"

namespace orx::p11 {

namespace {

std::vector<uint8_t> DateOf(const ASN1_TIME* time) {
    struct tm parts {};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%04d%02d%02d", parts.tm_year + 1900,
                                parts.tm_mon + 1, parts.tm_mday);
    if (n != 8)
        return {};
    return {text, text + 8};
}

}  // namespace

bool ReadCertificateFacts(std::span<const uint8_t> der, CertificateFacts& facts) {
    facts = CertificateFacts{};
    if (der.empty() || der.size() > static_cast<size_t>(LONG_MAX))
        return false;
    const unsigned char* at = der.data();
    X509Ptr certificate(d2i_X509(nullptr, &at, static_cast<long>(der.size())));
    if (!certificate) {
        ERR_clear_error();
        return false;
    }
    X509* x = certificate.get();
    facts.subject = OpenSslDer(X509_get_subject_name(x), i2d_X509_NAME);
    facts.issuer = OpenSslDer(X509_get_issuer_name(x), i2d_X509_NAME);
    facts.serial = OpenSslDer(X509_get0_serialNumber(x), i2d_ASN1_INTEGER);
    facts.startDate = DateOf(X509_get0_notBefore(x));
    facts.endDate = DateOf(X509_get0_notAfter(x));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (X509_pubkey_digest(x, EVP_sha1(), digest, &digestLength) == 1)
        facts.publicKeyHash.assign(digest, digest + digestLength);
    // A certificate for another kind of key is still a certificate.
    ReadKeyFacts(X509_get0_pubkey(x), facts.key);
    ERR_clear_error();
    return true;
}

}  // namespace orx::p11
