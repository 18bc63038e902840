// Small text-to-value conversions for configuration values and certificate times.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orx {

// The value of one hex digit, or -1 for any other character.
int HexDigitValue(char c);

// Two hex characters as one byte; the first is the high nibble. Characters that
// are no hex digit count as 0.
uint8_t HexPairToByte(char high, char low);

// "0x" + hex digits (longer than 2 characters): big-endian bytes, more than 8
// digits shift the first out; anything else: atoi.
uint32_t ParseNumber(std::string_view text);

// atoi: leading blanks, optional sign, decimal digits up to the first other
// character; no digits gives 0; never overflows (wraps like a 32-bit int).
int32_t AtoI(std::string_view text);

// "YYMMDDHHMMSSZ" or "YYYYMMDDHHMMSSZ" as "YYYY-MM-DD"; anything else gives "".
std::string CertTimeToDate(std::string_view time);

}  // namespace orx
