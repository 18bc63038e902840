// The bulk coder's vector and plain paths against each other and against the
// one-group-at-a-time definition, at every length around the vector blocks' sizes
// and with a character outside the alphabet at every place.
#include "core/base64_bulk.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/base64.h"

namespace orx {
namespace {

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

// The definition, one group at a time.
std::string Reference(const std::vector<uint8_t>& in) {
    std::string out;
    for (size_t i = 0; i + 3 <= in.size(); i += 3) {
        const uint32_t v = uint32_t{in[i]} << 16 | uint32_t{in[i + 1]} << 8 | in[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            out += kBase64Alphabet[(v >> shift) & 63];
    }
    return out;
}

class Base64BulkTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        if (GetParam() && !Base64HasVectorPath())
            GTEST_SKIP() << "this processor has no vector path";
        Base64UseVectorPath(GetParam());
    }
    void TearDown() override { Base64UseVectorPath(true); }
};

TEST_P(Base64BulkTest, EncodesEveryWholeGroupAndNothingBehind) {
    for (size_t n = 0; n < 200; ++n) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> in = RandomBytes(n, static_cast<unsigned>(n));
        const std::string expected = Reference(in);
        std::string out(expected.size() + 8, '#');
        EXPECT_EQ(n / 3 * 3, Base64EncodeBulk(std::span<char>(out.data(), expected.size()), in));
        EXPECT_EQ(expected + "########", out);
    }
}

TEST_P(Base64BulkTest, DecodesUntilTheFirstGroupWithAnythingElse) {
    const std::vector<uint8_t> bytes = RandomBytes(300, 7);
    const std::string text = Reference(bytes);
    // Whole texts of every length in groups, into a buffer of exactly their size
    // (the last group then goes to the caller for want of a byte of room) and into
    // one with room to spare.
    for (size_t groups = 0; groups <= 100; ++groups) {
        SCOPED_TRACE(groups);
        const std::string_view part(text.data(), groups * 4);
        for (const size_t slack : {size_t{0}, size_t{32}}) {
            std::vector<uint8_t> out(groups * 3 + slack);
            const size_t used =
                Base64DecodeBulk(out, {reinterpret_cast<const uint8_t*>(part.data()), part.size()});
            const size_t expected = slack || groups == 0 ? part.size() : part.size() - 4;
            EXPECT_EQ(expected, used) << "slack " << slack;
            EXPECT_TRUE(std::equal(out.begin(), out.begin() + used / 4 * 3, bytes.begin()));
        }
    }
    // Every byte that is not in the alphabet, at every place of a long run: the run
    // stops at the group that holds it.
    const std::string alphabet = kBase64Alphabet;
    for (int c = 0; c < 256; ++c) {
        if (alphabet.find(static_cast<char>(c)) != std::string::npos)
            continue;
        for (size_t at = 0; at < 96; at += (c % 7) + 1) {
            std::string bad(text.substr(0, 128));
            bad[at] = static_cast<char>(c);
            std::vector<uint8_t> out(200);
            const size_t used =
                Base64DecodeBulk(out, {reinterpret_cast<const uint8_t*>(bad.data()), bad.size()});
            ASSERT_EQ(at / 4 * 4, used) << "byte " << c << " at " << at;
            ASSERT_TRUE(std::equal(out.begin(), out.begin() + used / 4 * 3, bytes.begin()));
        }
    }
}

TEST_P(Base64BulkTest, DecodesInPlaceWithoutOvertakingItsInput) {
    const std::vector<uint8_t> bytes = RandomBytes(3000, 11);
    std::string text = Reference(bytes);
    auto* data = reinterpret_cast<uint8_t*>(text.data());
    EXPECT_EQ(text.size(), Base64DecodeBulk({data, text.size()}, {data, text.size()}));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), data));
}

TEST_P(Base64BulkTest, TheWholeCoderRoundTripsAroundTheBlockSizes) {
    for (size_t n : {0, 1, 2, 3, 23, 24, 25, 27, 28, 29, 47, 48, 49, 95, 96, 97, 1000, 65537}) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> in = RandomBytes(n, static_cast<unsigned>(n) + 3);
        const std::string text = Base64Encode(std::span<const uint8_t>(in));
        EXPECT_EQ(Base64EncodedLength(n), text.size());
        EXPECT_EQ(Reference(in), text.substr(0, n / 3 * 4));
        EXPECT_EQ(in, Base64Decode(text));
    }
}

TEST_P(Base64BulkTest, BlocksGiveWhatTheWholeDecodingGives) {
    auto withBreaks = [](std::string text, size_t every) {
        for (size_t at = every; at < text.size(); at += every + 1)
            text.insert(at, "\n");
        return text;
    };
    constexpr size_t kBlock = kBase64BlockText / 4 * 3;  // bytes
    for (size_t n : {size_t{0}, size_t{1}, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock + 1,
                     3 * kBlock + kBlock / 4}) {
        const std::string plain = Base64Encode(std::span<const uint8_t>(RandomBytes(n, 5)));
        const std::string texts[] = {
            plain,
            withBreaks(plain, 64),
            withBreaks(plain, kBase64BlockText),  // the first block whole, a break in the next
            "-----BEGIN DATA-----\n" + withBreaks(plain, 64) + "\n-----END DATA-----\n",
        };
        for (const std::string& text : texts) {
            SCOPED_TRACE(::testing::Message() << n << " bytes, " << text.size() << " characters");
            std::vector<uint8_t> joined;
            int calls = 0;
            EXPECT_TRUE(Base64DecodeInBlocks(text, [&](std::span<const uint8_t> bytes) {
                ++calls;
                joined.insert(joined.end(), bytes.begin(), bytes.end());
                return true;
            }));
            EXPECT_TRUE(joined == Base64Decode(text));
            EXPECT_GE(calls, 1);
        }
    }
    // The taker's refusal ends the decoding at once.
    const std::string text =
        Base64Encode(std::span<const uint8_t>(RandomBytes(3 * kBlock + kBlock / 4, 6)));
    int calls = 0;
    EXPECT_FALSE(Base64DecodeInBlocks(text, [&](std::span<const uint8_t>) { return ++calls < 2; }));
    EXPECT_EQ(2, calls);
}

INSTANTIATE_TEST_SUITE_P(Paths, Base64BulkTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Vector" : "Plain"; });

}  // namespace
}  // namespace orx
