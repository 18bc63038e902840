// Whether the program runs under the "SYSTEM" account: its user name begins with
// "SYSTEM" (letter case ignored). No Linux account does; a service of the
// middleware may still be given such a name, and then no help link is offered or
// opened, since nobody sits in front of that session's browser.
#pragma once

#include <optional>

namespace orx {

bool RunsUnderSystemAccount();

namespace account_testing {
// Forces the answer; std::nullopt asks the system again.
void SetSystemAccount(std::optional<bool> system);
}  // namespace account_testing

}  // namespace orx
