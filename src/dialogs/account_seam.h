// Whether help links may be offered and opened: not under the "SYSTEM" account,
// whose session has nobody in front of its browser. Tests decide the answer.
#pragma once

#include <optional>

namespace orx {

// IsSystemAccount, unless a test forced the answer.
bool RunsUnderSystemAccount();

namespace account_testing {
// Forces the answer; std::nullopt asks the system again.
void SetSystemAccount(std::optional<bool> system);
}  // namespace account_testing

}  // namespace orx
