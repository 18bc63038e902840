// Small text helpers for plug-in names and answers: names compare with ASCII case
// folding only, answers are ";"-separated lists.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orx::plugin_text {

bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view text, std::string_view part);

// Field `index` (from 0) of a list: skips `index` separators, then copies up to the
// next separator or the end, at most capacity - 1 bytes (never half a character).
// A list with fewer fields gives "".
std::string ListField(std::string_view list, char separator, size_t index, size_t capacity);

}  // namespace orx::plugin_text
