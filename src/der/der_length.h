// Lengths and headers of DER elements (one-octet tags; short, long and, on
// reading only, indefinite length forms).
#pragma once

#include <cstdint>

#include "der/der_reader.h"

namespace orx {

// The content length of the element at the start of `element` (0 or more), or
// DER_BAD_LENGTH when the length field is invalid or the element runs past the
// bytes given. `headerLength`, when given, receives 2 for the short and the
// indefinite form, 2 + n for the long form with n length octets.
int64_t DerDecodeLength(DerBytes element, uint32_t* headerLength = nullptr);

// DerDecodeLength, then the content behind the header. The tag is not checked.
int DerDecodeHeader(DerBytes element, DerBytes* content, uint32_t* contentLength = nullptr,
                    uint32_t* headerLength = nullptr);

// The next whole element (header and content) at the reader's cursor; moves the
// cursor behind it. Returns 0 or the negative code of DerDecodeLength.
int DerReadElement(DerReader& reader, DerBytes* element);

}  // namespace orx
