// The one way into the settings dialog, for the main window's Settings command and
// for "orxxadm -settings".
#pragma once

#include <QWidget>

namespace orx {

class TokenApplication;

// Shows the settings sheet modally over `parent`, or without one over the running
// administration window (found by its title, also in another process). An open
// sheet is brought to the front instead of a second one. Returns the sheet's
// changed flag: non-zero when a page was modified (a new language included, which
// is then the program's language already), so that the caller shows itself anew;
// 0 when nothing changed or the sheet was not shown.
int ShowSettings(TokenApplication& app, QWidget* parent = nullptr);

// Whether this process may change the machine-wide settings: whether it may write
// the installation-wide configuration file (or what MachineSettingsOverride says).
bool CanChangeMachineSettings();

}  // namespace orx
