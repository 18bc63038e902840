#include "der/der_extension_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cert_test_support.h"
#include "der/der_certificate.h"
#include "der/der_name_text.h"
#include "der/der_result.h"

namespace orx {
namespace {

using namespace orx::testing;

// Hand-made values for what openssl's text and the viewer's fixtures do not cover.
TEST(ExtensionText, ValuesBeyondTheFixtures) {
    struct Case {
        const char* oid;
        std::vector<uint8_t> value;
        bool ok;
        const char* text;
    } cases[] = {
        // IPv6 and a directory name in the alternative names.
        {"2.5.29.17",
         {0x30, 0x22, 0x87, 0x10, 0x20, 0x01, 0x0d, 0xb8, 0,    0,    0,    0,
          0,    0,    0,    0,    0,    0,    0,    1,    0xA4, 0x0E, 0x30, 0x0C,
          0x31, 0x0A, 0x30, 0x08, 0x06, 0x03, 0x55, 0x04, 0x03, 0x0C, 0x01, 'X'},
         true,
         "IP Address:2001:db8::1, DirName:CN=X"},
        // An otherName that is no principal name keeps only its type.
        {"2.5.29.17",
         {0x30, 0x0D, 0xA0, 0x0B, 0x06, 0x03, 0x2A, 0x03, 0x04, 0xA0, 0x04, 0x0C, 0x02, 'h', 'i'},
         true,
         "othername:1.2.3.4"},
        // The decipher-only bit lives in the second byte.
        {"2.5.29.15", {0x03, 0x03, 0x07, 0x80, 0x80}, true, "Digital Signature, Decipher Only"},
        {"2.5.29.15", {0x03, 0x01, 0x00}, true, ""},
        {"2.5.29.15", {0x03, 0x00}, false, ""},
        {"2.5.29.15", {0x04, 0x01, 0x00}, false, ""},
        {"2.5.29.19", {0x30, 0x00}, true, "CA:FALSE"},
        {"2.5.29.19", {0x30, 0x06, 0x01, 0x01, 0xFF, 0x02, 0x01, 0x03}, true, "CA:TRUE, pathlen:3"},
        {"2.5.29.19", {0x30, 0x03, 0x04, 0x01, 0x00}, false, ""},
        {"2.5.29.37", {0x30, 0x04, 0x06, 0x02, 0x2A, 0x03}, true, "1.2.3"},
        {"2.5.29.37", {0x30, 0x05, 0x06, 0x09, 0x2A}, false, ""},
        {"2.5.29.35", {0x30, 0x04, 0x80, 0x02, 0xAB, 0xCD}, true, "AB:CD"},
        {"2.5.29.17", {0x30, 0x04, 0x82, 0x09, 'a', 'b'}, false, ""},
        {"1.2.3.4", {0x05, 0x00}, false, ""},
        // A principal name, a registered identifier (implicitly tagged) and a choice
        // that has no text of its own, shown as its bytes.
        {"2.5.29.17",
         Hex("30 1E A0 14 06 0A 2B 06 01 04 01 82 37 14 02 03 A0 06 0C 04 6A 40 78 79"
             "   88 03 2A 03 04   83 01 AA"),
         true, "UPN:j@xy, Registered ID:1.2.3.4, 83:01:AA"},
        {"2.5.29.35", Hex("30 08 80 02 AB CD 82 02 01 02"), true, "AB:CD, serial:01:02"},
        {"2.5.29.14", Hex("04 02 0F F0"), true, "0F:F0"},
        // Cut short or claiming more than there is: never read beyond, never text.
        {"2.5.29.19", Hex("30 06 01 01 FF"), false, ""},
        {"2.5.29.37", Hex("30 04 06 02 2A"), false, ""},
        {"2.5.29.14", Hex("04 84 FF FF FF FF AA"), false, ""},
        {"2.5.29.17", Hex("30 06 A0 04 06 02 2A 03"), false, ""},  // otherName without value
        {"2.5.29.17", Hex("30 03 A4 01 30"), false, ""},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(ExtensionValueText(c.oid, c.value, text), c.ok) << c.oid << " " << c.text;
        if (c.ok) {
            EXPECT_EQ(text, c.text);
        }
    }
}

TEST(ExtensionText, ReadableNamesKeepValuesWhole) {
    const std::pair<const char*, const char*> cases[] = {
        {"2.5.4.6=SE, 2.5.4.3=Jane", "C=SE, CN=Jane"},
        {"2.5.4.3=Jane + 2.5.4.5=42", "CN=Jane + SERIALNUMBER=42"},
        {"2.5.4.10=Doe, Jane and Sons, 2.5.4.3=x", "O=Doe, Jane and Sons, CN=x"},
        {"1.2.3.4=odd=value", "1.2.3.4=odd=value"},
        {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ReadableName(in), out) << in;
}

// The directory search's shortcut to the subject reads the same name as the whole
// decoder, and nothing from a certificate whose fields are not where they belong.
TEST(CertificateSubject, ShortcutAgreesWithTheDecoder) {
    const Bytes v3 = MakeCertificate({.subject = CommonName("Jane")});
    const Bytes issuer = CommonName("Issuer CA");
    const Bytes algorithm = Hex("30 0D 06 09 2A 86 48 86 F7 0D 01 01 0B 05 00");
    const Bytes validity = Tlv(0x30, Cat({Time("200101000000Z"), Time("491231235959Z")}));
    const Bytes key = Hex(
        "30 1C 30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00 03 0B 00 30 08 02 03 00 C5 01 02 01 "
        "03");
    auto certificate = [&](const Bytes& info) {
        return Tlv(0x30, Cat({Tlv(0x30, info), algorithm, Hex("03 03 00 AB CD")}));
    };
    const Bytes v1 = certificate(
        Cat({Hex("02 01 07"), algorithm, issuer, validity, CommonName("Version One"), key}));
    Bytes cut = v3;
    cut.resize(60);
    const struct {
        const char* title;
        Bytes der;
        const char* subject;  // nullptr: refused
    } cases[] = {
        {"version 3", v3, "2.5.4.3=Jane"},
        {"version 1 without its version field", v1, "2.5.4.3=Version One"},
        {"serial number that is no INTEGER",
         certificate(Cat({Hex("04 01 07"), algorithm, issuer, validity, CommonName("Odd"), key})),
         nullptr},
        {"validity missing",
         certificate(Cat({Hex("02 01 07"), algorithm, issuer, CommonName("Short"), key})), nullptr},
        {"cut short", cut, nullptr},
        {"no certificate", Hex("04 02 30 00"), nullptr},
        {"nothing", {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        std::string text = "stale";
        ASSERT_EQ(DerCertificateSubjectText(c.der, text), c.subject != nullptr);
        if (c.subject == nullptr)
            continue;
        EXPECT_EQ(text, c.subject);
        DerCertificate decoded;
        ASSERT_EQ(decoded.Decode(c.der), DER_OK);
        EXPECT_EQ(decoded.NameText(kSubject), text);
    }
}

}  // namespace
}  // namespace orx
