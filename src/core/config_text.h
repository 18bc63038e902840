// The line-by-line reading and editing of a configuration text: what a writable
// file and every file without a parsed tree go through.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orx::config_text {

// Texts grow in steps of this size; a line is at most one step less one byte.
inline constexpr size_t kGrowth = 164096;
inline constexpr size_t kMaxLine = kGrowth - 1;

struct Text {
    std::string bytes;
    size_t capacity = 0;        // a multiple of kGrowth, at least bytes.size() + 1
    size_t readPos = 0;         // line cursor
    size_t sectionPos = 0;      // where the found section's entries begin
    size_t lastLineLength = 0;  // line read last, from its first non-blank, with its line end
};

// The capacity that reading `length` bytes chunk by chunk ends with.
size_t CapacityFor(size_t length);

// Byte order marks go, UTF-16 becomes UTF-8, stray zero bytes become ".".
void Normalise(std::string& text);

struct Line {
    size_t start = 0;
    size_t length = 0;  // 0: the end of the text
};
// Skips blanks and line ends, takes the line, steps over one line end.
Line ReadLine(Text& text);

// Finds the section and key from the start. 0 with the value (cut to capacity - 1
// bytes) when found; kConfigSectionMissing; kConfigKeyMissing (or 0 without a key)
// with the read position at the insertion point for a new entry.
int Find(Text& text, std::string_view section, std::optional<std::string_view> key,
         std::string* value, size_t capacity);

// Replaces or adds the entry; 0, or the search's failure.
int Set(Text& text, std::string_view section, std::string_view key, std::string_view value);
// Removes the entry's line; the search's result.
int DeleteKey(Text& text, std::string_view section, std::string_view key);
// Removes the section whose header spells the name exactly; a missing one is fine.
void DeleteSection(Text& text, std::string_view section);
// The position-th key of the section; 0 and the position advanced, or -1.
int EnumKey(Text& text, std::string_view section, std::string& key, size_t capacity, int& position);

}  // namespace orx::config_text
