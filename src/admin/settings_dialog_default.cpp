// Stands in for the settings dialog until src/settings/ provides RunSettingsDialog.
#include "admin/admin_dialogs.h"
#include "core/trace.h"

namespace orx {

bool RunSettingsDialog(QWidget* /*parent*/) {
    Trace("AdminMain - The settings dialog is not part of this program yet");
    return false;
}

}  // namespace orx
