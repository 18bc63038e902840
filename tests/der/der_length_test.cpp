#include "der/der_length.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "der/der_encode.h"
#include "der/der_result.h"
#include "der_test_support.h"

namespace orx {
namespace {

using testing::Hex;
using testing::ToHex;
using testing::TraceCapture;

struct LengthCase {
    const char* bytes;
    int64_t length;   // content length or negative code
    uint32_t header;  // when the length is not negative
};

TEST(DerDecodeLength, Vectors) {
    std::vector<uint8_t> long128 = Hex("04 81 80");
    long128.resize(3 + 128);
    std::vector<uint8_t> long256 = Hex("04 82 01 00");
    long256.resize(4 + 256);
    EXPECT_EQ(DerDecodeLength(long128), 128);
    uint32_t header = 0;
    DerDecodeLength(long128, &header);
    EXPECT_EQ(header, 3u);
    EXPECT_EQ(DerDecodeLength(long256, &header), 256);
    EXPECT_EQ(header, 4u);

    const LengthCase cases[] = {
        {"02 01 05", 1, 2},
        {"05 00", 0, 2},
        {"30 00 FF FF", 0, 2},                    // bytes behind the element are not its business
        {"30 80 02 01 05 00 00", 5, 2},           // indefinite: content and end-of-contents
        {"30 80 00 00", 2, 2},                    // only the end-of-contents octets
        {"30 80 30 80 05 00 00 00 00 00", 8, 2},  // nested indefinite
        {"04 81 05 01 02 03 04 05", 5, 3},
        {"04 84 00 00 00 01 AA", 1, 6},  // non-minimal long form is read
        {"", DER_BAD_LENGTH, 0},
        {"30", DER_BAD_LENGTH, 0},
        {"02 02 05", DER_BAD_LENGTH, 0},           // content runs past the bytes
        {"04 85 00 00 00 01", DER_BAD_LENGTH, 0},  // five length octets, four present
        {"04 81", DER_BAD_LENGTH, 0},              // length octet missing
        {"04 82 01", DER_BAD_LENGTH, 0},
        {"04 81 03 01 02", DER_BAD_LENGTH, 0},           // header fits, content does not
        {"04 85 01 00 00 00 00 00", DER_BAD_LENGTH, 0},  // beyond 32 bits
        {"04 84 FF FF FF FF 00", DER_BAD_LENGTH, 0},
        {"30 80 02 01 05", DER_BAD_LENGTH, 0},        // no end-of-contents
        {"30 80 02 05 05 00 00", DER_BAD_LENGTH, 0},  // nested element too long
        {"30 80 00", DER_BAD_LENGTH, 0},
    };
    for (const auto& c : cases) {
        const auto bytes = Hex(c.bytes);
        uint32_t h = 99;
        EXPECT_EQ(DerDecodeLength(bytes, &h), c.length) << c.bytes;
        if (c.length >= 0) {
            EXPECT_EQ(h, c.header) << c.bytes;
        } else {
            EXPECT_EQ(h, 99u) << c.bytes;
        }
    }
}

TEST(DerDecodeLength, BadLengthIsTraced) {
    TraceCapture trace;
    EXPECT_EQ(DerDecodeLength(Hex("04 85 00 00 00 01")), DER_BAD_LENGTH);
    EXPECT_TRUE(trace.Has("Der - Invalid length encoding"));
}

TEST(DerDecodeLength, DeepIndefiniteNestingIsRefused) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 100000; ++i) {
        bytes.push_back(0x30);
        bytes.push_back(0x80);
    }
    bytes.resize(bytes.size() + 2 * 100000, 0x00);
    EXPECT_EQ(DerDecodeLength(bytes), DER_BAD_LENGTH);

    // A few levels are fine.
    const auto shallow = Hex("30 80 30 80 30 80 00 00 00 00 00 00");
    EXPECT_EQ(DerDecodeLength(shallow), 10);
}

TEST(DerDecodeHeader, GivesContent) {
    const auto bytes = Hex("30 03 02 01 07 EE");
    DerBytes content;
    uint32_t length = 0;
    uint32_t header = 0;
    ASSERT_EQ(DerDecodeHeader(bytes, &content, &length, &header), DER_OK);
    EXPECT_EQ(ToHex(content), "02 01 07");
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(header, 2u);
    EXPECT_EQ(DerDecodeHeader(Hex("30 04 02 01 07"), &content), DER_BAD_LENGTH);
}

TEST(DerReadElement, StepsThroughASequence) {
    const auto bytes = Hex("02 01 07 05 00 04 02 AA BB 30");
    DerReader reader(bytes);
    DerBytes element;
    ASSERT_EQ(DerReadElement(reader, &element), DER_OK);
    EXPECT_EQ(ToHex(element), "02 01 07");
    ASSERT_EQ(DerReadElement(reader, &element), DER_OK);
    EXPECT_EQ(ToHex(element), "05 00");
    ASSERT_EQ(DerReadElement(reader, &element), DER_OK);
    EXPECT_EQ(ToHex(element), "04 02 AA BB");
    EXPECT_EQ(DerReadElement(reader, &element), DER_BAD_LENGTH);
    EXPECT_EQ(reader.remaining(), 1u);
}

