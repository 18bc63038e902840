// Shared pieces of the window tests: the folder for pictures, and a fresh
// configuration and language for each test.
#pragma once

#include <QApplication>
#include <QWidget>
#include <ostream>
#include <string>

#include "support/gui/window_grab.h"
#include "support/test_environment.h"

namespace orx::testing {

inline std::string PictureFolder() {
    return std::string(ORX_BINARY_DIR) + "/test-output";
}

// The picture's name carries the scale, so that the 200 % run keeps its own.
inline std::string SavePicture(QWidget* window, const std::string& name) {
    const int percent = static_cast<int>(window->devicePixelRatioF() * 100 + 0.5);
    const std::string file = name + "_" + std::to_string(percent);
    return orx::ui_testing::SaveWindowPng(window, PictureFolder(), file)
               ? PictureFolder() + "/" + file + ".png"
               : std::string();
}

}  // namespace orx::testing

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
