// Signed and encrypted data travels either as binary PKCS#7 (or its Base64) or as
// S/MIME text, which is told apart by its first header. The file operations, the
// module and the command line must draw that line in the same place.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/string_helpers.h"

namespace orx {

inline constexpr std::string_view kMimeVersionHeader = "MIME-Version:";

// S/MIME text: longer than "MIME-Version:" and beginning with it, letter case
// ignored. The header alone is no message; it may still be Base64.
constexpr bool StartsWithMime(std::string_view text) {
    return text.size() > kMimeVersionHeader.size() && StartsWithNoCase(text, kMimeVersionHeader);
}
inline bool StartsWithMime(std::span<const uint8_t> bytes) {
    return StartsWithMime(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace orx
