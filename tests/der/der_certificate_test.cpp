#include "der/der_certificate.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "cert_test_support.h"
#include "der/cert_handle.h"
#include "der/cert_summary.h"
#include "der/der_result.h"

namespace orx {
namespace {

using testing::Cat;
using testing::FixedClock;
using testing::Hex;
using testing::Text;
using testing::Tlv;
using testing::ToHex;
using testing::TraceCapture;
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

    // Encoding gives back a certificate with the same fields.
    TraceCapture trace;
    Bytes out(600);
    uint32_t count = 600;
    ASSERT_EQ(c.Encode(out, &count), DER_OK);
    DerCertificate again;
    ASSERT_EQ(again.Decode(DerBytes(out.data(), count)), DER_OK);
    EXPECT_EQ(*again.NameText(kIssuer), "2.5.4.3=Root");
    EXPECT_EQ(again.extension(1).text, "2.5.29.15");
    EXPECT_EQ(ToHex(again.extension(1).value), "04 04 03 02 05 A0");
    EXPECT_EQ(again.IsCA(true), 1);
    count = 100;
    EXPECT_LT(c.Encode(out, &count), 0);
    EXPECT_TRUE(trace.Has("DerCertificate - Failed to encode info"));
    Bytes info(600);
    count = 600;
    ASSERT_EQ(c.GetInfo(info, &count), DER_OK);
    EXPECT_EQ(count, c.info().size());
    count = static_cast<uint32_t>(c.info().size() - 1);
    EXPECT_EQ(c.GetInfo(info, &count), DER_BUFFER_TOO_SMALL);

    // Version 1 is written without the version field and the extensions.
    ASSERT_EQ(again.SetVersion(0), DER_OK);
    Bytes v1Bytes(600);  // not `out`: the fields of `again` point into it
    count = 600;
    ASSERT_EQ(again.Encode(v1Bytes, &count), DER_OK);
    DerCertificate v1;
    ASSERT_EQ(v1.Decode(DerBytes(v1Bytes.data(), count)), DER_OK);
    v1.GetVersion(&version);
    EXPECT_EQ(version, 0u);
    EXPECT_EQ(ToHex(v1Bytes).find("A0 03 02 01"), std::string::npos);
    EXPECT_EQ(ToHex(v1Bytes).find("55 1D 0F"), std::string::npos);  // key usage left out
    EXPECT_EQ(*v1.NameText(kSubject), "2.5.4.3=Root");

    // Assigning, even to itself, decodes a copy of the data.
    DerCertificate other;
    ASSERT_EQ(other.Assign(c), DER_OK);
    EXPECT_EQ(other.Equals(c), DER_OK);
    EXPECT_EQ(other.NameEquals(kSubject, c), 1);
    ASSERT_EQ(other.Assign(other), DER_OK);
    EXPECT_EQ(other.Equals(c), DER_OK);
    EXPECT_EQ(*other.NameText(kIssuer), "2.5.4.3=Root");
    EXPECT_EQ(other.Equals(DerCertificate()), DER_FAILED);
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
    const CertHandle handle =
        CertCreate(Certificate(V3Info(Name("I"), Name("S"), Tlv(0xA3, Tlv(0x30, list)))));
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->certificate.extension(31).text, "1.2.3.31");
    EXPECT_EQ(handle->certificate.HasExtension("1.2.3.32"), DER_FAILED);
    const std::string summary = CertSummary(*handle);
    size_t lines = 0;
    for (size_t at = 0; (at = summary.find("\nextension: ", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_EQ(lines, kMaxExtensions);
}

TEST(DerCertificate, ExpiredFlag) {
    struct Case {
        const char* notAfter;
        long long now;
        bool expired;
    };
    // 2026-11-30, 2049-12-31 23:59:59, 2050-01-01 and 2100-12-31.
    const Case cases[] = {
        {"491231235959Z", 1796000000, false},
        {"251231235959Z", 1796000000, true},
        {"20001231235959Z", 1796000000, true},
        {"20991231235959Z", 1796000000, false},
        {"20991231235959Z", 4133894400, true},
        // Two-digit years: the century is not compared.
        {"491231235959Z", 2524607999, false},
        {"491231235959Z", 2524608000, true},
        {"991231235959Z", 4133894400, false},
        {"491231235959", 1796000000, false},  // no Z: never expired
    };
    FixedClock clock;
    for (const auto& c : cases) {
        clock.Set(c.now);
        DerCertificate cert;
        ASSERT_EQ(cert.Decode(Certificate(V3Info(Name("I"), Name("S"), {}, Validity(c.notAfter)))),
                  DER_OK)
            << c.notAfter;
        EXPECT_EQ(cert.IsExpired(), c.expired) << c.notAfter;
    }
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

}  // namespace
}  // namespace orx
