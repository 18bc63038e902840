#include "der/der_oid.h"

#include <gtest/gtest.h>

#include <vector>

#include "der/der_algorithm.h"
#include "der/der_result.h"
#include "der_test_support.h"

namespace orx {
namespace {

using testing::Hex;
using testing::ToHex;
using testing::TraceCapture;

std::string Encode(std::string_view text, int* rc = nullptr) {
    std::vector<uint8_t> area(140);
    uint32_t length = 0;
    const int result = DerEncodeOid(text, area, &length);
    if (rc)
        *rc = result;
    return result == DER_OK ? ToHex(area.data(), length) : std::string();
}

// Dotted texts and their elements, both ways.
TEST(DerOid, DottedTextsBothWays) {
    const std::pair<const char*, const char*> cases[] = {
        {"1.2.840.113549.1.1.1", "06 09 2A 86 48 86 F7 0D 01 01 01"},
        {"2.5.4.3", "06 03 55 04 03"},
        {"2.5.4.0", "06 03 55 04 00"},  // an arc of 0 is the one octet 00
        {"1.2.0.0", "06 03 2A 00 00"},
        {"2.40", "06 01 78"},
        {"2.1", "06 01 51"},
        {"2.39", "06 01 77"},  // 119 is the last one read as x.y with x below 3
        {"2.999.3", "06 03 88 37 03"},
        {"0.0", "06 01 00"},
        {"1.2.4294967295", "06 06 2A 8F FF FF FF 7F"},
        {"2.4294967215", "06 05 8F FF FF FF 7F"},  // the largest first pair in 32 bits
    };
    for (const auto& [text, der] : cases) {
        EXPECT_EQ(Encode(text), der) << text;
        std::string back;
        EXPECT_EQ(DerOidToText(Hex(der), back, 64), DER_OK) << der;
        EXPECT_EQ(back, text);
    }
}

TEST(DerEncodeOid, NamesAndTextEnd) {
    const std::pair<const char*, const char*> cases[] = {
        {"CN", "06 03 55 04 03"},
        {"cn", "06 03 55 04 03"},
        {"S", "06 03 55 04 04"},
        {"sn", "06 03 55 04 05"},
        {"serialNumber", "06 03 55 04 05"},
        {"c", "06 03 55 04 06"},
        {"O", "06 03 55 04 0A"},
        {"ou", "06 03 55 04 0B"},
        {"T", "06 03 55 04 0C"},
        {"g", "06 03 55 04 2A"},
        {"1.2.840.113549\0.1.1.1", "06 06 2A 86 48 86 F7 0D"},  // the text ends at NUL
    };
    for (const auto& [text, der] : cases)
        EXPECT_EQ(Encode(text), der) << text;
}

TEST(DerEncodeOid, BadTexts) {
    TraceCapture trace;
    // A name it does not know and no dot: traced, and no arcs are written.
    EXPECT_EQ(Encode("Cn"), "06 00");
    EXPECT_TRUE(trace.Has("Der - Bad oid: 'Cn'"));
    EXPECT_EQ(Encode(" O"), "06 00");
    EXPECT_TRUE(trace.Has("Der - Bad oid: ' O'"));
    EXPECT_EQ(Encode(""), "06 00");

    // Arcs that cannot be represented are refused, never wrapped around.
    const char* refused[] = {
        "1.2.4294967296", "1.2.99999999999999999999", "107374183.0", "2.4294967216", "1.-2",
    };
    for (const char* text : refused) {
        int rc = 0;
        Encode(text, &rc);
        EXPECT_EQ(rc, DER_FAILED) << text;
    }
    int rc = 0;
    std::string tooLong = "1.2";
    for (int i = 0; i < 50; ++i)
        tooLong += ".99999";  // three octets each
    Encode(tooLong, &rc);
    EXPECT_EQ(rc, DER_FAILED);
}

TEST(DerEncodeOid, AreaTooSmall) {
    std::vector<uint8_t> area(4, 0xEE);
    uint32_t length = 0;
    EXPECT_EQ(DerEncodeOid("2.5.4.3", DerArea(area).first(4), &length), DER_BUFFER_TOO_SMALL);
    EXPECT_EQ(area[0], 0xEE);
}

struct TextCase {
    const char* der;
    int rc;
    const char* text;
};

TEST(DerOidToText, Faults) {
    const TextCase cases[] = {
        {"06 00", DER_OK, "untouched"},
        {"06", DER_BAD_LENGTH, "untouched"},
        {"", DER_BAD_LENGTH, "untouched"},
        {"05 01 2A", DER_BAD_TAG, "untouched"},
        {"06 05 2A", DER_BAD_LENGTH, "untouched"},
        {"06 02 2A 86", DER_BAD_TAG, "1.2"},                 // cut off inside an arc
        {"06 07 2A 90 80 80 80 80 00", DER_BAD_TAG, "1.2"},  // beyond 32 bits
    };
    for (const auto& c : cases) {
        std::string text = "untouched";
        EXPECT_EQ(DerOidToText(Hex(c.der), text, 64), c.rc) << c.der;
        EXPECT_EQ(text, c.text) << c.der;
    }
}

TEST(DerOidToText, CapacityKeepsWhatFitted) {
    const auto der = Hex("06 09 2A 86 48 86 F7 0D 01 01 01");
    std::string text;
    // "1.2.840.113549.1.1.1" is 20 characters: it needs a capacity of 21.
    EXPECT_EQ(DerOidToText(der, text, 21), DER_OK);
    EXPECT_EQ(DerOidToText(der, text, 20), DER_BUFFER_TOO_SMALL);
    EXPECT_EQ(text, "1.2.840.113549.1.1");
    EXPECT_EQ(DerOidToText(der, text, 3), DER_BUFFER_TOO_SMALL);
    EXPECT_EQ(text, "");
    EXPECT_EQ(DerOidToText(der, text, 0), DER_BUFFER_TOO_SMALL);
}

TEST(DerDecodeOid, RecordsElementAndText) {
    const auto der = Hex("06 03 55 04 0A 05 00");
    OidRecord record;
    ASSERT_EQ(DerDecodeOid(der, &record), DER_OK);
    EXPECT_EQ(record.text, "2.5.4.10");
    EXPECT_EQ(ToHex(record.element), "06 03 55 04 0A");
}

TEST(DerEncodeAlgorithm, Vectors) {
    struct Case {
        const char* text;
        const char* parameters;
        const char* der;
    };
    const Case cases[] = {
        {"1.2.840.113549.1.1.1", "", "30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00"},
        {"1.2.840.113549.1.1.7", "", "30 0D 06 09 2A 86 48 86 F7 0D 01 01 07 30 00"},
        {"1.2.840.113549.3.7", "01 02 03 04 05 06 07 08",
         "30 14 06 08 2A 86 48 86 F7 0D 03 07 04 08 01 02 03 04 05 06 07 08"},
    };
    for (const auto& c : cases) {
        const auto parameters = Hex(c.parameters);
        AlgorithmInfo info;
        info.text = c.text;
        info.parameters = parameters;
        std::vector<uint8_t> area(64);
        uint32_t count = 64;
        ASSERT_EQ(DerEncodeAlgorithm(info, area, &count), DER_OK) << c.text;
        EXPECT_EQ(ToHex(area.data(), count), c.der);

        AlgorithmInfo decoded;
        ASSERT_EQ(DerDecodeAlgorithm(DerBytes(area.data(), count), &decoded), DER_OK);
        EXPECT_EQ(decoded.text, c.text);
        EXPECT_EQ(decoded.element.size(), count);
        EXPECT_EQ(decoded.oid.size(), decoded.oid[1] + 2u);
    }
}

TEST(DerEncodeAlgorithm, TooSmall) {
    TraceCapture trace;
    AlgorithmInfo info;
    info.text = kOidRsaEncryption;
    std::vector<uint8_t> area(15);
    uint32_t count = 12;  // the identifier fits, the NULL does not
    EXPECT_EQ(DerEncodeAlgorithm(info, area, &count), DER_BUFFER_TOO_SMALL);
    EXPECT_TRUE(trace.Has("Der - Failed to encode empty value"));
    count = 14;
    EXPECT_EQ(DerEncodeAlgorithm(info, area, &count), DER_BUFFER_TOO_SMALL);
    EXPECT_TRUE(trace.Has("Der - Failed to encode algorithm top sequence"));
    count = 15;
    EXPECT_EQ(DerEncodeAlgorithm(info, area, &count), DER_OK);
    EXPECT_EQ(count, 15u);
    count = 5;
    EXPECT_EQ(DerEncodeAlgorithm(info, area, &count), DER_BUFFER_TOO_SMALL);
    EXPECT_TRUE(trace.Has("Der - Failed to encode oid"));
}

TEST(DerDecodeAlgorithm, Failures) {
    TraceCapture trace;
    AlgorithmInfo info;
    EXPECT_EQ(DerDecodeAlgorithm(Hex("30"), &info), DER_BAD_LENGTH);
    EXPECT_EQ(DerDecodeAlgorithm(Hex("31 00"), &info), DER_BAD_TAG);
    EXPECT_EQ(trace.Text().find("Der - "), std::string::npos);  // neither is traced

    EXPECT_EQ(DerDecodeAlgorithm(Hex("30 05 06 03 55"), &info), DER_BAD_LENGTH);
    EXPECT_TRUE(trace.Has("Der - Failed to get algorithm info"));
    EXPECT_EQ(DerDecodeAlgorithm(Hex("30 00"), &info), DER_BAD_LENGTH);
    EXPECT_TRUE(trace.Has("Der - Failed to get oid"));
    EXPECT_EQ(DerDecodeAlgorithm(Hex("30 04 04 02 55 04"), &info), DER_BAD_TAG);
    EXPECT_TRUE(trace.Has("Der - Failed to print oid"));

    const auto good = Hex("30 07 06 03 55 04 03 05 00 FF");
    ASSERT_EQ(DerDecodeAlgorithm(good, &info), DER_OK);
    EXPECT_EQ(info.text, "2.5.4.3");
    EXPECT_EQ(ToHex(info.parameters), "05 00");
    EXPECT_EQ(info.element.size(), 9u);
}

}  // namespace
}  // namespace orx
