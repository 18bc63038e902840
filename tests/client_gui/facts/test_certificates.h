// Certificates made once per test program by the openssl command line, and what
// openssl itself says about them, as the independent check of the viewer.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "support/test_environment.h"

namespace orx::testing {

enum class TestCert { Full, CA, Expired, NotYetValid, Ec };

struct OpensslView {
    std::string subject;  // name text form
    std::string issuer;
    std::string serial;     // upper-case hex without separators
    std::string notBefore;  // "2026-12-05 16:14:32 UTC"
    std::string notAfter;
    std::string sha1;
    std::string sha256;
    int keyBits = 0;
    std::string text;  // `openssl x509 -noout -text`
};

struct OpensslExtension {
    std::string name;  // as openssl names it ("X509v3 Key Usage")
    bool critical = false;
    std::string value;  // the first value line, trimmed
};

// The folder that holds the certificates; made on first use.
const std::string& CertificateFolder();
// The DER file of a test certificate.
std::string CertificatePath(TestCert which);
std::string CertificatePemPath(TestCert which);
std::vector<uint8_t> CertificateBytes(TestCert which);
const char* CertificateName(TestCert which);

OpensslView ViewWithOpenssl(const std::string& derPath);
// The extensions in the order `openssl x509 -text` lists them.
std::vector<OpensslExtension> OpensslExtensions(const std::string& text);
// "Dec  5 16:14:32 2026 GMT" as "2026-12-05 16:14:32 UTC".
std::string OpensslDate(const std::string& text);

}  // namespace orx::testing
