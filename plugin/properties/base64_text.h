// Base64 values handed to the module ("TokenData", "Certificate" and the like) are
// read strictly: standard alphabet, "=" padding, whole groups of four; line breaks
// and blanks between them are skipped. Encoding is core's Base64Encode.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace orx {

// Nothing when the text holds other characters or is not a whole encoding.
std::optional<std::vector<uint8_t>> Base64DecodeStrict(std::string_view text);

}  // namespace orx
