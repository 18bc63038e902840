// The override behind CanChangeMachineSettings: while it holds an answer, that is
// the answer, so that a test run by root can see the sheet as a user who may not
// change machine settings. The program never sets it.
#pragma once

#include <optional>

namespace orx {

// std::nullopt asks the system.
std::optional<bool>& MachineSettingsOverride();

}  // namespace orx