TEST(DerWrap, HeaderRoomFollowsTheCapacity) {
    TraceCapture trace;
    std::vector<uint8_t> area(130, 0xAB);
    uint32_t count = 127;
    EXPECT_EQ(DerWrap(0x04, DerArea(area).first(129), &count, 129), DER_BUFFER_TOO_SMALL);
    EXPECT_TRUE(trace.Has("Der - Buffer too small: have 129, need 130"));
    count = 127;
    ASSERT_EQ(DerWrap(0x04, area, &count, 130), DER_OK);
    EXPECT_EQ(count, 129u);
    EXPECT_EQ(area[0], 0x04);
    EXPECT_EQ(area[1], 0x7F);
    EXPECT_EQ(area[2], 0xAB);
}

struct WrapCase {
    uint32_t content;
    const char* header;
};

TEST(DerWrap, HeaderForms) {
    const WrapCase cases[] = {
        {0, "30 00"},
        {127, "30 7F"},
        {128, "30 81 80"},
        {200, "30 81 C8"},
        {255, "30 81 FF"},
        {256, "30 82 01 00"},
        {70000, "30 83 01 11 70"},
        {16777216, "30 84 01 00 00 00"},
    };
    for (const auto& c : cases) {
        const auto expected = Hex(c.header);
        std::vector<uint8_t> area(c.content + 6);
        for (uint32_t i = 0; i < c.content; ++i)
            area[i] = static_cast<uint8_t>(i);
        uint32_t count = c.content;
        ASSERT_EQ(DerWrap(0x30, area, &count, static_cast<uint32_t>(area.size())), DER_OK)
            << c.content;
        ASSERT_EQ(count, c.content + expected.size());
        EXPECT_EQ(ToHex(area.data(), expected.size()), c.header);
        if (c.content > 0) {
            EXPECT_EQ(area[expected.size()], 0);
            EXPECT_EQ(area[expected.size() + c.content - 1], static_cast<uint8_t>(c.content - 1));
        }
    }
}

TEST(DerAddHead, HeaderSizedByContent) {
    TraceCapture trace;
    std::vector<uint8_t> area(130, 0x11);
    uint32_t count = 129;  // capacity: 127 content + 2 header fits exactly
    ASSERT_EQ(DerAddHead(0x04, 127, area, &count), DER_OK);
    EXPECT_EQ(count, 129u);
    EXPECT_EQ(ToHex(area.data(), 3), "04 7F 11");

    count = 129;
    EXPECT_EQ(DerAddHead(0x31, 128, area, &count), DER_BUFFER_TOO_SMALL);
    EXPECT_TRUE(trace.Has("DER - Buffer too small, failed to add tag length for value (0x31)"));
    count = 500;  // a capacity larger than the area counts as the area
    EXPECT_EQ(DerAddHead(0x04, 129, area, &count), DER_BUFFER_TOO_SMALL);
}

using Encoder = std::function<int(DerArea, uint32_t*)>;

// The encoding into an area of 16 bytes with that capacity, or the failure code.
std::string Encoded(const Encoder& encode) {
    std::vector<uint8_t> area(16, 0xEE);
    uint32_t count = 16;
    const int rc = encode(area, &count);
    return rc == DER_OK ? ToHex(area.data(), count) : std::to_string(rc);
}

TEST(DerEncoders, Values) {
    const auto bytes = Hex("C5 01");
    const std::pair<Encoder, const char*> cases[] = {
        {std::bind_front(DerEncodeUint32, 0x02, 0x80), "02 02 00 80"},
        {std::bind_front(DerEncodeUint32, 0x02, 0), "02 01 00"},
        {std::bind_front(DerEncodeUint32, 0x02, 0x12345678), "02 04 12 34 56 78"},
        {std::bind_front(DerEncodeUint32, 0x02, 0xFFFFFFFF), "02 05 00 FF FF FF FF"},
        {std::bind_front(DerEncodeUint32, 0x02, 0x0100), "02 02 01 00"},
        {std::bind_front(DerEncodeUnsigned, 0x02, bytes), "02 03 00 C5 01"},
        {std::bind_front(DerEncodeValue, 0x04, bytes), "04 02 C5 01"},
        {std::bind_front(DerEncodeBitString, 0x03, bytes), "03 03 00 C5 01"},
        {std::bind_front(DerEncodeBoolean, 0x01, true), "01 01 FF"},
        {std::bind_front(DerEncodeBoolean, 0x01, false), "01 01 00"},
    };
    for (const auto& [encode, der] : cases)
        EXPECT_EQ(Encoded(encode), der);
}

TEST(DerEncoders, TooSmallNeverWritesPastTheCapacity) {
    TraceCapture trace;
    const auto bytes = Hex("C5 01 02");
    // Each capacity is one short of what the encoder needs.
    const std::pair<Encoder, uint32_t> cases[] = {
        {std::bind_front(DerEncodeValue, 4, bytes), 4},
        {std::bind_front(DerEncodeBitString, 3, bytes), 5},
        {std::bind_front(DerEncodeUnsigned, 2, bytes), 5},
        {std::bind_front(DerEncodeUnsigned, 2, bytes), 3},
        {std::bind_front(DerEncodeBoolean, 1, true), 2},
        {std::bind_front(DerEncodeUint32, 2, 0x80), 3},
    };
    for (const auto& [encode, capacity] : cases) {
        std::vector<uint8_t> area(32, 0xEE);
        uint32_t count = capacity;
        EXPECT_EQ(encode(area, &count), DER_BUFFER_TOO_SMALL) << capacity;
        for (size_t i = capacity; i < area.size(); ++i)
            ASSERT_EQ(area[i], 0xEE) << "wrote at " << i;
    }
    EXPECT_TRUE(trace.Has("DER - Buffer too small, no space for value (0x2)"));
    EXPECT_TRUE(trace.Has("DER - Failed to encode head (0x2)"));
}

}  // namespace
}  // namespace orx
