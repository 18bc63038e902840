#include "ui/system_colors.h"

#include <QApplication>
#include <QPalette>

namespace orx {

QColor GetSysColor(SysColor color) {
    const QPalette palette = QApplication::palette();
    switch (color) {
        case SysColor::Window:
            return palette.color(QPalette::Window);
        case SysColor::WindowText:
            return palette.color(QPalette::WindowText);
        case SysColor::Button:
            return palette.color(QPalette::Button);
        case SysColor::ButtonText:
            return palette.color(QPalette::ButtonText);
        case SysColor::Base:
            return palette.color(QPalette::Base);
        case SysColor::Text:
            return palette.color(QPalette::Text);
        case SysColor::Highlight:
            return palette.color(QPalette::Highlight);
        case SysColor::HighlightText:
            return palette.color(QPalette::HighlightedText);
        case SysColor::GrayText:
            return palette.color(QPalette::Disabled, QPalette::Text);
        case SysColor::HotLight:
            return palette.color(QPalette::Link);
    }
    return palette.color(QPalette::Window);
}

QColor GetLinkColor() {
    const QColor hot = GetSysColor(SysColor::HotLight);
    if ((hot.rgb() & 0xFFFFFF) == 0)
        return QColor(0, 0, 255);
    return hot;
}

}  // namespace orx
