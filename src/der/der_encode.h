// Encoders of DER elements. Content is written at the start of the output area and
// the header is then inserted in front of it, so structures are built inside out in
// one area. Every encoder takes an in/out count: the capacity on entry (never more
// than the area's size), the bytes written on success.
#pragma once

#include <cstdint>
#include <span>

#include "der/der_reader.h"

namespace orx {

using DerArea = std::span<uint8_t>;

// Size of a header (tag and length field) for this content length: 2 below 128,
// then 3, 4, 5 and 6 bytes for up to one, two, three and four length octets.
uint32_t DerHeaderSize(uint64_t contentLength);

// The first `count` bytes of the area are content; inserts tag and length in front
// and adds the header size to the count. The room kept for the header follows the
// capacity, not the content, so a capacity of 129 never fits 127 content bytes.
int DerWrap(uint8_t tag, DerArea area, uint32_t* count, uint32_t capacity);

// The same insertion sized by the content length; the count is the capacity on
// entry and header plus content on return.
int DerAddHead(uint8_t tag, uint32_t contentLength, DerArea area, uint32_t* count);

int DerEncodeValue(uint8_t tag, DerBytes bytes, DerArea area, uint32_t* count);
// One 0x00 octet (no unused bits) before the bytes.
int DerEncodeBitString(uint8_t tag, DerBytes bytes, DerArea area, uint32_t* count);
// A big-endian magnitude as an INTEGER-type element, with a 0x00 octet in front
// when its top bit is set.
int DerEncodeUnsigned(uint8_t tag, DerBytes bytes, DerArea area, uint32_t* count);
// The fewest big-endian bytes of the value (0 is the one byte 0x00).
int DerEncodeUint32(uint8_t tag, uint32_t value, DerArea area, uint32_t* count);
int DerEncodeBoolean(uint8_t tag, bool flag, DerArea area, uint32_t* count);

}  // namespace orx
