// The system colours the program paints with, taken from the application palette
// (which follows the desktop's colour scheme).
#pragma once

#include <QColor>

namespace orx {

enum class SysColor {
    Window,  // dialog and form background
    WindowText,
    Button,  // button faces, the owner-drawn list's background outside rows
    ButtonText,
    Base,  // edit and list background
    Text,
    Highlight,  // selected rows
    HighlightText,
    GrayText,  // disabled text
    HotLight,  // links
};

QColor GetSysColor(SysColor color);
// The link colour: the hot-light colour, or pure blue where the scheme gives black.
QColor GetLinkColor();

}  // namespace orx
