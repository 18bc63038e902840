// Small text-to-value conversions for configuration values and certificate times.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// ParseNumber reads its "0x" digits with the hex helpers, which callers of this
// header have always had at hand.
#include "core/hex_text.h"

namespace orx {

// "0x" + hex digits (longer than 2 characters): big-endian bytes, more than 8
// digits shift the first out; anything else: atoi.
uint32_t ParseNumber(std::string_view text);

// atoi: leading blanks, optional sign, decimal digits up to the first other
// character; no digits gives 0; never overflows (wraps like a 32-bit int).
int32_t AtoI(std::string_view text);

// "YYMMDDHHMMSSZ" or "YYYYMMDDHHMMSSZ" as "YYYY-MM-DD"; anything else gives "".
std::string CertTimeToDate(std::string_view time);

}  // namespace orx
