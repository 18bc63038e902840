// Whether help links may be offered and opened: not under the "SYSTEM" account,
// whose session has nobody in front of its browser. Tests decide the answer.
#pragma once

#include <optional>

namespace orx {

// IsSystemAccount, unless the override holds an answer.
bool RunsUnderSystemAccount();

// Set by the window tests only; std::nullopt asks the system.
std::optional<bool>& SystemAccountOverride();

}  // namespace orx
