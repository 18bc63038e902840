#include "der/der_certificate.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "cert_test_support.h"
#include "der/der_result.h"

namespace orx {
namespace {

using testing::Cat;
using testing::Hex;
using testing::HexCompact;
using testing::ReadBytes;
using testing::RunCommand;
using testing::Text;
using testing::Tlv;
using testing::ToHex;
using testing::TraceCapture;
using testing::ValueAfterEquals;
using Bytes = std::vector<uint8_t>;

const Bytes kSha256Rsa = Hex("30 0D 06 09 2A 86 48 86 F7 0D 01 01 0B 05 00");
const Bytes kSmallKey = Hex(
    "30 1C 30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00 03 0B 00 30 08 02 03 00 C5 01 02 01 03");

Bytes Name(std::string_view cn) {
    return Tlv(0x30, Tlv(0x31, Tlv(0x30, Cat({Hex("06 03 55 04 03"), Tlv(0x0C, Text(cn))}))));
}

Bytes Validity(std::string_view notAfter = "491231235959Z") {
    return Tlv(0x30, Cat({Tlv(0x17, Text("200101000000Z")),
                          Tlv(notAfter.size() == 15 ? 0x18 : 0x17, Text(notAfter))}));
}

Bytes Extension(std::string_view oidHex, const Bytes& value, bool critical = false) {
    return Tlv(0x30, Cat({Tlv(0x06, Hex(oidHex)), critical ? Hex("01 01 FF") : Bytes{},
                          Tlv(0x04, value)}));
}

// A certificate from its info fields, with a dummy signature.
Bytes Certificate(const Bytes& info) {
    return Tlv(0x30, Cat({Tlv(0x30, info), kSha256Rsa, Hex("03 03 00 AB CD")}));
}

Bytes V3Info(const Bytes& issuer, const Bytes& subject, const Bytes& extensions,
             const Bytes& validity = Validity()) {
    return Cat({Hex("A0 03 02 01 02 02 02 12 34"), kSha256Rsa, issuer, validity, subject, kSmallKey,
                extensions});
}

TEST(DerCertificate, HandMadeVersion3) {
    const Bytes bc = Extension("55 1D 13", Hex("30 03 01 01 FF"), true);
    const Bytes ku = Extension("55 1D 0F", Hex("03 02 05 A0"));
    const Bytes cert =
        Certificate(V3Info(Name("Root"), Name("Root"), Tlv(0xA3, Tlv(0x30, Cat({bc, ku})))));
    DerCertificate c;
    ASSERT_EQ(c.Decode(cert), DER_OK);
    uint32_t version = 9;
    c.GetVersion(&version);
    EXPECT_EQ(version, 2u);
    uint32_t serial = 0;
    c.GetSerialNumber(&serial);
    EXPECT_EQ(serial, 0x1234u);
    EXPECT_EQ(c.infoAlgorithm().text, "1.2.840.113549.1.1.11");
    EXPECT_EQ(c.signatureAlgorithm().text, "1.2.840.113549.1.1.11");
    EXPECT_EQ(*c.NameText(kSubject), "2.5.4.3=Root");
    EXPECT_TRUE(c.selfIssued());
    EXPECT_EQ(c.IsCA(false), 1);
    EXPECT_EQ(c.IsCA(true), 1);
    EXPECT_FALSE(c.IsExpired());
    EXPECT_EQ(c.HasExtension("2.5.29.19"), DER_OK);
    EXPECT_EQ(c.HasExtension("2.5.29.17"), DER_FAILED);
    EXPECT_TRUE(c.extension(0).critical);
    EXPECT_FALSE(c.extension(1).critical);
    DerBytes value;
    ASSERT_EQ(c.GetExtension("2.5.29.15", &value), DER_OK);
    EXPECT_EQ(ToHex(value), "04 04 03 02 05 A0");
    const std::string* text = nullptr;
    ASSERT_EQ(c.GetExtensionAt(1, &text, &value), DER_OK);
    EXPECT_EQ(*text, "2.5.29.15");
    EXPECT_EQ(c.GetExtensionAt(2, &text, &value), DER_FAILED);
    EXPECT_EQ(c.GetExtensionAt(32, &text, &value), DER_FAILED);
    std::string before;
    std::string after;
    EXPECT_EQ(c.GetValidity(before, 14, after, 14), 1);
    EXPECT_EQ(before, "200101000000Z");
    EXPECT_EQ(after, "491231235959Z");
    EXPECT_EQ(c.GetValidity(before, 13, after, 14), 0);
    std::string algorithm;
    Bytes signature(2);
    uint32_t signatureLength = 2;
    ASSERT_EQ(c.GetSignature(algorithm, 64, signature, &signatureLength), DER_OK);
    EXPECT_EQ(algorithm, "1.2.840.113549.1.1.11");
    EXPECT_EQ(ToHex(signature), "AB CD");
    signatureLength = 1;
    EXPECT_EQ(c.GetSignature(algorithm, 64, signature, &signatureLength), DER_BUFFER_TOO_SMALL);
    signatureLength = 2;
    EXPECT_EQ(c.GetSignature(algorithm, 21, signature, &signatureLength), DER_BUFFER_TOO_SMALL);

    // Decoded certificates encode to the same bytes: the critical flag is written
    // always, so both extensions here carry one.
    const Bytes explicitFalse = Extension("55 1D 0F", Hex("03 02 05 A0"));
    Bytes out(600);
    uint32_t count = 600;
    ASSERT_EQ(c.Encode(out, &count), DER_OK);
    DerCertificate again;
    ASSERT_EQ(again.Decode(DerBytes(out.data(), count)), DER_OK);
    EXPECT_EQ(*again.NameText(kIssuer), "2.5.4.3=Root");
    EXPECT_EQ(again.extension(1).text, "2.5.29.15");
    EXPECT_EQ(ToHex(again.extension(1).value), "04 04 03 02 05 A0");
    EXPECT_EQ(again.IsCA(true), 1);
    Bytes info(600);
    count = 600;
    ASSERT_EQ(c.GetInfo(info, &count), DER_OK);
    EXPECT_EQ(count, c.info().size());
    count = static_cast<uint32_t>(c.info().size() - 1);
    EXPECT_EQ(c.GetInfo(info, &count), DER_BUFFER_TOO_SMALL);
}

TEST(DerCertificate, BasicConstraintsValues) {
    struct Case {
        const char* value;
        int ca;
    };
    const Case cases[] = {
        {"30 03 01 01 FF", 1},
        {"30 00", 0},
        {"30 03 01 01 00", 0},
        {"30 03 02 01 05", 0},  // only a path length: no cA flag to read
    };
    for (const auto& c : cases) {
        const Bytes cert = Certificate(V3Info(
            Name("CA"), Name("Leaf"), Tlv(0xA3, Tlv(0x30, Extension("55 1D 13", Hex(c.value))))));
        DerCertificate cert1;
        ASSERT_EQ(cert1.Decode(cert), DER_OK) << c.value;
        EXPECT_EQ(cert1.IsCA(false), c.ca) << c.value;
        EXPECT_EQ(cert1.IsCA(true), 0) << c.value;  // not self-issued
    }
}

TEST(DerCertificate, StructuralFaults) {
    TraceCapture trace;
    const Bytes ext = Tlv(0xA3, Tlv(0x30, Extension("55 1D 0F", Hex("03 02 05 A0"))));
    const Bytes good = Certificate(V3Info(Name("I"), Name("S"), ext));
    struct Case {
        const char* what;
        Bytes bytes;
        int rc;
        const char* line;
    };
    ASSERT_EQ(good[1], 0x81);
    Bytes inside = good;
    inside[2] += 2;
    inside.push_back(0x05);
    inside.push_back(0x00);
    const Case cases[] = {
        {"issuer unique identifier before the extensions",
         Certificate(V3Info(Name("I"), Name("S"), Cat({Hex("A1 02 00 FF"), ext}))), DER_BAD_TAG,
         "DerCertificate - Failed to decode extensions"},
        {"bytes inside the outer sequence", inside, DER_FAILED,
         "DerCertificate - 2 bytes ignored at end"},
        {"version of another length",
         Certificate(Cat({Hex("A0 04 02 02 00 02 02 01 05"), kSha256Rsa, Name("I"), Validity(),
                          Name("S"), kSmallKey})),
         DER_OK, "bytes ignored at end of info"},  // declined by every field: the walk ends
        {"issuer is no sequence", Certificate(V3Info(Hex("31 00"), Name("S"), ext)), DER_BAD_TAG,
         "DerCertificate - Failed to decode extensions"},
        {"no info", Hex("30 00"), DER_BAD_LENGTH, "DerCertificate - Failed to get info"},
        {"no signature algorithm", Tlv(0x30, Tlv(0x30, Hex("02 01 01"))), DER_BAD_LENGTH,
         "DerCertificate - Failed to get signAlg"},
        {"signature of another type",
         Tlv(0x30,
             Cat({Tlv(0x30, V3Info(Name("I"), Name("S"), ext)), kSha256Rsa, Hex("04 01 00")})),
         DER_BAD_TAG, nullptr},
        {"top sequence too long", Hex("30 82 01 00 30 00"), DER_BAD_LENGTH,
         "DerCertificate - Failed to decode top sequence (6 bytes)"},
        {"extension without octet string",
         Certificate(V3Info(Name("I"), Name("S"),
                            Tlv(0xA3, Tlv(0x30, Tlv(0x30, Hex("06 03 55 1D 0F 02 01 05")))))),
         DER_OK, "DerCertificate - Unexpected extension encoding for 2.5.29.15 (no octet string)"},
        {"extension without oid",
         Certificate(
             V3Info(Name("I"), Name("S"), Tlv(0xA3, Tlv(0x30, Tlv(0x30, Hex("04 01 00")))))),
         DER_BAD_TAG, "DerCertificate - Invalid extension encoding (oid missing)"},
        {"extension without a value",
         Certificate(
             V3Info(Name("I"), Name("S"), Tlv(0xA3, Tlv(0x30, Tlv(0x30, Hex("06 03 55 1D 0F")))))),
         DER_BAD_LENGTH, "DerCertificate - Failed to decode extensions"},
    };
    for (const auto& c : cases) {
        trace.Reset();
        DerCertificate cert;
        EXPECT_EQ(cert.Decode(c.bytes), c.rc) << c.what;
        if (c.line) {
            EXPECT_NE(trace.Text().find(c.line), std::string::npos) << c.what << "\n"
                                                                    << trace.Text();
        }
    }

    // Every truncation of a good certificate fails cleanly.
    for (size_t n = 0; n < good.size(); ++n) {
        DerCertificate cert;
        EXPECT_NE(cert.Decode(DerBytes(good.data(), n)), DER_OK) << n;
    }
}

TEST(DerCertificate, BytesBehindTheCertificateAreCut) {
    Bytes cert = Certificate(V3Info(Name("I"), Name("S"), {}));
    const size_t size = cert.size();
    cert.push_back(0x00);
    cert.push_back(0x00);
    DerCertificate c;
    ASSERT_EQ(c.Decode(cert), DER_OK);
    DerBytes data;
    c.GetData(&data);
    EXPECT_EQ(data.size(), size);
    EXPECT_EQ(c.extension(0).text, "");
}

TEST(DerCertificate, ExtensionsBeyondThirtyTwoAreNotRead) {
    Bytes list;
    for (int i = 0; i < 40; ++i) {
        list =
            Cat({list, Extension("2A 03 " + ToHex(Bytes{static_cast<uint8_t>(i)}), Hex("05 00"))});
    }
    DerCertificate c;
    ASSERT_EQ(c.Decode(Certificate(V3Info(Name("I"), Name("S"), Tlv(0xA3, Tlv(0x30, list))))),
              DER_OK);
    EXPECT_EQ(c.extension(31).text, "1.2.3.31");
    EXPECT_EQ(c.HasExtension("1.2.3.32"), DER_FAILED);
}

// Clocks for the expired flag, seconds since the epoch.
long long Year2026() {
    return 1796000000;
}  // 2026-11-30
long long Year2049() {
    return 2524607999;
}  // 2049-12-31 23:59:59
long long Year2050() {
    return 2524608000;
}  // 2050-01-01
long long Year2100() {
    return 4133894400;
}  // 2100-12-31

TEST(DerCertificate, ExpiredFlag) {
    struct Case {
        const char* notAfter;
        long long (*clock)();
        bool expired;
    };
    const Case cases[] = {
        {"491231235959Z", Year2026, false},
        {"251231235959Z", Year2026, true},
        {"20001231235959Z", Year2026, true},
        {"20991231235959Z", Year2026, false},
        {"20991231235959Z", Year2100, true},
        // Two-digit years: the century is not compared.
        {"491231235959Z", Year2049, false},
        {"491231235959Z", Year2050, true},
        {"991231235959Z", Year2100, false},
        {"491231235959", Year2026, false},  // no Z: never expired
    };
    for (const auto& c : cases) {
        certificate_testing::SetClock(c.clock);
        DerCertificate cert;
        ASSERT_EQ(cert.Decode(Certificate(V3Info(Name("I"), Name("S"), {}, Validity(c.notAfter)))),
                  DER_OK)
            << c.notAfter;
        EXPECT_EQ(cert.IsExpired(), c.expired) << c.notAfter;
    }
    certificate_testing::SetClock(nullptr);
}

TEST(DerCertificate, Setters) {
    TraceCapture trace;
    DerCertificate c;
    ASSERT_EQ(c.SetSerialNumber(0x1234), DER_OK);
    EXPECT_EQ(ToHex(c.serialNumber()), "02 02 12 34");
    ASSERT_EQ(c.SetSerialNumber(0), DER_OK);
    EXPECT_EQ(ToHex(c.serialNumber()), "02 00");
    ASSERT_EQ(c.SetSerialNumber(0x80000000), DER_OK);
    EXPECT_EQ(ToHex(c.serialNumber()), "02 04 80 00 00 00");

    ASSERT_EQ(c.SetExtension("2.5.29.15", Hex("04 02 03 01")), DER_OK);
    ASSERT_EQ(c.SetExtension("2.5.29.19", Hex("04 02 30 00")), DER_OK);
    ASSERT_EQ(c.SetExtension("2.5.29.15", Hex("04 04 03 02 05 A0")), DER_OK);
    DerBytes value;
    ASSERT_EQ(c.GetExtension("2.5.29.15", &value), DER_OK);
    EXPECT_EQ(ToHex(value), "04 04 03 02 05 A0");
    EXPECT_EQ(c.extension(1).text, "2.5.29.19");
    EXPECT_EQ(c.extension(2).text, "");

    ASSERT_EQ(c.SetValidity("260101000000Z", "270101000000Z"), DER_OK);
    EXPECT_EQ(ToHex(c.notBefore()), ToHex(Cat({Hex("17 0D"), Text("260101000000Z")})));

    const Bytes modulus = Hex("C5 01 02");
    const Bytes exponent = Hex("01 00 01");
    ASSERT_EQ(c.SetPublicKey(modulus, exponent), DER_OK);
    uint32_t modulusLength = 0;
    uint32_t exponentLength = 0;
    ASSERT_EQ(c.GetPublicKey({}, &modulusLength, {}, &exponentLength), DER_OK);
    EXPECT_EQ(modulusLength, 3u);
    EXPECT_EQ(exponentLength, 3u);
    Bytes m(3);
    Bytes e(3);
    ASSERT_EQ(c.GetPublicKey(m, &modulusLength, e, &exponentLength), DER_OK);
    EXPECT_EQ(m, modulus);
    EXPECT_EQ(e, exponent);
    modulusLength = 2;
    EXPECT_EQ(c.GetPublicKey(m, &modulusLength, e, &exponentLength), DER_BUFFER_TOO_SMALL);
    EXPECT_EQ(c.PublicKeyEquals(modulus, exponent), 1);
    EXPECT_EQ(c.PublicKeyEquals(modulus, Hex("03")), 0);
    Bytes info(100);
    uint32_t count = 100;
    ASSERT_EQ(c.GetPublicKeyInfo(info, &count), DER_OK);
    EXPECT_EQ(count, c.publicKeyInfo().size());
    count = 5;
    EXPECT_EQ(c.GetPublicKeyInfo(info, &count), DER_BUFFER_TOO_SMALL);
    EXPECT_TRUE(trace.Has("DerCertificate - Buffer too small"));

    EXPECT_EQ(
        c.SetPublicKeyInfo(Hex("30 13 30 09 06 07 2A 86 48 CE 3D 02 01 03 06 00 04 02 AA BB")),
        DER_FAILED);
    EXPECT_TRUE(trace.Has("DerCertificate - Bad key type"));
    ASSERT_EQ(c.SetPublicKeyInfo(kSmallKey), DER_OK);
    EXPECT_EQ(c.PublicKeyEquals(Hex("C5 01"), Hex("03")), 1);

    // The area runs full: each setter then fails without writing.
    const uint32_t before = c.AreaUsed();
    EXPECT_EQ(c.SetExtension("1.2.3", Bytes(1024 - before, 0x04)), DER_FAILED);
    EXPECT_EQ(c.SetValidity(std::string(600, '1'), std::string(600, '2')), DER_FAILED);
    EXPECT_EQ(c.AreaUsed(), before);
    while (c.SetSerialNumber(0xFFFFFFFF) == DER_OK) {
    }
    EXPECT_TRUE(trace.Has("DerCertificate - Internal error, buffer too small"));
    EXPECT_GE(c.AreaUsed(), kCertificateAreaSize - 6);
}

TEST(DerCertificate, AllThirtyTwoExtensionRecordsTaken) {
    DerCertificate c;
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(c.SetExtension("1.2." + std::to_string(i), Hex("04 00")), DER_OK);
    }
    EXPECT_EQ(c.SetExtension("1.2.99", Hex("04 00")), DER_FAILED);
    EXPECT_EQ(c.SetExtension("1.2.7", Hex("04 01 07")), DER_OK);
}

// Certificates made by the openssl command line.
class OpensslCertificate : public ::testing::Test {
  protected:
    std::string Path(std::string_view name) const { return trace_.env() / name; }
    int Run(const std::string& command, std::string* out = nullptr) const {
        return RunCommand("cd '" + trace_.env().root() + "' && " + command, out);
    }
    void MakeKey() { ASSERT_EQ(Run("openssl genrsa -out k.pem 1024 2>/dev/null"), 0); }
    TraceCapture trace_;
};

TEST_F(OpensslCertificate, SelfSignedVersion3) {
    MakeKey();
    ASSERT_EQ(Run("openssl req -x509 -key k.pem -subj '/C=DE/O=Org/CN=Jane Doe' -days 30 "
                  "-outform DER -out c.der"),
              0);
    const Bytes der = ReadBytes(Path("c.der"));
    DerCertificate c;
    ASSERT_EQ(c.Decode(der), DER_OK);
    uint32_t version = 0;
    c.GetVersion(&version);
    EXPECT_EQ(version, 2u);
    EXPECT_EQ(*c.NameText(kSubject), "2.5.4.6=DE, 2.5.4.10=Org, 2.5.4.3=Jane Doe");
    EXPECT_EQ(*c.NameText(kIssuer), *c.NameText(kSubject));
    std::string display;
    EXPECT_EQ(c.GetNameDisplayName(kSubject, display, 256), 1);
    EXPECT_EQ(display, "Jane Doe, Org");
    EXPECT_EQ(c.MatchNameAny(kSubject, "cn=Bob; cn=Jane*, c=DE"), 1);
    EXPECT_TRUE(c.selfIssued());
    EXPECT_EQ(c.IsCA(true), 1);
    EXPECT_FALSE(c.IsExpired());
    EXPECT_EQ(c.infoAlgorithm().text, "1.2.840.113549.1.1.11");
    EXPECT_EQ(c.HasExtension("2.5.29.14"), DER_OK);
    EXPECT_EQ(c.HasExtension("2.5.29.19"), DER_OK);

    std::string serial;
    ASSERT_EQ(Run("openssl x509 -inform DER -in c.der -noout -serial", &serial), 0);
    serial = ValueAfterEquals(serial);
    uint32_t value = 0;
    c.GetSerialNumber(&value);
    char low[9];
    std::snprintf(low, sizeof low, "%08X", value);
    EXPECT_EQ(serial.substr(serial.size() - 8), low);

    std::string modulus;
    ASSERT_EQ(Run("openssl x509 -inform DER -in c.der -noout -modulus", &modulus), 0);
    Bytes m(128);
    Bytes e(3);
    uint32_t ml = 128;
    uint32_t el = 3;
    ASSERT_EQ(c.GetPublicKey(m, &ml, e, &el), DER_OK);
    EXPECT_EQ(HexCompact(m), ValueAfterEquals(modulus));
    EXPECT_EQ(ToHex(e), "01 00 01");

    // Input with a trailing line break: the data is exactly the certificate.
    Bytes padded = der;
    padded.push_back('\n');
    DerCertificate d;
    ASSERT_EQ(d.Decode(padded), DER_OK);
    EXPECT_EQ(d.Equals(c), DER_OK);
    DerCertificate other;
    ASSERT_EQ(other.Assign(c), DER_OK);
    EXPECT_EQ(other.Equals(c), DER_OK);
    EXPECT_EQ(other.NameEquals(kSubject, c), 1);
    ASSERT_EQ(other.Assign(other), DER_OK);
    EXPECT_EQ(*other.NameText(kIssuer), *c.NameText(kIssuer));

    // The decoded info is handed out as it is, so its signature still verifies.
    Bytes info(der.size());
    uint32_t count = static_cast<uint32_t>(info.size());
    ASSERT_EQ(c.GetInfo(info, &count), DER_OK);
    info.resize(count);
    Bytes signature(128);
    uint32_t signatureLength = 128;
    std::string algorithm;
    ASSERT_EQ(c.GetSignature(algorithm, 64, signature, &signatureLength), DER_OK);
    testing::WriteFile(Path("info.der"), std::string(info.begin(), info.end()));
    testing::WriteFile(Path("sig.bin"), std::string(signature.begin(), signature.end()));
    ASSERT_EQ(Run("openssl x509 -inform DER -in c.der -pubkey -noout > pub.pem"), 0);
    EXPECT_EQ(Run("openssl dgst -sha256 -verify pub.pem -signature sig.bin info.der >/dev/null"),
              0);
}

TEST_F(OpensslCertificate, NonCaLeaf) {
    MakeKey();
    ASSERT_EQ(Run("openssl req -x509 -key k.pem -subj '/CN=Leaf/emailAddress=leaf@example.org' "
                  "-addext basicConstraints=critical,CA:FALSE -days 5 -outform DER -out c.der"),
              0);
    DerCertificate c;
    ASSERT_EQ(c.Decode(ReadBytes(Path("c.der"))), DER_OK);
    EXPECT_EQ(c.IsCA(false), 0);
    EXPECT_EQ(*c.NameText(kSubject), "2.5.4.3=Leaf, 1.2.840.113549.1.9.1=leaf@example.org");
    std::string mail;
    EXPECT_EQ(c.FindNameAttribute(kSubject, "1.2.840.113549.1.9.1", mail, 64), DER_OK);
    EXPECT_EQ(mail, "leaf@example.org");
    EXPECT_EQ(c.MatchName(kSubject, "e=*@example.org"), 0);
    EXPECT_EQ(c.MatchName(kSubject, "e=leaf@*"), 1);
}

TEST_F(OpensslCertificate, BuiltBySettersAndSignedVerifies) {
    MakeKey();
    ASSERT_EQ(Run("openssl rsa -in k.pem -pubout -outform DER -out pub.der 2>/dev/null"), 0);
    DerCertificate c;
    ASSERT_EQ(c.SetVersion(0), DER_OK);
    ASSERT_EQ(c.SetSerialNumber(0x1234), DER_OK);
    ASSERT_EQ(c.SetNameText(kIssuer, "C=DE,O=Org,CN=Built"), DER_OK);
    ASSERT_EQ(c.SetNameText(kSubject, "C=DE,O=Org,CN=Built"), DER_OK);
    ASSERT_EQ(c.SetValidity("260101000000Z", "360101000000Z"), DER_OK);
    ASSERT_EQ(c.SetPublicKeyInfo(ReadBytes(Path("pub.der"))), DER_OK);
    const Bytes none;
    ASSERT_EQ(c.SetSignature("1.2.840.113549.1.1.11", none), DER_OK);

    Bytes info(1024);
    uint32_t count = 1024;
    ASSERT_EQ(c.GetInfo(info, &count), DER_OK);
    testing::WriteFile(Path("info.der"), std::string(info.begin(), info.begin() + count));
    ASSERT_EQ(Run("openssl dgst -sha256 -sign k.pem -out sig.bin info.der"), 0);
    const Bytes signature = ReadBytes(Path("sig.bin"));
    ASSERT_EQ(c.SetSignature("1.2.840.113549.1.1.11", signature), DER_OK);

    Bytes der(2048);
    count = 2048;
    ASSERT_EQ(c.Encode(der, &count), DER_OK);
    testing::WriteFile(Path("built.der"), std::string(der.begin(), der.begin() + count));
    std::string text;
    ASSERT_EQ(Run("openssl x509 -inform DER -in built.der -noout -subject -serial", &text), 0);
    EXPECT_NE(text.find("CN = Built"), std::string::npos) << text;
    EXPECT_NE(text.find("serial=1234"), std::string::npos) << text;
    ASSERT_EQ(Run("openssl x509 -inform DER -in built.der -out built.pem"), 0);
    EXPECT_EQ(Run("openssl verify -CAfile built.pem -check_ss_sig built.pem >/dev/null 2>&1"), 0);

    // Too small an area fails and says where.
    count = 100;
    EXPECT_LT(c.Encode(der, &count), 0);
    EXPECT_TRUE(trace_.Has("DerCertificate - Failed to encode info"));
}

}  // namespace
}  // namespace orx
