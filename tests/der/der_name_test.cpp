#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "der/der_certificate.h"
#include "der/der_name_match.h"
#include "der/der_name_text.h"
#include "der/der_result.h"
#include "der_test_support.h"

namespace orx {
namespace {

using testing::Hex;
using testing::ToHex;
using testing::TraceCapture;

const char* kJane =
    "30 2E 31 0B 30 09 06 03 55 04 06 13 02 44 45 31 0C 30 0A 06 03 55 04 0A 0C 03 4F 72 67 "
    "31 11 30 0F 06 03 55 04 03 0C 08 4A 61 6E 65 20 44 6F 65";

struct NameCase {
    const char* der;
    int rc;
    const char* text;
    const char* line;  // trace line expected, or nullptr
};

TEST(DerNameToText, Vectors) {
    TraceCapture trace;
    const NameCase cases[] = {
        {kJane, DER_OK, "2.5.4.6=DE, 2.5.4.10=Org, 2.5.4.3=Jane Doe", nullptr},
        // Two attributes in one SET.
        {"30 2D 31 0B 30 09 06 03 55 04 06 13 02 44 45 31 1E 30 0F 06 03 55 04 03 0C 08 4A 61 6E "
         "65 20 44 6F 65 30 0B 06 03 55 04 05 13 04 31 32 33 34",
         DER_OK, "2.5.4.6=DE, 2.5.4.3=Jane Doe + 2.5.4.5=1234", nullptr},
        // BMPString 00 41 00 E5.
        {"30 0F 31 0D 30 0B 06 03 55 04 03 1E 04 00 41 00 E5", DER_OK, "2.5.4.3=A\xC3\xA5",
         nullptr},
        // T61String read as Windows-1252: E9 is e acute, 80 the euro sign.
        {"30 11 31 0F 30 0D 06 03 55 04 03 14 06 4A 6F 73 E9 20 80", DER_OK,
         "2.5.4.3=Jos\xC3\xA9 \xE2\x82\xAC", nullptr},
        // An empty value contributes nothing; its separators stay.
        {"30 24 31 0B 30 09 06 03 55 04 06 13 02 44 45 31 09 30 07 06 03 55 04 0A 13 00 31 0A 30 "
         "08 06 03 55 04 03 13 01 58",
         DER_OK, "2.5.4.6=DE, , 2.5.4.3=X", nullptr},
        // So does an attribute without a value.
        {"30 15 31 07 30 05 06 03 55 04 03 31 0A 30 08 06 03 55 04 03 13 01 58", DER_OK,
         ", 2.5.4.3=X", nullptr},
        {"30 00", DER_OK, "", nullptr},
        {"30 0C 30 0A 30 08 06 03 55 04 03 13 01 58", DER_BAD_TAG, "",
         "DerCertificate - Failed to decode RDN, not SET"},
        {"30 0C 31 0A 31 08 06 03 55 04 03 13 01 58", DER_BAD_TAG, "",
         "DerCertificate - Failed to decode RDN, not SEQUENCE"},
        {"30 0C 31 0A 30 08 04 03 55 04 03 13 01 58", DER_BAD_TAG, "",
         "DerCertificate - Failed to decode RDN, not OID"},
        // A BMPString of odd length is refused, not read past its end.
        {"30 0E 31 0C 30 0A 06 03 55 04 03 1E 03 00 41 00", DER_BUFFER_TOO_SMALL, "",
         "DerCertificate - Invalid length for decoding text"},
        // The first failure ends the walk and keeps what was written.
        {"30 15 31 0A 30 08 06 03 55 04 03 13 01 58 30 07 06 03 55 04 03 13 00", DER_BAD_TAG,
         "2.5.4.3=X, ", "DerCertificate - Failed to decode RDN, not SET"},
        {"30 2F 31 0B", DER_BAD_LENGTH, "", "DerCertificate - Failed to decode RDN top sequence"},
        {"30 05 31 07 30 05 06", DER_BAD_LENGTH, "", "Der - Invalid length encoding"},
        {"30 07 31 05 30 03 06 05 55", DER_BAD_LENGTH, "", "Der - Invalid length encoding"},
        {"30 0A 31 08 30 06 06 03 55 04 03 13", DER_BAD_LENGTH, "",
         "Der - Invalid length encoding"},
    };
    for (const auto& c : cases) {
        trace.Reset();
        std::string text = "stale";
        EXPECT_EQ(DerNameToText(Hex(c.der), text, 256), c.rc) << c.der;
        EXPECT_EQ(text, c.text) << c.der;
        if (c.line) {
            EXPECT_TRUE(trace.Has(c.line)) << c.line << "\n" << trace.Text();
        }
    }
}

TEST(DerNameToText, LongFormValuesAreRefused) {
    std::vector<uint8_t> value(130, 'a');
    std::vector<uint8_t> name = Hex("30 81 90 31 81 8D 30 81 8A 06 03 55 04 03 0C 81 82");
    name.insert(name.end(), value.begin(), value.end());
    std::string text;
    EXPECT_EQ(DerNameToText(name, text, 1000), DER_BUFFER_TOO_SMALL);
}

TEST(DerNameToText, CapacityRule) {
    const auto name = Hex(kJane);
    std::string text;
    // The last attribute asks for more room than its text needs: its value element
    // (10 bytes) plus twice its identifier element (5 bytes) plus one, behind 26.
    EXPECT_EQ(DerNameToText(name, text, 48), DER_OK);
    EXPECT_EQ(text, "2.5.4.6=DE, 2.5.4.10=Org, 2.5.4.3=Jane Doe");
    EXPECT_EQ(DerNameToText(name, text, 47), DER_BUFFER_TOO_SMALL);
    EXPECT_EQ(text, "2.5.4.6=DE, 2.5.4.10=Org, ");
    EXPECT_EQ(DerNameToText(name, text, 0), DER_BUFFER_TOO_SMALL);
    // A T61 value that triples in conversion must still fit what is left.
    const auto euros = Hex("30 0F 31 0D 30 0B 06 03 55 04 03 14 04 80 80 80 80");
    EXPECT_EQ(DerNameToText(euros, text, 20), DER_BUFFER_TOO_SMALL);
    EXPECT_EQ(DerNameToText(euros, text, 21), DER_OK);
    EXPECT_EQ(text.size(), 20u);
}

TEST(DecodeNameValue, LengthsAndCapacity) {
    TraceCapture trace;
    std::string text;
    uint32_t count = 4;
    EXPECT_EQ(DecodeNameValue(Hex("13 04 41 42 43 44"), text, &count), DER_BUFFER_TOO_SMALL);
    EXPECT_TRUE(trace.Has("DerCertificate - Buffer too small"));
    count = 5;
    ASSERT_EQ(DecodeNameValue(Hex("13 04 41 42 43 44"), text, &count), DER_OK);
    EXPECT_EQ(text, "ABCD");
    EXPECT_EQ(count, 4u);
    const char* bad[] = {"13", "13 05 41 42", "13 81 01 41", "1E 01 41", ""};
    for (const char* b : bad) {
        trace.Reset();
        count = 100;
        EXPECT_EQ(DecodeNameValue(Hex(b), text, &count), DER_BAD_LENGTH) << b;
        EXPECT_TRUE(trace.Has("DerCertificate - Invalid length for decoding text")) << b;
    }
}

struct EncodeCase {
    const char* text;
    const char* der;
};

TEST(EncodeNameValue, StringTypes) {
    const EncodeCase cases[] = {
        {"Org", "13 03 4F 72 67"},
        {"", "13 00"},
        {"Jos\xC3\xA9", "14 04 4A 6F 73 E9"},  // Windows-1252 bytes in a T61String
        {"\xE2\x82\xAC", "14 01 80"},
        {"\xD0\x94", "0C 02 D0 94"},  // no Windows-1252 byte: UTF8String
        {"\xC3", "0C 01 C3"},         // not UTF-8 at all: kept as it is
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> area(64);
        uint32_t count = 64;
        ASSERT_EQ(EncodeNameValue(c.text, area, &count), DER_OK) << c.text;
        EXPECT_EQ(ToHex(area.data(), count), c.der);
        std::string back;
        uint32_t capacity = 64;
        ASSERT_EQ(DecodeNameValue(DerBytes(area.data(), count), back, &capacity), DER_OK);
        EXPECT_EQ(back, c.text);
    }
}

TEST(EncodeNameValue, Limits) {
    TraceCapture trace;
    std::vector<uint8_t> area(200);
    uint32_t count = 200;
    EXPECT_EQ(EncodeNameValue(std::string(125, 'a'), area, &count), DER_OK);
    count = 200;
    EXPECT_EQ(EncodeNameValue(std::string(126, 'a'), area, &count), DER_BAD_LENGTH);
    EXPECT_TRUE(trace.Has("DerCertificate - Invalid length for encoding text"));
    count = 5;
    EXPECT_EQ(EncodeNameValue("abcd", area, &count), DER_BAD_LENGTH);
    count = 6;
    EXPECT_EQ(EncodeNameValue("abcd", area, &count), DER_OK);
}

TEST(DerTextToName, Vectors) {
    TraceCapture trace;
    const EncodeCase cases[] = {
        {"CN=Jane,O=Org",
         "30 1D 31 0D 30 0B 06 03 55 04 03 13 04 4A 61 6E 65 31 0C 30 0A 06 03 55 04 0A 13 03 4F "
         "72 67"},
        {"O=Org+CN=X",
         "30 18 31 16 30 0A 06 03 55 04 0A 13 03 4F 72 67 30 08 06 03 55 04 03 13 01 58"},
        {"", "30 00"},
        {"2.5.4.3", "30 09 31 07 30 05 06 03 55 04 03"},  // no "=": no value element
        {"2.5.4.3=", "30 0B 31 09 30 07 06 03 55 04 03 13 00"},
        {"2.5.4.3=a=b", "30 0E 31 0C 30 0A 06 03 55 04 03 13 03 61 3D 62"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> element;
        ASSERT_EQ(DerTextToName(c.text, element), DER_OK) << c.text;
        EXPECT_EQ(ToHex(element), c.der) << c.text;
    }

    // The blank after ", " becomes part of the next key.
    std::vector<uint8_t> element;
    ASSERT_EQ(DerTextToName("CN=Jane, O=Org", element), DER_OK);
    EXPECT_EQ(
        ToHex(element),
        "30 1A 31 0D 30 0B 06 03 55 04 03 13 04 4A 61 6E 65 31 09 30 07 06 00 13 03 4F 72 67");
    EXPECT_TRUE(trace.Has("Der - Bad oid: ' O'"));

    EXPECT_EQ(DerTextToName("CN=" + std::string(126, 'x'), element), DER_BAD_LENGTH);
    EXPECT_EQ(DerTextToName("1.2.99999999999=x", element), DER_FAILED);
}

struct MatchCase {
    const char* pattern;
    const char* value;
    bool match;
};

TEST(MatchValue, Table) {
    // A star or a question mark on the name's side works the same way.
    const MatchCase cases[] = {
        {"Jan*", "Jane Doe", true},
        {"J?ne Doe", "Jane Doe", true},
        {"jane doe", "Jane Doe", false},
        {"Jane Doe", "Jane Doe", true},
        {"  Jane Doe  ", "Jane Doe ", true},
        {"Jane", "Jane Doe", false},
        {"Jane Doe", "Jane", false},
        {"Jane Doe", "Jan*", true},
        {"*", "anything", true},
        {"", "", true},
        {"", "x", false},
        {"Jane Doe X*", "Jane Doe", false},
        {"????", "Jane", true},
        {"Jane", "J??e", true},
        {"J\xC3\xA9*", "J\xC3\xA9r\xC3\xB4me", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchValue(c.pattern, c.value), c.match) << c.pattern << " / " << c.value;
    }
}

TEST(GetObjectIdentifier, Table) {
    TraceCapture trace;
    const EncodeCase cases[] = {
        {"Cn", "2.5.4.3"},
        {"sn", "2.5.4.4"},  // the surname here, unlike the encoder's serial number
        {"E", "1.2.840.113549.1.9.1"},
        {"serialnumber", "2.5.4.5"},
        {"OID.2.5.4.3", "2.5.4.3"},
        {"oid.1.2.3", "1.2.3"},
        {"2.5.4.97", "2.5.4.97"},
        {"1.2.840.113549.1.9.1.1.1.1.1.1.1.1.1", "1.2.840.113549.1.9.1.1.1.1.1.1."},  // cut to 31
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetObjectIdentifier(c.text, kMatchTypeCapacity), c.der) << c.text;
    }
    EXPECT_EQ(trace.Text().find("GetObjectIdentifier"), std::string::npos);
    EXPECT_EQ(GetObjectIdentifier("email", kMatchTypeCapacity), "email");
    EXPECT_TRUE(trace.Has("GetObjectIdentifier - Bad oid: 'email'"));
}

class SubjectJane : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(cert_.SetNameText(kSubject, "C=DE,O=Org,CN=Jane Doe,SN=1234"), DER_OK);
        ASSERT_EQ(cert_.SetNameText(kIssuer, "O=Org+CN=X"), DER_OK);
    }
    DerCertificate cert_;
};

