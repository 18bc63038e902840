#include "client/certificate_facts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "client_gui/facts/test_certificates.h"
#include "core/base64.h"

namespace orx {
namespace {

using testing::CertificateBytes;
using testing::CertificatePath;
using testing::TestCert;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ::toupper);
    return text;
}

std::string WithoutColons(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ':'), text.end());
    return text;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(", ", start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 2;
    }
    return parts;
}

CertificateFacts Read(TestCert which) {
    CertificateFacts facts;
    EXPECT_TRUE(ReadCertificateFacts(CertificateBytes(which), time(nullptr), &facts));
    return facts;
}

class CertificateFactsTest : public ::testing::TestWithParam<TestCert> {
  protected:
    testing::IsolatedEnvironment env;
};

// Every field against what openssl says of the same file.
TEST_P(CertificateFactsTest, FieldsMatchOpenssl) {
    const CertificateFacts facts = Read(GetParam());
    const testing::OpensslView openssl = testing::ViewWithOpenssl(CertificatePath(GetParam()));
    EXPECT_EQ(facts.subjectText, openssl.subject);
    EXPECT_EQ(facts.issuerText, openssl.issuer);
    EXPECT_EQ(Upper(WithoutColons(facts.serial)), openssl.serial);
    EXPECT_EQ(facts.notBefore, openssl.notBefore);
    EXPECT_EQ(facts.notAfter, openssl.notAfter);
    EXPECT_EQ(facts.sha1, openssl.sha1);
    EXPECT_EQ(facts.sha256, openssl.sha256);
    EXPECT_EQ(facts.keyBits, openssl.keyBits);
    EXPECT_NE(openssl.text.find("Version: " + std::to_string(facts.version) + " "),
              std::string::npos);
    EXPECT_NE(openssl.text.find("Signature Algorithm: " + facts.signatureAlgorithm),
              std::string::npos)
        << facts.signatureAlgorithm;

    const auto extensions = testing::OpensslExtensions(openssl.text);
    ASSERT_EQ(facts.extensions.size(), extensions.size());
    for (size_t i = 0; i < extensions.size(); ++i) {
        const ExtensionFacts& ours = facts.extensions[i];
        const testing::OpensslExtension& theirs = extensions[i];
        SCOPED_TRACE(theirs.name);
        EXPECT_EQ(ours.critical, theirs.critical);
        if (theirs.name == "X509v3 Key Usage" || theirs.name == "X509v3 Basic Constraints" ||
            theirs.name == "X509v3 Subject Key Identifier" ||
            theirs.name == "X509v3 Authority Key Identifier") {
            EXPECT_EQ(ours.value, theirs.value);
        } else if (theirs.name == "X509v3 Extended Key Usage") {
            const auto names = Split(theirs.value);
            EXPECT_EQ(Split(ours.value).size(), names.size());
            for (const std::string& name : names) {
                if (name.find("Smartcard") == std::string::npos) {
                    EXPECT_NE(ours.value.find(name + " ("), std::string::npos) << name;
                }
            }
        } else if (theirs.name == "X509v3 Subject Alternative Name") {
            std::vector<std::string> expected;
            for (std::string entry : Split(theirs.value)) {
                if (entry.rfind("othername: UPN::", 0) == 0)
                    entry = "UPN:" + entry.substr(16);
                expected.push_back(entry);
            }
            EXPECT_EQ(Split(ours.value), expected);
        } else {
            ADD_FAILURE() << "extension without a comparison";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Certificates, CertificateFactsTest,
                         ::testing::Values(TestCert::Full, TestCert::CA, TestCert::Expired,
                                           TestCert::NotYetValid, TestCert::Ec),
                         [](const auto& info) {
                             return std::string(testing::CertificateName(info.param));
                         });

TEST(CertificateFacts, ValidityStateFollowsTheClock) {
    // The full certificate begins the second it was made: look a minute later.
    struct Case {
        TestCert cert;
        ValidityState now;
    } cases[] = {{TestCert::Full, ValidityState::Valid},
                 {TestCert::Expired, ValidityState::Expired},
                 {TestCert::NotYetValid, ValidityState::NotYetValid}};
    for (const Case& c : cases) {
        CertificateFacts facts;
        ASSERT_TRUE(ReadCertificateFacts(CertificateBytes(c.cert), time(nullptr) + 60, &facts));
        EXPECT_EQ(facts.validity, c.now) << testing::CertificateName(c.cert);
    }
    // The edges: the first and the last second of the validity count as valid.
    CertificateFacts facts;
    time_t from = 0;
    time_t to = 0;
    ASSERT_TRUE(ReadCertificateFacts(CertificateBytes(TestCert::Expired), 0, &facts));
    ASSERT_TRUE(ParseCertificateTime(facts.notBeforeStored, &from));
    ASSERT_TRUE(ParseCertificateTime(facts.notAfterStored, &to));
    EXPECT_EQ(facts.notBefore, "2020-01-01 00:00:00 UTC");
    const std::pair<time_t, ValidityState> edges[] = {{from - 1, ValidityState::NotYetValid},
                                                      {from, ValidityState::Valid},
                                                      {to, ValidityState::Valid},
                                                      {to + 1, ValidityState::Expired}};
    for (const auto& [now, state] : edges) {
        ASSERT_TRUE(ReadCertificateFacts(CertificateBytes(TestCert::Expired), now, &facts));
        EXPECT_EQ(facts.validity, state) << now;
    }
}

TEST(CertificateFacts, FullCertificateDecodesTheCommonExtensions) {
    const CertificateFacts facts = Read(TestCert::Full);
    EXPECT_EQ(facts.subjectDisplayName, "Jane Doe, Unit, Example AB");
    EXPECT_EQ(facts.subjectReadable,
              "C=SE, O=Example AB, OU=Unit, CN=Jane Doe, E=jane@example.org");
    EXPECT_EQ(facts.serial, "c0:ff:ee:12:34:56:78:90:ab:cd:ef");
    EXPECT_EQ(facts.keyType, "RSA");
    ASSERT_EQ(facts.extensions.size(), 6u);
    const ExtensionFacts& eku = facts.extensions[3];
    EXPECT_EQ(eku.oid, "2.5.29.37");
    EXPECT_EQ(eku.value,
              "TLS Web Server Authentication (1.3.6.1.5.5.7.3.1), "
              "TLS Web Client Authentication (1.3.6.1.5.5.7.3.2), "
              "Code Signing (1.3.6.1.5.5.7.3.3), E-mail Protection (1.3.6.1.5.5.7.3.4), "
              "Smart Card Logon (1.3.6.1.4.1.311.20.2.2)");
    EXPECT_EQ(facts.extensions[2].name, "Key usage");
    EXPECT_EQ(facts.extensions[5].name, "Basic constraints");
}

TEST(CertificateFacts, EllipticKeyNamesItsCurve) {
    const CertificateFacts facts = Read(TestCert::Ec);
    EXPECT_EQ(facts.keyType, "EC (prime256v1)");
    EXPECT_EQ(facts.keyBits, 256);
    EXPECT_EQ(facts.signatureAlgorithm, "ecdsa-with-SHA256");
}

// The forms certificate handles are made from give the same certificate.
TEST(CertificateFacts, PemAndBase64FormsReadLikeDer) {
    const std::vector<uint8_t> der = CertificateBytes(TestCert::Full);
    const std::string pem = testing::ReadFile(testing::CertificatePemPath(TestCert::Full));
    const std::string base64 = Base64Encode(der);
    for (const std::string& text : {pem, base64, PemCertificate(der)}) {
        CertificateFacts facts;
        ASSERT_TRUE(ReadCertificateFacts(
            std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), 0, &facts));
        EXPECT_EQ(facts.der, der);
    }
    EXPECT_EQ(PemCertificate(der), pem);
}

TEST(CertificateFacts, WhatIsNoCertificateIsRefused) {
    std::vector<uint8_t> der = CertificateBytes(TestCert::Full);
    std::vector<uint8_t> cut(der.begin(), der.begin() + der.size() / 2);
    const std::string pemGarbage = "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n";
    const std::vector<std::vector<uint8_t>> inputs = {
        {},
        {0x30, 0x00},
        {'h', 'e', 'l', 'l', 'o'},
        cut,
        std::vector<uint8_t>(pemGarbage.begin(), pemGarbage.end()),
    };
    for (size_t i = 0; i < inputs.size(); ++i) {
        CertificateFacts facts;
        EXPECT_FALSE(ReadCertificateFacts(inputs[i], 0, &facts)) << "input " << i;
        EXPECT_TRUE(facts.der.empty());
    }
}

TEST(CertificateTime, UtcAndGeneralizedTimes) {
    struct Case {
        const char* text;
        bool ok;
        time_t seconds;
    } cases[] = {
        {"700101000000Z", true, 0},          {"491231235959Z", true, 2524607999},
        {"500101000000Z", true, -631152000}, {"20500101000000Z", true, 2524608000},
        {"19700101000001Z", true, 1},        {"7001010000Z", false, 0},
        {"700101000000", false, 0},          {"70x101000000Z", false, 0},
        {"701301000000Z", false, 0},         {"", false, 0},
    };
    for (const Case& c : cases) {
        time_t seconds = 42;
        EXPECT_EQ(ParseCertificateTime(c.text, &seconds), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(seconds, c.seconds) << c.text;
        }
    }
}

}  // namespace
}  // namespace orx
