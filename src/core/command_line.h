// The raw command line and FindOption. Linux passes argv, not one line: the raw
// line is argv[1..] joined with one blank, arguments holding a blank wrapped in
// double quotes, so that FindOption's quote rule gets them back whole.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

std::string JoinCommandLine(std::span<const char* const> arguments);
std::string JoinCommandLine(const std::vector<std::string>& arguments);
// The reverse for command lines the program starts: blanks separate, double
// quotes group (and are removed).
std::vector<std::string> SplitCommandLine(std::string_view line);

// Found when `option` occurs anywhere in `line` (case-sensitive).
bool FindOption(std::string_view line, std::string_view option);
// The value after the option: blanks skipped, then up to the next double quote when
// it starts with one, else up to the next blank; cut to capacity - 1. Empty when the
// option is not found.
bool FindOption(std::string_view line, std::string_view option, std::string& value,
                size_t capacity);

}  // namespace orx
