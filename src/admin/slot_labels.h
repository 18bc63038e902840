// The captions of the slot list's items, made from the plug-in's slot entries
// ("id;reader or token name;card label or token file") and the product name.
#pragma once

#include <string>
#include <string_view>

namespace orx {

// Labels keep at most 255 bytes.
inline constexpr size_t kSlotLabelFieldCapacity = 256;
// From this many characters on, a reader name is shown in two lines.
inline constexpr size_t kWrapLabelCharacters = 16;
// A product name longer than this shows only what follows its first blank.
inline constexpr size_t kShortProductNameCharacters = 20;

// A "SlotCard" entry's caption: the reader name, its first blank turned into a line
// break when the name has 16 characters or more, so that the icon's caption wraps.
std::string CardSlotLabel(std::string_view entry);
// A "SlotSoft" entry's caption: the token file (field 2), or the name when empty.
std::string SoftSlotLabel(std::string_view entry);
// The Components entry: the product name (only its part after the first blank when
// it is longer than 20 characters), a line break, then `components`.
std::string ComponentsLabel(std::string_view productName, std::string_view components);

// Characters of a UTF-8 text (every byte that does not continue a sequence).
size_t Utf8Length(std::string_view text);

}  // namespace orx
