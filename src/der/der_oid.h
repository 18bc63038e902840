// Object identifiers: dotted text (or a short attribute name) to a DER element and
// back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "der/der_encode.h"
#include "der/der_reader.h"

namespace orx {

// Room for a dotted text with its terminator wherever the codec keeps one.
inline constexpr size_t kOidTextCapacity = 64;

struct OidRecord {
    DerBytes element;
    std::string text;  // at most kOidTextCapacity - 1 characters
};

// A whole OBJECT IDENTIFIER element (tag 0x06, one length octet) for dotted text or
// one of the names cn, s, sn, serialNumber, c, o, ou, t, g (lower or upper case).
// Other text without a "." is traced as a bad oid and gives an empty identifier.
// Arcs are read as atoi reads them. Returns 0 and the element length; DER_FAILED
// for an arc or first pair beyond 32 bits, a negative arc or more than 127 content
// bytes; DER_BUFFER_TOO_SMALL when the area cannot hold the element.
int DerEncodeOid(std::string_view text, DerArea area, uint32_t* length);

// Dotted text of an OBJECT IDENTIFIER element, at most capacity - 1 characters.
// Empty content leaves `text` untouched. Returns 0, DER_BAD_TAG (also for a
// sub-identifier beyond 32 bits or cut off), DER_BAD_LENGTH or
// DER_BUFFER_TOO_SMALL (the text as far as it fitted stays).
int DerOidToText(DerBytes element, std::string& text, size_t capacity);

// The element (exactly its own bytes) and its text with capacity 64.
int DerDecodeOid(DerBytes element, OidRecord* record);

}  // namespace orx
