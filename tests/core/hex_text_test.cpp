#include "core/hex_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orx {
namespace {

TEST(HexText, BytesToDigits) {
    const std::vector<uint8_t> bytes = {0x00, 0x0F, 0xA5, 0xFF};
    struct Case {
        std::vector<uint8_t> bytes;
        HexCase letters;
        const char* separator;
        const char* text;
    } cases[] = {
        {bytes, HexCase::kLower, "", "000fa5ff"},
        {bytes, HexCase::kUpper, "", "000FA5FF"},
        {bytes, HexCase::kUpper, ":", "00:0F:A5:FF"},
        {bytes, HexCase::kLower, "\\", "00\\0f\\a5\\ff"},  // between bytes only
        {{0x7E}, HexCase::kUpper, ":", "7E"},
        {{}, HexCase::kUpper, ":", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexText(c.bytes, c.letters, c.separator), c.text) << c.text;

    std::string out = "%";
    AppendHex(out, 0x0A, HexCase::kUpper);
    AppendHex(out, 0xBC);
    EXPECT_EQ(out, "%0Abc");
}

TEST(HexText, DigitValues) {
    const std::string digits = "0123456789abcdefABCDEF";
    for (size_t i = 0; i < digits.size(); ++i)
        EXPECT_EQ(HexDigitValue(digits[i]), i < 16 ? static_cast<int>(i) : static_cast<int>(i) - 6);
    for (char c : {'g', 'G', '/', ':', '@', '`', ' ', '\0', '\xC3'})
        EXPECT_EQ(HexDigitValue(c), -1) << static_cast<int>(c);
    // What is written reads back.
    for (int value = 0; value < 256; ++value) {
        const std::string text = HexText(std::vector<uint8_t>{static_cast<uint8_t>(value)});
        ASSERT_EQ(HexPairToByte(text[0], text[1]), value) << text;
    }
}

TEST(HexText, PairsOfDigitsToBytes) {
    const struct {
        char high;
        char low;
        uint8_t value;
    } cases[] = {
        {'0', '9', 0x09},
        {'9', '0', 0x90},
        {'a', 'f', 0xAF},
        {'A', 'F', 0xAF},
        {'1', 'B', 0x1B},
        // Characters that are no hex digit count as nothing.
        {'g', '1', 0x01},
        {'1', 'G', 0x10},
        {'/', ':', 0x00},
        {'@', '`', 0x00},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HexPairToByte(c.high, c.low), c.value) << c.high << c.low;
    }
}

TEST(HexText, DigitsToBytes) {
    using Bytes = std::vector<uint8_t>;
    const struct {
        const char* text;
        std::optional<Bytes> bytes;
    } cases[] = {
        {"", Bytes{}},
        {"00ff", Bytes{0x00, 0xFF}},
        {"A1b2", Bytes{0xA1, 0xB2}},
        // An odd length, a character that is no hex digit in either place, a blank.
        {"abc", std::nullopt},
        {"0g", std::nullopt},
        {"g0", std::nullopt},
        {"01 2", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HexBytes(c.text), c.bytes) << c.text;
    }
}

}  // namespace
}  // namespace orx
