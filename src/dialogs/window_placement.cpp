#include "dialogs/window_placement.h"

#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "core/language.h"
#include "core/trace.h"
#include "ui/qt_text.h"
#include "ui/window_lookup.h"

namespace orx {

void CenterOverParent(QWidget* window) {
    if (window == nullptr)
        return;
    Trace("Dlg - Set window below parent...");
    QWidget* parent =
        window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
    QScreen* screen = parent != nullptr ? parent->screen() : window->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QSize size = window->frameGeometry().size();
    int x = 100;
    int y = 100;
    if (parent != nullptr || screen != nullptr) {
        const QRect reference = parent != nullptr ? parent->frameGeometry() : screen->geometry();
        const QRect desktop = screen != nullptr ? screen->geometry() : reference;
        x = reference.left() + (reference.width() - size.width()) / 2;
        y = reference.top() + (reference.height() - size.height()) / 2;
        x = std::max(0, std::min(x, desktop.width() - size.width()));
        y = std::max(0, std::min(y, desktop.height() - 30 - size.height()));
    }
    window->move(x, y);
    if (!(window->windowFlags() & Qt::WindowStaysOnTopHint)) {
        const bool visible = window->isVisible();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (visible)
            window->show();  // changing the flags hides a window
    }
    Trace("Dlg - Window location: x=%d, y=%d", x, y);
    Trace("Dlg - Set window below parent... done");
}

void SetBoldFont(QWidget* control, int grow, bool bold) {
    if (control == nullptr)
        return;
    QFont font = control->font();
    if (font.pointSizeF() > 0) {
        const qreal size = font.pointSizeF();
        font.setPointSizeF(size + (size >= 0 ? grow : -grow));
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(font.pixelSize() + grow);
    }
    if (bold)
        font.setWeight(QFont::Bold);
    control->setFont(font);
}

bool BringToFront(int stringId) {
    return ActivateTopLevelWindow(GetTitleText(stringId));
}

}  // namespace orx
