// Conversions between the system's narrow text, UTF-8 and UTF-16. Narrow text is
// UTF-8 on this platform, so the ANSI <-> UTF-8 pairs are identities.
#pragma once

#include <string>
#include <string_view>

namespace orx {

// Invalid UTF-8 becomes U+FFFD; never fails.
std::u16string Utf8ToWide(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::u16string_view text);

inline std::u16string AnsiToWide(std::string_view text) {
    return Utf8ToWide(text);
}
inline std::string WideToAnsi(std::u16string_view text) {
    return WideToUtf8(text);
}
inline std::string AnsiToUtf8(std::string_view text) {
    return std::string(text);
}
inline std::string Utf8ToAnsi(std::string_view text) {
    return std::string(text);
}

// Bytes in the system code page as UTF-8: identity here.
inline std::string CodePageBytesToUtf8(std::string_view text) {
    return std::string(text);
}

// Windows-1252 bytes (what a T61String in a certificate name meant) as UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);
// UTF-16 little-endian bytes (no BOM) as UTF-8; a trailing odd byte is dropped.
std::string Utf16LeBytesToUtf8(std::string_view bytes);
// UTF-16 big-endian bytes (a BMPString) as UTF-8; the caller refuses odd lengths.
std::string Utf16BeBytesToUtf8(std::string_view bytes);

// Whether `text` is well-formed UTF-8: shortest forms only, no surrogates, nothing
// above U+10FFFF (a U+0000 is well formed).
bool IsWellFormedUtf8(std::string_view text);

// Cuts `text` to at most `maxBytes` bytes without splitting a UTF-8 sequence.
std::string_view CutUtf8(std::string_view text, size_t maxBytes);

}  // namespace orx
