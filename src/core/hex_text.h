// Bytes as hex digits and hex digits as bytes: digests, serial numbers, key
// identifiers, file names and escaped filter values all go through here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

enum class HexCase { kLower, kUpper };

// Appends the two digits of one byte, high nibble first.
void AppendHex(std::string& out, uint8_t byte, HexCase letters = HexCase::kLower);

// Two digits per byte with `separator` between bytes: "ab12" or, with ":" and
// upper case, "AB:12".
std::string HexText(std::span<const uint8_t> bytes, HexCase letters = HexCase::kLower,
                    std::string_view separator = {});

// The value of one hex digit, or -1 for any other character.
int HexDigitValue(char c);

// Two hex characters as one byte; the first is the high nibble. Characters that
// are no hex digit count as 0.
uint8_t HexPairToByte(char high, char low);

// Pairs of hex digits as bytes, either letter case: none for an odd length or any
// character that is no hex digit; "" gives no bytes.
std::optional<std::vector<uint8_t>> HexBytes(std::string_view text);

}  // namespace orx
