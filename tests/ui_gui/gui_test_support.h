// Shared pieces of the window tests: the pictures (support/gui/window_grab.h), and
// a fresh configuration and language for each test.
#pragma once

#include <QApplication>
#include <QWidget>
#include <ostream>
#include <string>

#include "support/gui/window_grab.h"
#include "support/test_environment.h"

namespace orx::testing {

using orx::ui_testing::PictureFolder;
using orx::ui_testing::SavePicture;

}  // namespace orx::testing

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
