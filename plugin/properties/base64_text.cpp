#include "properties/base64_text.h"

#include <openssl/evp.h>

#include <string>

namespace orx {

std::optional<std::vector<uint8_t>> Base64DecodeStrict(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                              (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
        if (!alphabet)
            return std::nullopt;
        clean += c;
    }
    if (clean.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    while (padding < 2 && padding < clean.size() && clean[clean.size() - 1 - padding] == '=')
        ++padding;
    if (clean.find('=') < clean.size() - padding)
        return std::nullopt;
    std::vector<uint8_t> out(clean.size() / 4 * 3);
    const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(clean.data()),
                                  static_cast<int>(clean.size()));
    if (n < 0)
        return std::nullopt;
    out.resize(static_cast<size_t>(n) - padding);
    return out;
}

}  // namespace orx
