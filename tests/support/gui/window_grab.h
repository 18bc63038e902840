// Pictures of windows for a person to look at: a PNG of what the widget shows.
#pragma once

#include <QWidget>
#include <string>

namespace orx::ui_testing {

// Writes folder/name.png (the folder is made when missing); false on failure.
bool SaveWindowPng(QWidget* window, const std::string& folder, const std::string& name);

}  // namespace orx::ui_testing
