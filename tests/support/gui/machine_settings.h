// Whether the settings sheet may change the machine-wide settings, decided by the
// test instead of by the account that runs it.
#pragma once

#include <optional>

namespace orx::settings_testing {

// Forces the answer of CanChangeMachineSettings; std::nullopt asks the system again.
void SetMachineSettingsAllowed(std::optional<bool> allowed);

}  // namespace orx::settings_testing
