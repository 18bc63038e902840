#include "ui/wait_cursor.h"

#include <QApplication>
#include <QCursor>

namespace orx {

void BeginWaitCursor() {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void EndWaitCursor() {
    if (QApplication::overrideCursor() != nullptr)
        QApplication::restoreOverrideCursor();
}

bool IsWaitCursorShown() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

WaitCursor::WaitCursor() : active_(true) {
    BeginWaitCursor();
}

WaitCursor::~WaitCursor() {
    Restore();
}

void WaitCursor::Restore() {
    if (!active_)
        return;
    active_ = false;
    EndWaitCursor();
}

}  // namespace orx