// The rules of the look-ups on name texts are the text fields' own; here they are
// reached through the certificate's names.
TEST_F(SubjectJane, TextsAttributesAndDisplayNames) {
    std::string text;
    ASSERT_EQ(cert_.GetNameText(kSubject, text, 256), DER_OK);
    EXPECT_EQ(text, "2.5.4.6=DE, 2.5.4.10=Org, 2.5.4.3=Jane Doe, 2.5.4.5=1234");
    EXPECT_EQ(cert_.NameText(kSubject), text);
    ASSERT_EQ(cert_.GetNameText(kIssuer, text, 256), DER_OK);
    EXPECT_EQ(text, "2.5.4.10=Org + 2.5.4.3=X");

    std::string value;
    ASSERT_EQ(cert_.FindNameAttribute(kIssuer, "2.5.4.10", value, 64), DER_OK);
    EXPECT_EQ(value, "Org");  // the blank before "+" dropped
    EXPECT_EQ(cert_.FindNameAttribute(kSubject, "2.5.4.3", value, 8), DER_BUFFER_TOO_SMALL);
    ASSERT_EQ(cert_.FindNameAttribute(kSubject, "2.5.4.3", value, 9), DER_OK);
    EXPECT_EQ(value, "Jane Doe");
    EXPECT_EQ(cert_.FindNameAttribute(kSubject, "2.5.4.7", value, 64), DER_FAILED);
    EXPECT_EQ(cert_.FindNameAttribute(kSubject, "1234", value, 64), DER_FAILED);  // no "=" behind

    EXPECT_EQ(cert_.GetNameDisplayName(kSubject, value, 256), 1);
    EXPECT_EQ(value, "Jane Doe, 1234, Org");
    EXPECT_EQ(cert_.GetNameDisplayName(kIssuer, value, 256), 1);
    EXPECT_EQ(value, "X, Org");
    DerCertificate other;
    ASSERT_EQ(other.SetNameText(kSubject, "C=DE,O=Org,CN=Jane Doe,SN=1234"), DER_OK);
    EXPECT_EQ(cert_.NameEquals(kSubject, other), 1);
    EXPECT_EQ(cert_.NameEquals(kIssuer, other), 0);
    EXPECT_EQ(other.GetNameDisplayName(kIssuer, value, 256), 0);
    EXPECT_EQ(value, "");
}

