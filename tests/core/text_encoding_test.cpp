#include "core/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace orx {
namespace {

struct Utf8Wide {
    std::string_view utf8;
    std::u16string_view wide;
};

TEST(TextEncoding, ValidTextConvertsBothWays) {
    const Utf8Wide cases[] = {
        {"", u""},
        {"plain ASCII ~\x7f", u"plain ASCII ~\x7f"},
        {"\xc2\x80", u"\u0080"},  // first two-byte value
        {"Gr\xc3\xbc\xc3\x9f"
         "e",
         u"Gr\u00fc\u00dfe"},
        {"\xdf\xbf", u"\u07ff"},      // last two-byte value
        {"\xe0\xa0\x80", u"\u0800"},  // first three-byte value
        {"\xe2\x82\xac 5", u"\u20ac 5"},
        {"\xed\x9f\xbf", u"\ud7ff"},  // just below the surrogates
        {"\xee\x80\x80", u"\ue000"},  // just above them
        {"\xef\xbf\xbf", u"\uffff"},
        {"\xf0\x90\x80\x80", u"\U00010000"},  // first surrogate pair
        {"a\xf0\x9f\x98\x80z", u"a\U0001F600z"},
        {"\xf4\x8f\xbf\xbf", u"\U0010FFFF"},  // last scalar value
        {"\xef\xbf\xbd", u"\ufffd"},          // the replacement character itself
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(WideToUtf8(c.wide), c.utf8) << c.utf8;
        EXPECT_TRUE(IsWellFormedUtf8(c.utf8)) << c.utf8;
    }
}

TEST(TextEncoding, EveryScalarValueRoundTrips) {
    for (char32_t cp = 1; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            continue;
        }
        std::u16string wide;
        if (cp < 0x10000) {
            wide.push_back(static_cast<char16_t>(cp));
        } else {
            wide.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
        const std::string utf8 = WideToUtf8(wide);
        const size_t expectedLength = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        ASSERT_EQ(utf8.size(), expectedLength) << std::hex << static_cast<uint32_t>(cp);
        ASSERT_EQ(Utf8ToWide(utf8), wide) << std::hex << static_cast<uint32_t>(cp);
    }
}

// One U+FFFD per maximal ill-formed subsequence, and the byte that ended a
// truncated sequence is read again as the start of the next character.
TEST(TextEncoding, InvalidUtf8BecomesReplacementCharacters) {
    const Utf8Wide cases[] = {
        {"\x80", u"\ufffd"},  // lone continuation byte
        {"a\xbf\x80z", u"a\ufffd\ufffdz"},
        {"\xc0\xaf", u"\ufffd\ufffd"},  // overlong '/'
        {"\xc1\xbf", u"\ufffd\ufffd"},
        {"\xe0\x80\xaf", u"\ufffd\ufffd\ufffd"},            // overlong three-byte form
        {"\xf0\x80\x80\xaf", u"\ufffd\ufffd\ufffd\ufffd"},  // overlong four-byte form
        {"\xed\xa0\x80", u"\ufffd\ufffd\ufffd"},            // encoded surrogate
        {"\xf4\x90\x80\x80", u"\ufffd\ufffd\ufffd\ufffd"},  // above U+10FFFF
        {"\xf5\x80", u"\ufffd\ufffd"},
        {"\xfe\xff", u"\ufffd\ufffd"},
        {"\xe2\x82z", u"\ufffdz"},  // truncated, then ASCII
        {"\xe2\x82", u"\ufffd"},    // truncated at the end
        {"\xf0\x9f\x98", u"\ufffd"},
        {"\xc3\xc3\xa9", u"\ufffd\u00e9"},  // a new lead cuts the old one
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << testing::PrintToString(c.utf8);
        EXPECT_FALSE(IsWellFormedUtf8(c.utf8)) << testing::PrintToString(c.utf8);
    }
}

TEST(TextEncoding, UnpairedSurrogatesBecomeReplacementCharacters) {
    const Utf8Wide cases[] = {
        {"\xef\xbf\xbd", u"\xd800"},
        {"\xef\xbf\xbd"
         "A",
         u"\xd83d"
         u"A"},
        {"\xef\xbf\xbd", u"\xdc00"},
        {"\xef\xbf\xbd\xef\xbf\xbd", u"\xde00\xd83d"},  // reversed pair
        {"\xef\xbf\xbd\xf0\x9f\x98\x80", u"\xd800\xd83d\xde00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideToUtf8(c.wide), c.utf8);
    }
}

TEST(TextEncoding, Windows1252ToUtf8) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"plain", "plain"},
        {"\x80", "\xe2\x82\xac"},  // euro sign
        {"\x8a", "\xc5\xa0"},      // S with caron
        {"\x91\x92", "\xe2\x80\x98\xe2\x80\x99"},
        {"\x99", "\xe2\x84\xa2"},  // trade mark sign
        {"\x9f", "\xc5\xb8"},      // Y with diaeresis
        // The unassigned positions keep their C1 code point.
        {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},
        {"M\xfcller", "M\xc3\xbcller"},
    };
    for (const auto& [bytes, utf8] : cases) {
        EXPECT_EQ(Windows1252ToUtf8(bytes), utf8) << testing::PrintToString(bytes);
    }
    // 0xA0-0xFF are the Latin-1 code points.
    for (int b = 0xA0; b <= 0xFF; ++b) {
        const std::string in(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToWide(Windows1252ToUtf8(in)), std::u16string(1, static_cast<char16_t>(b)))
            << std::hex << b;
    }
}

TEST(TextEncoding, Utf16BytesToUtf8) {
    using namespace std::string_view_literals;
    EXPECT_EQ(Utf16BeBytesToUtf8("\x00"
                                 "A\x00\xe9\x20\xac"sv),
              "A\xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(Utf16LeBytesToUtf8("A\x00\xe9\x00\xac\x20"sv), "A\xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(Utf16BeBytesToUtf8("\xd8\x3d\xde\x00"sv), "\xf0\x9f\x98\x80");
    EXPECT_EQ(Utf16LeBytesToUtf8("\x3d\xd8\x00\xde"sv), "\xf0\x9f\x98\x80");
    EXPECT_EQ(Utf16BeBytesToUtf8("\xdc\x00"sv), "\xef\xbf\xbd");
    EXPECT_EQ(Utf16BeBytesToUtf8(""sv), "");
    // A trailing odd byte is never read as half a code unit.
    EXPECT_EQ(Utf16LeBytesToUtf8("A\x00"
                                 "B"sv),
              "A");
    EXPECT_EQ(Utf16BeBytesToUtf8("\x00"
                                 "A\x00"sv),
              "A");
    EXPECT_EQ(Utf16BeBytesToUtf8("\x00"sv), "");
}

TEST(TextEncoding, CutUtf8BacksOffToACharacterBoundary) {
    const std::string_view text = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z";  // a é € 😀 z
    const size_t expected[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 11, 11};
    for (size_t max = 0; max < std::size(expected); ++max) {
        EXPECT_EQ(CutUtf8(text, max), text.substr(0, expected[max])) << "max " << max;
    }
    // Malformed text: stray continuation bytes are not a sequence to keep whole.
    EXPECT_EQ(CutUtf8("ab\x80\x80\x80\x80", 5), "ab\x80\x80\x80");
    EXPECT_EQ(CutUtf8("\xc3\xc3", 1), "");
}

}  // namespace
}  // namespace orx
