// Base64 of the module's byte values ("TokenData" and the like): standard alphabet
// with "=" padding; the decoder skips line breaks and blanks.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

std::string EncodeBase64(std::span<const uint8_t> bytes);
// Nothing when the text holds other characters or is not a whole encoding.
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);

}  // namespace orx
