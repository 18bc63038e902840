// Certificates made by the openssl command line, read through handles, and the
// fields checked against what openssl itself says about them.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cert_test_support.h"
#include "der/cert_handle.h"
#include "der/cert_inspection.h"
#include "der/cert_summary.h"
#include "der/der_result.h"

namespace orx {
namespace {

using namespace orx::testing;

// "name: value" lines as a map; repeated names ("extension") joined by "|".
std::map<std::string, std::string> Fields(const std::string& summary) {
    std::map<std::string, std::string> fields;
    size_t start = 0;
    while (start < summary.size()) {
        const size_t end = summary.find('\n', start);
        const std::string line = summary.substr(start, end - start);
        const size_t colon = line.find(": ");
        const std::string name = line.substr(0, colon);
        const std::string value = colon == std::string::npos ? "" : line.substr(colon + 2);
        fields[name] = fields.count(name) ? fields[name] + "|" + value : value;
        start = end + 1;
    }
    return fields;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct OpensslCase {
    const char* title;
    int bits;
    const char* subject;     // for -subj, with -multivalue-rdn
    const char* extensions;  // extension lines; nullptr: a version 1 certificate
    const char* serial;      // for -set_serial
    int days;
    // Expected.
    const char* version;
    const char* email;
    const char* upn;
    const char* ca;
    const char* smartCardLogon;
    size_t extensionCount;  // openssl adds a subject key identifier to its own
};

class OpensslCertificateTest : public ::testing::TestWithParam<OpensslCase> {
  protected:
    int Run(const std::string& command, std::string* out = nullptr) const {
        return RunCommand("cd '" + env_.root() + "' && " + command, out);
    }
    IsolatedEnvironment env_;
};

TEST_P(OpensslCertificateTest, FieldsAsOpensslSeesThem) {
    const OpensslCase& c = GetParam();
    // pkix lets openssl choose BMPString for names beyond PrintableString.
    WriteFile(env_ / "req.cnf", "[req]\ndistinguished_name=dn\nstring_mask=pkix\nutf8=yes\n[dn]\n");
    WriteFile(env_ / "ext.cnf", std::string("[v3]\n") + (c.extensions ? c.extensions : ""));
    ASSERT_EQ(Run("openssl genrsa -out k.pem " + std::to_string(c.bits) + " 2>/dev/null"), 0);
    ASSERT_EQ(
        Run(std::string("openssl req -new -config req.cnf -multivalue-rdn -key k.pem -subj '") +
            c.subject + "' -out r.csr"),
        0);
    ASSERT_EQ(Run("openssl x509 -req -in r.csr -signkey k.pem -set_serial " +
                  std::string(c.serial) + " -days " + std::to_string(c.days) +
                  (c.extensions ? " -extfile ext.cnf -extensions v3" : "") +
                  " -outform DER -out c.der 2>/dev/null"),
              0);

    const CertHandle handle = CertCreate(ReadBytes(env_ / "c.der"));
    ASSERT_TRUE(handle);
    std::map<std::string, std::string> f = Fields(CertSummary(*handle));

    std::string names;
    ASSERT_EQ(Run("openssl x509 -inform DER -in c.der -noout -subject -issuer "
                  "-nameopt sep_comma_plus_space,oid,utf8",
                  &names),
              0);
    EXPECT_EQ("subject=" + f["subject"] + "\nissuer=" + f["issuer"] + "\n", names);

    std::string serial;
    ASSERT_EQ(Run("openssl x509 -inform DER -in c.der -noout -serial", &serial), 0);
    serial = Lower(FirstLine(serial).substr(7));
    // The stored bytes keep the 0x00 that a set top bit needs.
    EXPECT_TRUE(f["serial"] == serial || f["serial"] == "00" + serial) << f["serial"];

    std::string text;
    ASSERT_EQ(Run("openssl x509 -inform DER -in c.der -noout -text", &text), 0);
    EXPECT_NE(text.find("Public-Key: (" + std::to_string(c.bits) + " bit)"), std::string::npos);
    EXPECT_EQ(f["key"], "rsa " + std::to_string(c.bits));
    EXPECT_NE(text.find("Version: " + std::string(c.version)), std::string::npos);
    EXPECT_EQ(f["version"], c.version);

    // The time elements as stored, from openssl's own parse.
    std::string parsed;
    ASSERT_EQ(Run("openssl asn1parse -inform DER -in c.der | grep -E 'UTCTIME|GENERALIZEDTIME' "
                  "| head -2 | sed 's/.*://'",
                  &parsed),
              0);
    EXPECT_EQ(f["notBefore"] + "\n" + f["notAfter"] + "\n", parsed);

    EXPECT_EQ(f["email"], c.email);
    EXPECT_EQ(f["upn"], c.upn);
    EXPECT_EQ(f["ca"], c.ca);
    EXPECT_EQ(f["smartCardLogon"], c.smartCardLogon);
    EXPECT_EQ(f["selfIssued"], "1");
    EXPECT_EQ(f["expired"], "0");
    EXPECT_TRUE(CertIsTimeValid(handle.get()));
    const std::string& extensions = f["extension"];
    EXPECT_EQ(extensions.empty() ? 0 : std::count(extensions.begin(), extensions.end(), '|') + 1,
              static_cast<long>(c.extensionCount))
        << extensions;

    // The decoded info is handed out as it is, so openssl's signature still verifies.
    DerCertificate& d = handle->certificate;
    Bytes info(8192);
    uint32_t count = static_cast<uint32_t>(info.size());
    ASSERT_EQ(d.GetInfo(info, &count), DER_OK);
    WriteFile(env_ / "info.der", std::string(info.begin(), info.begin() + count));
    Bytes signature(512);
    uint32_t signatureLength = static_cast<uint32_t>(signature.size());
    std::string algorithm;
    ASSERT_EQ(d.GetSignature(algorithm, 64, signature, &signatureLength), DER_OK);
    WriteFile(env_ / "sig.bin",
              std::string(signature.begin(), signature.begin() + signatureLength));
    EXPECT_EQ(Run("openssl rsa -in k.pem -pubout -out pub.pem 2>/dev/null && openssl dgst -sha256 "
                  "-verify pub.pem -signature sig.bin info.der >/dev/null"),
              0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpensslCertificateTest,
    ::testing::Values(
        OpensslCase{"Version1", 1024, "/CN=Plain", nullptr, "5", 30, "1", "", "", "0", "0", 0},
        // GeneralizedTime after 2049, a serial with the top bit set, a multi-valued
        // RDN, e-mail in the subject and in the alternative name, a principal name,
        // smart card logon and a CA.
        OpensslCase{"SmartCardUser", 2048,
                    "/C=DE/O=Org/CN=Jane Doe+serialNumber=42/emailAddress=jane@subject.example",
                    "basicConstraints=critical,CA:TRUE\n"
                    "subjectAltName=email:alt@example.org,"
                    "otherName:1.3.6.1.4.1.311.20.2.3;UTF8:jane@corp.example\n"
                    "extendedKeyUsage=clientAuth,1.3.6.1.4.1.311.20.2.2\n",
                    "0x8A0102030405060708", 12000, "3", "jane@subject.example", "jane@corp.example",
                    "1", "1", 4},
        // Names that openssl writes as BMPString; the address only in the
        // alternative name.
        OpensslCase{"BmpNames", 4096, "/O=Müller GmbH/CN=Jörg Müller",
                    "basicConstraints=critical,CA:FALSE\n"
                    "subjectAltName=email:joerg@example.de\n"
                    "extendedKeyUsage=emailProtection\n",
                    "0xFF", 30, "3", "joerg@example.de", "", "0", "0", 4}),
    [](const auto& info) { return std::string(info.param.title); });

// A certificate made with the setters and signed by openssl is one that openssl
// verifies and reads with the same fields, and that decodes to them again.
TEST(CertificateBySetters, OpensslVerifiesItAndDecodeGivesTheFieldsBack) {
    IsolatedEnvironment env;
    auto run = [&](const std::string& command, std::string* out = nullptr) {
        return RunCommand("cd '" + env.root() + "' && " + command, out);
    };
    ASSERT_EQ(run("openssl genrsa -out k.pem 1024 2>/dev/null && "
                  "openssl rsa -in k.pem -pubout -outform DER -out pub.der 2>/dev/null"),
              0);
    DerCertificate c;
    ASSERT_EQ(c.SetVersion(2), DER_OK);
    ASSERT_EQ(c.SetSerialNumber(0x12C0FFEE), DER_OK);
    ASSERT_EQ(c.SetNameText(kIssuer, "C=DE,O=Org,CN=Jane Doe"), DER_OK);
    ASSERT_EQ(c.SetNameText(kSubject, "C=DE,O=Org,CN=Jane Doe"), DER_OK);
    ASSERT_EQ(c.SetValidity("260101000000Z", "361231235959Z"), DER_OK);
    ASSERT_EQ(c.SetPublicKeyInfo(ReadBytes(env / "pub.der")), DER_OK);
    const Bytes constraints = Tlv(0x04, Hex("30 03 01 01 FF"));
    ASSERT_EQ(c.SetExtension("2.5.29.19", constraints), DER_OK);
    const Bytes altName = Tlv(0x04, Tlv(0x30, Rfc822Name("jane@example.org")));
    ASSERT_EQ(c.SetExtension("2.5.29.17", altName), DER_OK);
    const Bytes usage = Tlv(0x04, Tlv(0x30, kOidSmartCardLogon));
    ASSERT_EQ(c.SetExtension("2.5.29.37", usage), DER_OK);
    ASSERT_EQ(c.SetSignature("1.2.840.113549.1.1.11", {}), DER_OK);
    Bytes info(1024);
    uint32_t infoLength = 1024;
    ASSERT_EQ(c.GetInfo(info, &infoLength), DER_OK);
    WriteFile(env / "info.der", std::string(info.begin(), info.begin() + infoLength));
    ASSERT_EQ(run("openssl dgst -sha256 -sign k.pem -out sig.bin info.der"), 0);
    ASSERT_EQ(c.SetSignature("1.2.840.113549.1.1.11", ReadBytes(env / "sig.bin")), DER_OK);
    Bytes der(2048);
    uint32_t count = 2048;
    ASSERT_EQ(c.Encode(der, &count), DER_OK);
    der.resize(count);
    WriteFile(env / "built.der", std::string(der.begin(), der.end()));

    EXPECT_EQ(run("openssl x509 -inform DER -in built.der -out built.pem && openssl verify "
                  "-CAfile built.pem -check_ss_sig built.pem >/dev/null 2>&1"),
              0);
    std::string text;
    ASSERT_EQ(run("openssl x509 -inform DER -in built.der -noout -text "
                  "-nameopt sep_comma_plus_space,oid,utf8",
                  &text),
              0);
    for (const char* expected :
         {"Version: 3 (0x2)", "Serial Number: 314638318 (0x12c0ffee)",
          "Signature Algorithm: sha256WithRSAEncryption",
          "Issuer: 2.5.4.6=DE, 2.5.4.10=Org, 2.5.4.3=Jane Doe",
          "Not Before: Jan  1 00:00:00 2026 GMT", "Not After : Dec 31 23:59:59 2036 GMT",
          "Subject: 2.5.4.6=DE, 2.5.4.10=Org, 2.5.4.3=Jane Doe", "Public-Key: (1024 bit)",
          "CA:TRUE", "email:jane@example.org", "Microsoft Smartcard Login"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }

    const CertHandle handle = CertCreate(der);
    ASSERT_TRUE(handle);
    const DerCertificate& d = handle->certificate;
    uint32_t value = 0;
    d.GetVersion(&value);
    EXPECT_EQ(value, 2u);
    d.GetSerialNumber(&value);
    EXPECT_EQ(value, 0x12C0FFEEu);
    EXPECT_EQ(*d.NameText(kIssuer), "2.5.4.6=DE, 2.5.4.10=Org, 2.5.4.3=Jane Doe");
    EXPECT_TRUE(d.selfIssued());
    std::string before;
    std::string after;
    ASSERT_EQ(d.GetValidity(before, 32, after, 32), 1);
    EXPECT_EQ(before + " " + after, "260101000000Z 361231235959Z");
    EXPECT_EQ(d.IsCA(false), 1);
    EXPECT_TRUE(d.HasSmartCardLogon());
    std::string mail;
    EXPECT_EQ(d.GetEmail(mail, 64, true), DER_OK);
    EXPECT_EQ(mail, "jane@example.org");
    DerBytes extension;
    ASSERT_EQ(d.GetExtension("2.5.29.17", &extension), DER_OK);
    EXPECT_EQ(Bytes(extension.begin(), extension.end()), altName);
    EXPECT_EQ(Bytes(d.publicKeyInfo().begin(), d.publicKeyInfo().end()),
              ReadBytes(env / "pub.der"));
}

}  // namespace
}  // namespace orx
