// Pictures of windows for a person to look at: a PNG of what the widget shows.
#pragma once

#include <QWidget>
#include <string>

namespace orx::ui_testing {

// Writes folder/name.png (the folder is made when missing); false on failure.
bool SaveWindowPng(QWidget* window, const std::string& folder, const std::string& name);

// Where the tests' pictures go: build/test-output.
std::string PictureFolder();

// PictureFolder()/name_<percent>.png, the scale in the name so that the 200 % run
// keeps its own; the path, or "" on failure.
std::string SavePicture(QWidget* window, const std::string& name);

}  // namespace orx::ui_testing
