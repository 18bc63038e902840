// Fields of ";" lists and "|" records, and attribute lookup in name texts
// ("2.5.4.6=DE, 2.5.4.3=Jane Doe + 2.5.4.5=1234"). Results are cut to the caller's
// capacity as a fixed buffer of that size would hold them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orx {

// Field `index` (from 0) of `text`, cut to capacity - 1 bytes. A text with fewer
// fields, and a capacity of 0 or 1, give an empty result.
std::string GetField(std::string_view text, char separator, int index, size_t capacity);

// Deletes every character of `set` from `text`.
void RemoveChars(std::string& text, std::string_view set);

// The value of the attribute with this dotted type in a name text; several values
// of the type come out joined by ", " in their order. `out` is cut to capacity - 1
// bytes. True when the type was found.
bool GetNameAttribute(std::string_view name, std::string_view oid, std::string& out,
                      size_t capacity);

// The name attribute (2.5.4.41) when the name has one; otherwise common name,
// serial number, organisational unit and organisation joined by ", ". True when
// the result is not empty.
bool GetDisplayName(std::string_view name, std::string& out, size_t capacity);

}  // namespace orx
