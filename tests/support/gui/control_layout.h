// The layout check of dialogs built from templates: every registered control that
// shows lies inside its window, a label or button is not smaller than its text
// needs, and no two of them overlap.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

namespace orx::ui_testing {

// Checks the registered, visible controls of `window` and returns them; each
// failure names the control with `where`, its id and its class.
std::vector<QWidget*> ExpectControlsWhole(QWidget* window, const std::string& where);

// "id class" of a control, for failure messages.
std::string DescribeControl(QWidget* control);

}  // namespace orx::ui_testing
