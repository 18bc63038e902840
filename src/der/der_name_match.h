// Matching of name texts against patterns such as "cn=Jane*, o=Org": attribute names
// are normalised to dotted types, values compare byte by byte with "?" for any byte
// and a trailing "*" for a prefix.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orx {

// Room for a normalised attribute type while matching.
inline constexpr size_t kMatchTypeCapacity = 32;

// "c", "cn", "o", "ou", "sn" (surname), "g", "e", "serialNumber", "l" (any letter
// case) as dotted types; "OID." + dotted as the dotted part; anything else
// unchanged (traced when it holds no "."). Cut to capacity - 1 bytes.
std::string GetObjectIdentifier(std::string_view name, size_t capacity);

// Leading and trailing blanks do not count; "?" on either side matches any byte; a
// trailing "*" on either side makes it a prefix match. Letter case counts.
bool MatchValue(std::string_view pattern, std::string_view value);

// True when an attribute of the name text has the key's type and a matching value.
bool FindAndMatchAttribute(std::string_view key, std::string_view patternValue,
                           std::string_view nameText);

// 1 when every key=value item of the pattern matches an attribute of the name text
// ("+" counts as ","); an empty pattern matches.
int MatchNameText(std::string_view nameText, std::string_view pattern);

// The patterns separated by ";": 1 for the first that matches, else the result of
// the last one tried. An empty list matches.
int MatchNameTextAny(std::string_view nameText, std::string_view patterns);

// The value behind the first occurrence of `key` (a plain substring search) up to
// the next "," or "+", one blank before that end dropped. 0, DER_FAILED when not
// found, DER_BUFFER_TOO_SMALL when the value is not shorter than the capacity.
int FindNameAttributeText(std::string_view nameText, std::string_view key, std::string& out,
                          size_t capacity);

}  // namespace orx
