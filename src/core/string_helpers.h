// Narrow-string helpers shared by every layer. Case folding touches only the
// letters A to Z: names, keys and file prefixes compare the same way in every
// locale, and bytes of UTF-8 sequences are never folded.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

inline constexpr size_t kNotFound = std::string_view::npos;

// Lower case for "A" to "Z"; every other byte unchanged.
constexpr char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Equal, starting with `prefix` or ending with `suffix`, with "A" to "Z" folded.
constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}
constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}
constexpr bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// The text without the characters of `blanks` at its start, its end or both.
// Values in the middleware's files lose only their blanks: tabs and line ends
// are theirs to keep unless a caller names them.
constexpr std::string_view TrimStart(std::string_view text, std::string_view blanks = " ") {
    return text.substr(std::min(text.find_first_not_of(blanks), text.size()));
}
constexpr std::string_view TrimEnd(std::string_view text, std::string_view blanks = " ") {
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}
constexpr std::string_view Trim(std::string_view text, std::string_view blanks = " ") {
    return TrimEnd(TrimStart(text, blanks), blanks);
}

// Copies at most `n` bytes of `source`, stopping at a NUL byte.
void StrCopyN(std::string& destination, std::string_view source, size_t n);
inline void StrCopy(std::string& destination, std::string_view source) {
    StrCopyN(destination, source, source.size());
}
inline void StrAppend(std::string& destination, std::string_view source) {
    destination.append(source);
}

// Length of a NUL-terminated text; 0 for none.
size_t StrLength(const char* text);

// Byte comparison (bytes as unsigned) over the shorter length; when equal there the
// shorter text is the smaller. Negative, 0 or positive.
int StrCompare(std::string_view a, std::string_view b);
// StrCompare on at most `n` bytes of each.
int StrCompareN(std::string_view a, std::string_view b, size_t n);
// As StrCompare with "A" to "Z" folded to lower case.
int StrCompareNoCase(std::string_view a, std::string_view b);
int StrCompareNoCaseN(std::string_view a, std::string_view b, size_t n);

// Positions, kNotFound for none.
size_t StrFindChar(std::string_view text, char c);
size_t StrFindLastChar(std::string_view text, char c);
// None when the part is longer than the text; an empty part is found at 0.
size_t StrFind(std::string_view text, std::string_view part);
size_t StrFindNoCase(std::string_view text, std::string_view part);
inline bool ContainsNoCase(std::string_view text, std::string_view part) {
    return StrFindNoCase(text, part) != kNotFound;
}

// What fits a buffer of `capacity` bytes with its terminator: at most capacity - 1
// bytes, cut back to a character boundary so that no UTF-8 sequence is split.
std::string_view CutToCapacity(std::string_view text, size_t capacity);

// A list of owned texts in the order added.
class StringList {
  public:
    void Add(std::string_view text) { items_.emplace_back(text); }
    size_t Count() const { return items_.size(); }
    // The first entry for nullptr, otherwise the entry after `entry` (compared by
    // identity); nullptr after the last or for an entry not in the list.
    const std::string* Next(const std::string* entry) const;
    void Free() { items_.clear(); }

  private:
    std::vector<std::string> items_;
};

}  // namespace orx
