// PKCS#11's fixed text fields: UTF-8, padded with blanks, never NUL-terminated. A
// longer text is cut at a character boundary.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace orx::p11 {

inline void PutBlankPadded(unsigned char* field, size_t size, std::string_view text) {
    size_t length = std::min(text.size(), size);
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memset(field, ' ', size);
    std::memcpy(field, text.data(), length);
}

template <size_t Size>
void PutBlankPadded(unsigned char (&field)[Size], std::string_view text) {
    PutBlankPadded(field, Size, text);
}

}  // namespace orx::p11
