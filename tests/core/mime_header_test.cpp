#include "core/mime_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace orx {
namespace {

TEST(MimeHeader, OnlyTextBeyondTheHeaderIsSmime) {
    const struct {
        std::string_view text;
        bool mime;
    } cases[] = {
        {"MIME-Version: 1.0\r\n\r\nbody", true},
        {"mime-version:1", true},
        {"MIME-VERSION:\n", true},
        // The header alone is no message (and is valid Base64).
        {"MIME-Version:", false},
        {"MIME-Version", false},
        {" MIME-Version: 1.0", false},
        {"MIME-Version; 1.0", false},
        {"", false},
        {"MIIBzz==", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StartsWithMime(c.text), c.mime) << c.text;
        const std::vector<uint8_t> bytes(c.text.begin(), c.text.end());
        EXPECT_EQ(StartsWithMime(std::span<const uint8_t>(bytes)), c.mime) << c.text;
    }
}

}  // namespace
}  // namespace orx
