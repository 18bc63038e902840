// Names as one line of UTF-8 text: "2.5.4.6=DE, 2.5.4.10=Org, 2.5.4.3=Jane + 2.5.4.5=1"
// (dotted types, " + " inside a relative name, ", " between them, encoded order,
// nothing quoted or escaped), and attribute values as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "der/der_encode.h"
#include "der/der_reader.h"

namespace orx {

// The value element (one-octet length) as UTF-8: a BMPString from UTF-16BE, a
// T61String read as Windows-1252, every other string type copied. `count` is the
// capacity on entry (the result must be shorter) and the text length on return.
int DecodeNameValue(DerBytes element, std::string& out, uint32_t* count);

// A value element for the text: PrintableString when every byte is below 0x80;
// otherwise T61String of its Windows-1252 bytes when every character has one, else
// UTF8String. Values of 126 encoded bytes or more are refused.
int EncodeNameValue(std::string_view text, DerArea area, uint32_t* count);

// The name text of a Name SEQUENCE, at most capacity - 1 bytes. On failure the
// text as far as it got stays in `out`.
int DerNameToText(DerBytes name, std::string& out, size_t capacity);

// The name text with the known attribute types in their short names
// ("2.5.4.6=SE, 2.5.4.3=Jane" -> "C=SE, CN=Jane"), as the viewer shows names. A
// value may hold ", ", " + " or "=" itself, so only a type that a separator
// leads to and that is followed by "=" is replaced.
std::string ReadableName(std::string_view nameText);

// A Name SEQUENCE for a name text, split at "," and "+" and each attribute at its
// first "="; nothing is trimmed. The empty text gives 30 00.
int DerTextToName(std::string_view text, std::vector<uint8_t>& element);

}  // namespace orx
