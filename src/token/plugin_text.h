// Small text helpers for plug-in names: they compare with ASCII case folding only.
// Fields of the ";"-separated answers are read with GetField (core/text_fields.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orx::plugin_text {

bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view text, std::string_view part);

}  // namespace orx::plugin_text
