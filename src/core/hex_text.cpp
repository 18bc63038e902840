#include "core/hex_text.h"

namespace orx {

void AppendHex(std::string& out, uint8_t byte, HexCase letters) {
    const char* digits = letters == HexCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    out.push_back(digits[byte >> 4]);
    out.push_back(digits[byte & 0x0F]);
}

std::string HexText(std::span<const uint8_t> bytes, HexCase letters, std::string_view separator) {
    std::string out;
    if (bytes.empty())
        return out;
    out.reserve(bytes.size() * (2 + separator.size()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0)
            out.append(separator);
        AppendHex(out, bytes[i], letters);
    }
    return out;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

uint8_t HexPairToByte(char high, char low) {
    const int h = HexDigitValue(high);
    const int l = HexDigitValue(low);
    return static_cast<uint8_t>(((h < 0 ? 0 : h) << 4) | (l < 0 ? 0 : l));
}

std::optional<std::vector<uint8_t>> HexBytes(std::string_view text) {
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        if (HexDigitValue(text[i]) < 0 || HexDigitValue(text[i + 1]) < 0)
            return std::nullopt;
        bytes.push_back(HexPairToByte(text[i], text[i + 1]));
    }
    return bytes;
}

}  // namespace orx
