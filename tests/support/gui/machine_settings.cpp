#include "support/gui/machine_settings.h"

#include "settings/machine_settings_seam.h"

namespace orx::settings_testing {

void SetMachineSettingsAllowed(std::optional<bool> allowed) {
    MachineSettingsOverride() = allowed;
}

}  // namespace orx::settings_testing
