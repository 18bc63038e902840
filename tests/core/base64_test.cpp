#include "core/base64.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace orx {
namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string AsText(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8_t>((i * 151 + 17) ^ (i >> 3));
    }
    return bytes;
}

struct Pair {
    std::string_view plain;
    std::string_view encoded;
};

constexpr Pair kVectors[] = {
    {"", ""},
    {"a", "YQ=="},
    {"ab", "YWI="},
    {"abc", "YWJj"},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
    {"\xff\xfe\xfd", "//79"},
    {"\xfb\xef", "++8="},
};

TEST(Base64Encode, Vectors) {
    for (const auto& v : kVectors) {
        EXPECT_EQ(Base64Encode(v.plain), v.encoded);
        EXPECT_EQ(Base64Encode(Bytes(v.plain)), v.encoded);
    }
}

TEST(Base64Encode, AreaMustHoldTheTerminatorToo) {
    for (const auto& v : kVectors) {
        const size_t exact = Base64EncodedLength(v.plain.size());
        ASSERT_EQ(exact, v.encoded.size());
        std::vector<char> area(exact + 1, '#');
        EXPECT_EQ(Base64Encode(std::span<char>(area.data(), exact), Bytes(v.plain)), -1);
        EXPECT_EQ(area[0], '#') << "refused call wrote";
        EXPECT_EQ(Base64Encode(std::span<char>(area), Bytes(v.plain)), static_cast<int>(exact));
        EXPECT_EQ(std::string_view(area.data()), v.encoded);
        EXPECT_EQ(area[exact], '\0');
    }
}

TEST(Base64Decode, Vectors) {
    for (const auto& v : kVectors) {
        EXPECT_EQ(AsText(Base64Decode(v.encoded)), v.plain) << v.encoded;
    }
}

TEST(Base64Decode, SkipsEverythingOutsideTheAlphabet) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"YW Jj", "abc"},
        {"Y\r\nW\tJ\nj", "abc"},
        {"\xc3YWJj\x80", "abc"},                 // bytes above 0x7F
        {std::string_view("YW\0Jj", 5), "abc"},  // a NUL is just another invalid byte
        {"Zm9v!Ym@Fy", "foobar"},
        {"YWJjZ", "abc"},  // six bits left over are dropped
        {"YQ", "a"},       // padding is not required
        {"YQ=", "a"},
        // '=' is skipped like any other invalid byte, so the characters around it
        // form one bit stream.
        {"YQ==YQ==", "a\x06\x10"},
        {"====", ""},
        {"-", ""},
    };
    for (const auto& [text, plain] : cases) {
        EXPECT_EQ(AsText(Base64Decode(text)), plain) << text;
    }
}

std::string Pem(std::string_view body, std::string_view lineEnd) {
    std::string pem = "-----BEGIN CERTIFICATE-----";
    pem.append(lineEnd);
    for (size_t i = 0; i < body.size(); i += 64) {
        pem.append(body.substr(i, 64)).append(lineEnd);
    }
    pem.append("-----END CERTIFICATE-----").append(lineEnd);
    return pem;
}

TEST(Base64Decode, PemBlock) {
    const auto der = Pattern(500);
    const std::string body = Base64Encode(der);
    EXPECT_EQ(Base64Decode(Pem(body, "\n")), der);
    EXPECT_EQ(Base64Decode(Pem(body, "\r\n")), der);

    std::string spaced = Pem(body, "\n");
    spaced.insert(40, "  \t ");
    spaced.insert(100, "\n\n");
    EXPECT_EQ(Base64Decode(spaced), der);
}

TEST(Base64Decode, PemEndsAtTheEndLineAndBodyStartsBehindTheBeginLine) {
    const std::string first = Pem(Base64Encode("first"), "\n");
    const std::string second = Pem(Base64Encode("second"), "\n");
    // Only the first block counts; the letters of BEGIN/END are never decoded.
    EXPECT_EQ(AsText(Base64Decode(first + second)), "first");
    // No line feed behind the BEGIN line: no body at all.
    EXPECT_EQ(AsText(Base64Decode("-----BEGIN X-----YWJj")), "");
    // A NUL ends the BEGIN line as well as the body.
    EXPECT_EQ(AsText(Base64Decode(std::string_view("-----BEGIN\0\nYWJj", 16))), "");
    EXPECT_EQ(AsText(Base64Decode(std::string_view("-B\nYWJj\0Zm9v", 12))), "abc");
    // Without a terminating END line the body runs to the end.
    EXPECT_EQ(AsText(Base64Decode("-----BEGIN X-----\nZm9vYmFy\n")), "foobar");
}

// The area sizes around the exact size, for lengths that cross the four-at-a-time
// path at every alignment: a byte too few is refused, the exact size suffices, and
// nothing is ever written behind the area.
TEST(Base64Decode, StaysInsideTheArea) {
    for (size_t n = 0; n <= 40; ++n) {
        const auto plain = Pattern(n);
        const std::string text = Base64Encode(plain);
        for (size_t capacity = 0; capacity <= n + 2; ++capacity) {
            std::vector<uint8_t> area(capacity + 8, 0xA5);
            const int result = Base64Decode(std::span<uint8_t>(area.data(), capacity), text);
            if (capacity < n) {
                EXPECT_EQ(result, -1) << n << " bytes into " << capacity;
            } else {
                ASSERT_EQ(result, static_cast<int>(n)) << n << " bytes into " << capacity;
                EXPECT_TRUE(std::equal(plain.begin(), plain.end(), area.begin()));
            }
            for (size_t i = capacity; i < area.size(); ++i) {
                ASSERT_EQ(area[i], 0xA5) << "wrote behind the area: " << n << "/" << capacity;
            }
        }
    }
}

TEST(Base64, RoundTripWithLineBreaksAtAnyWidth) {
    for (size_t n : {0, 1, 2, 3, 4, 5, 47, 48, 49, 100, 1000, 4099}) {
        const auto plain = Pattern(n);
        const std::string text = Base64Encode(plain);
        ASSERT_EQ(text.size(), Base64EncodedLength(n));
        EXPECT_EQ(Base64Decode(text), plain) << n;
        // Widths that are and are not multiples of four move the breaks to every
        // position within a group.
        for (size_t width : {1, 3, 4, 7, 64, 76}) {
            std::string wrapped;
            for (size_t i = 0; i < text.size(); i += width) {
                wrapped.append(text.substr(i, width)).append("\r\n");
            }
            EXPECT_EQ(Base64Decode(wrapped), plain) << n << " at width " << width;
        }
    }
}

}  // namespace
}  // namespace orx