TEST_F(SubjectJane, MatchNameAndMatchNameAny) {
    struct Case {
        bool any;  // a list of patterns split at ";"
        const char* pattern;
        int match;
    };
    const Case cases[] = {
        {false, "cn=Jane*, o=Org", 1},
        {false, "cn=Jane*, o=Other", 0},
        {false, "cn=jane doe", 0},
        {false, "c=DE+o=Org", 1},
        {false, "serialNumber=1234", 1},
        {false, "sn=1234", 0},  // sn: the surname
        {false, "OID.2.5.4.3=J?ne*", 1},
        {false, "", 1},
        {false, "o=Org, garbage", 1},  // an item without "=" ends the walk
        {false, "garbage, o=Other", 1},
        {true, "cn=Bob; cn=Jane*", 1},
        {true, "cn=Bob;cn=Al", 0},
        {true, "   cn=Jane Doe", 1},
        {true, "cn=Bob;", 0},
        {true, "", 1},
        {true, "o=Other;o=Org, c=DE;cn=Bob", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            c.any ? cert_.MatchNameAny(kSubject, c.pattern) : cert_.MatchName(kSubject, c.pattern),
            c.match)
            << c.pattern;
    }
    EXPECT_EQ(cert_.MatchName(kIssuer, "cn=X, o=Org"), 1);
    EXPECT_EQ(cert_.MatchName(kIssuer, "c=DE"), 0);
}

TEST(DerCertificateNames, InternalAreaRunsFull) {
    TraceCapture trace;
    DerCertificate cert;
    const std::string text = "CN=" + std::string(98, 'n');
    int rc = DER_OK;
    int count = 0;
    while ((rc = cert.SetNameText(kSubject, text)) == DER_OK)
        ++count;
    EXPECT_EQ(rc, DER_FAILED);
    EXPECT_EQ(count, 9);  // 111 bytes each
    EXPECT_TRUE(trace.Has("DerCertificate - Internal buffer too small"));
    // The earlier subject stays, and a smaller name still fits the rest.
    std::string back;
    ASSERT_EQ(cert.GetNameText(kSubject, back, 256), DER_OK);
    EXPECT_EQ(back, "2.5.4.3=" + std::string(98, 'n'));
    EXPECT_EQ(cert.SetNameText(kIssuer, "CN=a"), DER_OK);
    // Clear leaves the area as it is.
    const uint32_t used = cert.AreaUsed();
    cert.Clear();
    EXPECT_EQ(cert.AreaUsed(), used);
    EXPECT_TRUE(cert.NameElement(kSubject).empty());
    EXPECT_FALSE(cert.NameText(kSubject).has_value());
}

}  // namespace
}  // namespace orx
