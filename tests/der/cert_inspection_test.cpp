#include "der/cert_inspection.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "cert_test_support.h"
#include "core/base64.h"

namespace orx {
namespace {

using namespace orx::testing;

CertHandle Make(const CertParts& parts) {
    const Bytes der = MakeCertificate(parts);
    CertHandle handle = CertCreate(der);
    EXPECT_TRUE(handle);
    return handle;
}

struct MailCase {
    const char* title;
    Bytes subject;
    std::vector<Bytes> extensions;
    const char* email;  // nullptr: none found
    const char* principal;
};

const Bytes kSubjectWithMail = Name({Rdn({Attribute(kOidCommonName, "Jane")}),
                                     Rdn({Attribute(kOidEmail, "jane@subject.example", 0x16)})});

TEST(CertEmail, AddressAndPrincipalName) {
    const MailCase cases[] = {
        {"no address anywhere", CommonName("Jane"), {}, nullptr, nullptr},
        {"subject attribute wins over the alternative name",
         kSubjectWithMail,
         {SubjectAltName(
             {Rfc822Name("other@alt.example"), OtherName(kOidUpn, "jane@corp.example")})},
         "jane@subject.example",
         "jane@corp.example"},
        {"subject attribute is no principal name",
         kSubjectWithMail,
         {},
         "jane@subject.example",
         nullptr},
        // The value ends at the next ",", so an attribute behind " + " stays.
        {"multi-valued RDN keeps the next attribute",
         Name({Rdn({Attribute(kOidEmail, "a@b.example", 0x16), Attribute(kOidCommonName, "Jane")}),
               Rdn({Attribute(Hex("06 03 55 04 0A"), "Org")})}),
         {},
         "a@b.example + 2.5.4.3=Jane",
         nullptr},
        {"first rfc822Name behind other names",
         CommonName("Jane"),
         {SubjectAltName({OtherName(kOidUpn, "jane@corp.example"), Rfc822Name("first@alt.example"),
                          Rfc822Name("second@alt.example")})},
         "first@alt.example",
         "jane@corp.example"},
        {"first otherName is no principal name",
         CommonName("Jane"),
         {SubjectAltName({OtherName(Hex("06 03 2A 03 04"), "not a upn"),
                          OtherName(kOidUpn, "late@corp.example")})},
         nullptr,
         nullptr},
        {"DNS names are stepped over",
         CommonName("Jane"),
         {SubjectAltName(
             {Tlv(0x82, Text("host.example")), OtherName(kOidUpn, "jane@corp.example")})},
         nullptr,
         "jane@corp.example"},
        {"empty alternative name", CommonName("Jane"), {SubjectAltName({})}, nullptr, nullptr},
        {"broken element ends the walk",
         CommonName("Jane"),
         {Extension("55 1D 11", Cat({Hex("30 07"), Tlv(0x82, Text("h")), Hex("81 7F 61 62")}))},
         nullptr,
         nullptr},
    };
    for (const MailCase& c : cases) {
        SCOPED_TRACE(c.title);
        const CertHandle handle = Make({.subject = c.subject, .extensions = c.extensions});
        ASSERT_TRUE(handle);
        for (const bool email : {true, false}) {
            const char* expected = email ? c.email : c.principal;
            std::string out = "left over";
            EXPECT_EQ(CertGetEmail(handle.get(), out, 256, email), expected != nullptr) << email;
            EXPECT_EQ(out, expected ? expected : "") << email;
            // The codec's own form answers the same.
            std::string direct = "left over";
            EXPECT_EQ(handle->certificate.GetEmail(direct, 256, email), expected ? 0 : -1);
            EXPECT_EQ(direct, out);
        }
    }
}

TEST(CertEmail, CutToCapacityAndNullHandle) {
    CertParts parts;
    parts.extensions = {SubjectAltName({Rfc822Name("abcdef@x.example")})};
    const CertHandle handle = Make(parts);
    std::string out;
    EXPECT_TRUE(CertGetEmail(handle.get(), out, 7, true));
    EXPECT_EQ(out, "abcdef");
    out = "x";
    EXPECT_FALSE(CertGetEmail(nullptr, out, 64, true));
    EXPECT_EQ(out, "");
}

struct UsageCase {
    const char* title;
    Bytes extension;  // empty: no extended key usage
    bool smartCardLogon;
    bool clientAuth;
    bool logonListed = smartCardLogon;  // the general look-up reads any list it can walk
};

TEST(CertUsage, SmartCardLogonAndExtendedKeyUsage) {
    const UsageCase cases[] = {
        {"no extension", {}, false, false},
        {"logon after client auth", ExtendedKeyUsage({kOidClientAuth, kOidSmartCardLogon}), true,
         true},
        {"client auth only", ExtendedKeyUsage({kOidClientAuth}), false, true},
        {"empty list", ExtendedKeyUsage({}), false, false},
        // A prefix of the logon purpose is another purpose.
        {"shorter identifier", ExtendedKeyUsage({Hex("06 09 2B 06 01 04 01 82 37 14 02")}), false,
         false},
        // The logon test stops at a non-identifier and wants an OCTET STRING holding
        // a SEQUENCE.
        {"no identifier", ExtendedKeyUsage({Hex("02 01 05"), kOidSmartCardLogon}), false, false,
         true},
        {"set", Extension("55 1D 25", Tlv(0x31, kOidSmartCardLogon)), false, false, true},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.title);
        CertParts parts;
        if (!c.extension.empty())
            parts.extensions = {c.extension};
        const CertHandle handle = Make(parts);
        ASSERT_TRUE(handle);
        EXPECT_EQ(handle->certificate.HasSmartCardLogon(), c.smartCardLogon);
        EXPECT_EQ(handle->certificate.HasExtendedKeyUsage("1.3.6.1.5.5.7.3.2"), c.clientAuth);
        EXPECT_EQ(handle->certificate.HasExtendedKeyUsage(kSmartCardLogonUsage), c.logonListed);
    }
}

long long Epoch(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return static_cast<long long>(timegm(&t));
}

struct TimeCase {
    const char* title;
    const char* notBefore;
    const char* notAfter;
    long long now;
    bool valid;
};

TEST(CertTime, ValidToTheSecond) {
    const long long noon = Epoch(2030, 6, 15, 12, 0, 0);
    const TimeCase cases[] = {
        {"until this very second", "200101000000Z", "300615120000Z", noon, true},
        {"one second later", "200101000000Z", "300615120000Z", noon + 1, false},
        {"from this very second", "300615120000Z", "400101000000Z", noon, true},
        {"one second earlier", "300615120000Z", "400101000000Z", noon - 1, false},
        {"generalized time expired", "19900101000000Z", "20300615120000Z", noon + 1, false},
        {"generalized time not yet valid", "20600101000000Z", "20700101000000Z", noon, false},
        // Two kinds of time cannot be compared, so the certificate counts as valid.
        {"UTC and generalized time", "200101000000Z", "20300101000000Z", Epoch(2040, 1, 1, 0, 0, 0),
         true},
    };
    {
        FixedClock clock;
        for (const TimeCase& c : cases) {
            const CertHandle handle = Make({.notBefore = c.notBefore, .notAfter = c.notAfter});
            ASSERT_TRUE(handle);
            clock.Set(c.now);
            EXPECT_EQ(CertIsTimeValid(handle.get()), c.valid) << c.title;
        }
    }
    EXPECT_TRUE(CertIsTimeValid(nullptr));  // not known to be invalid
}

TEST(CertValidity, StoredTextsDatesAndCapacities) {
    CertParts parts;
    parts.notBefore = "991231235959Z";
    parts.notAfter = "20510101000000Z";
    const CertHandle handle = Make(parts);
    std::string before;
    std::string after;
    ASSERT_TRUE(CertGetValidity(handle.get(), before, 32, after, 32, false));
    EXPECT_EQ(before, "991231235959Z");
    EXPECT_EQ(after, "20510101000000Z");
    ASSERT_TRUE(CertGetValidity(handle.get(), before, 32, after, 32, true));
    EXPECT_EQ(before, "1999-12-31");
    EXPECT_EQ(after, "2051-01-01");
    // Each capacity must exceed its text.
    EXPECT_FALSE(CertGetValidity(handle.get(), before, 13, after, 32, false));
    EXPECT_FALSE(CertGetValidity(handle.get(), before, 32, after, 15, false));
    EXPECT_TRUE(CertGetValidity(handle.get(), before, 14, after, 16, false));
    EXPECT_FALSE(CertGetValidity(nullptr, before, 32, after, 32, false));
}

TEST(CertHandle, SameCertificateFromDerBase64AndPem) {
    const Bytes der = MakeCertificate({});
    const std::string base64 = Base64Encode(der);
    std::string pem = "-----BEGIN CERTIFICATE-----\n";
    for (size_t i = 0; i < base64.size(); i += 64)
        pem += base64.substr(i, 64) + "\n";
    pem += "-----END CERTIFICATE-----\n";

    const CertHandle fromDer = CertCreate(der);
    const CertHandle fromBase64 = CertCreate(std::string_view(base64));
    const CertHandle fromPem = CertCreate(std::string_view(pem));
    ASSERT_TRUE(fromDer && fromBase64 && fromPem);
    EXPECT_TRUE(CertEqual(fromDer.get(), fromBase64.get()));
    EXPECT_TRUE(CertEqual(fromDer.get(), fromPem.get()));
    DerBytes data;
    ASSERT_TRUE(CertGetData(fromPem.get(), &data));
    EXPECT_EQ(Bytes(data.begin(), data.end()), der);
    EXPECT_EQ(fromPem->ownerSlotId, 0);
}

TEST(CertHandle, CloneFreeAndAbsentCertificates) {
    CertHandle handle = CertCreate(MakeCertificate({}));
    ASSERT_TRUE(handle);
    handle->ownerSlotId = 7;
    CertHandle clone = CertClone(handle);
    ASSERT_TRUE(clone);
    EXPECT_EQ(clone->ownerSlotId, 0);
    EXPECT_TRUE(CertEqual(handle.get(), clone.get()));
    EXPECT_EQ(*clone->certificate.NameText(kSubject), "2.5.4.3=Jane");
    CertFree(handle);
    EXPECT_FALSE(handle);
    CertFree(handle);
    EXPECT_FALSE(CertClone(handle));
    EXPECT_FALSE(CertEqual(nullptr, clone.get()));
    EXPECT_FALSE(CertEqual(nullptr, nullptr));

    EXPECT_FALSE(CertCreate(Bytes{}));
    EXPECT_FALSE(CertCreate(std::string_view("MAA=")));  // an empty SEQUENCE
    EXPECT_FALSE(CertCreate(std::string_view("-----BEGIN CERTIFICATE-----\n-----END")));
    EXPECT_FALSE(CertCreate(std::string_view("plain text")));
    // Base64 text that decodes to nothing is read as it is, and is no certificate.
    EXPECT_FALSE(CertCreate(std::string_view("M")));
}

TEST(CertHandle, FlagsDisplayNameAndExtensions) {
    CertParts parts;
    parts.subject = Name({Rdn({Attribute(Hex("06 03 55 04 0A"), "Org")}),
                          Rdn({Attribute(kOidCommonName, "Jane Doe")})});
    parts.extensions = {Extension("55 1D 13", Hex("30 03 01 01 FF"))};
    const CertHandle handle = Make(parts);
    EXPECT_TRUE(CertIsCA(handle.get()));
    EXPECT_FALSE(CertIsCA(nullptr));
    std::string display;
    EXPECT_TRUE(CertGetSubjectDisplayName(handle.get(), display, 64));
    EXPECT_EQ(display, "Jane Doe, Org");
    EXPECT_FALSE(CertGetSubjectDisplayName(nullptr, display, 64));
    EXPECT_EQ(display, "");
    EXPECT_TRUE(NameTextDisplayName("2.5.4.41=Nick, 2.5.4.3=Jane", display, 64));
    EXPECT_EQ(display, "Nick");

    DerBytes value;
    ASSERT_TRUE(CertGetExtension(handle.get(), "2.5.29.19", &value));
    EXPECT_EQ(ToHex(value), "04 05 30 03 01 01 FF");
    EXPECT_FALSE(CertGetExtension(handle.get(), "2.5.29.1", &value));
    EXPECT_EQ(value.data(), nullptr);
    EXPECT_FALSE(CertGetExtension(nullptr, "2.5.29.19", &value));
}

}  // namespace
}  // namespace orx
