// The Base64 of the file operations: decoding in place and encoding from pieces
// must agree with the plain codec for every length and split, and reject what is
// no Base64.
#include <gtest/gtest.h>

#include <random>

#include "cms/cms_text.h"
#include "core/base64.h"

namespace orx::testing {
namespace {

std::string RandomBytes(size_t n, std::mt19937& rng) {
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(rng() & 0xFF);
    return out;
}

TEST(CmsTextTest, DecodingInPlaceAgreesWithTheCodecWithBreaksAnywhere) {
    std::mt19937 rng(7);
    for (size_t n = 0; n < 200; ++n) {
        const std::string bytes = RandomBytes(n, rng);
        std::string text = Base64Encode(AsBytes(bytes));
        // Line breaks and blanks at random places, as mail and editors leave them.
        for (int k = 0; k < static_cast<int>(n % 5); ++k)
            text.insert(rng() % (text.size() + 1), (k % 2) ? "\r\n" : " ");
        std::string decoded = text;
        ASSERT_TRUE(Base64DecodeInPlace(decoded)) << n << " " << text;
        EXPECT_EQ(bytes, decoded) << n;
    }
}

TEST(CmsTextTest, WhatIsNoBase64IsRefused) {
    for (const char* text :
         {"A", "AB=C", "ABC=D===", "AB*D", "ABCDE", "ABC==", "====", "A===", "QUJD\x80"}) {
        std::string value = text;
        EXPECT_FALSE(Base64DecodeInPlace(value)) << text;
    }
    for (const auto& [text, plain] : {std::pair{"", ""},
                                      {"QQ==", "A"},
                                      {"QUI=", "AB"},
                                      {"QUJD", "ABC"},
                                      {" Q U\nJ D \r\n", "ABC"}}) {
        std::string value = text;
        EXPECT_TRUE(Base64DecodeInPlace(value)) << text;
        EXPECT_EQ(plain, value);
    }
}

TEST(CmsTextTest, EncodingFromPiecesAgreesWithTheCodecInLines) {
    std::mt19937 rng(11);
    for (size_t n = 0; n < 300; n += 7) {
        const std::string bytes = RandomBytes(n, rng);
        const std::string whole = Base64Encode(AsBytes(bytes));
        const size_t a = n ? rng() % (n + 1) : 0;
        const size_t b = a + (n - a ? rng() % (n - a + 1) : 0);
        const std::string_view v(bytes);
        std::string pieces = "head:";
        Base64Append({AsBytes(v.substr(0, a)), AsBytes(v.substr(a, b - a)), AsBytes(v.substr(b))},
                     pieces);
        EXPECT_EQ("head:" + whole, pieces) << n;

        std::string lines;
        Base64Append({AsBytes(v.substr(0, a)), AsBytes(v.substr(a))}, lines, 64);
        std::string expected;
        for (size_t at = 0; at < whole.size(); at += 64)
            expected += whole.substr(at, 64) + "\n";
        EXPECT_EQ(expected, lines) << n;
    }
}

TEST(CmsTextTest, DataInputIsMimeTextOrBase64) {
    const std::string mime = "MIME-Version: 1.0\nContent-Type: text/plain\n\nhello";
    const struct {
        std::string value;
        bool ok;
        bool mime;
        std::string bytes;
    } cases[] = {
        {mime, true, true, mime},
        {"mime-version: 1.0\n\nx", true, true, "mime-version: 1.0\n\nx"},
        {Base64Encode(AsBytes(mime)), true, true, mime},
        {Base64Encode(AsBytes("\x30\x82 binary")), true, false, "\x30\x82 binary"},
        {"MIME-Version:", false, false, ""},  // 13 characters only: read as Base64
        {"not base64!", false, false, ""},
    };
    for (const auto& c : cases) {
        CmsInput input;
        EXPECT_EQ(c.ok, TakeDataInput(std::string(c.value), input)) << c.value;
        if (!c.ok)
            continue;
        EXPECT_EQ(c.mime, input.mime) << c.value;
        EXPECT_EQ(c.bytes, input.bytes) << c.value;
    }
    EXPECT_TRUE(IsTrue("true") && IsTrue("TRUE") && IsTrue("1"));
    EXPECT_FALSE(IsTrue("false") || IsTrue("0") || IsTrue("") || IsTrue("yes"));
}

}  // namespace
}  // namespace orx::testing
