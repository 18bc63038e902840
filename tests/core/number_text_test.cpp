#include "core/number_text.h"

#include <gtest/gtest.h>

#include <string_view>

namespace orx {
namespace {

TEST(NumberText, ParseNumber) {
    const std::pair<std::string_view, uint32_t> cases[] = {
        {"42", 42},
        {"0x1F", 31},
        {"0x123", 291},  // odd digit count: a zero in front
        {"0x0", 0},
        {"0xFFFFFFFF", 0xFFFFFFFFu},
        {"0x123456789", 0x23456789u},  // more than eight digits shift the first out
        {"0x12zz", 0x12},              // digits end at the first other character
        {"0xg", 0},
        {"0x", 0},    // too short for the prefix: atoi
        {"0X1F", 0},  // only a lower-case x is the prefix
        {"", 0},
        {"  17", 17},
        {"+8", 8},
        {"-1", 0xFFFFFFFFu},
        {"12abc", 12},
        {"abc", 0},
        {"4294967297", 1},  // wraps like a 32-bit int
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ParseNumber(text), value) << text;
    }
}

TEST(NumberText, CertTimeToDate) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"491231235959Z", "2049-12-31"},
        {"500101000000Z", "2050-01-01"},  // only a first digit above 5 is last century
        {"600101000000Z", "1960-01-01"},
        {"000229120000Z", "2000-02-29"},
        {"20300101000000Z", "2030-01-01"},
        {"20491231235959Z", "2049-12-31"},
        {"2030010100000Z", ""},  // 14 characters
        {"49123123595Z", ""},    // 12 characters
        {"4912312359590", ""},   // 13 without the Z
        {"491231235959z", ""},
        {"203001010000000Z", ""},  // 16 characters
        {"Z", ""},
        {"", ""},
    };
    for (const auto& [time, date] : cases) {
        EXPECT_EQ(CertTimeToDate(time), date) << time;
    }
}

}  // namespace
}  // namespace orx
