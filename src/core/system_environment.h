// Environment variables in texts that come from configuration files and command
// lines, in the "%NAME%" form the middleware's files use.
#pragma once

#include <string>
#include <string_view>

namespace orx {

// Every "%NAME%" whose variable is set is replaced by its value; others stay as
// they are. A result that does not fit capacity - 1 bytes gives "".
std::string ExpandEnvironment(std::string_view text, size_t capacity = 260);

// The variable's value, or "" when it is unset.
std::string GetEnvironment(const char* name);

}  // namespace orx
