#include "ui/testing/modal_driver.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPointer>
#include <QTimer>

namespace orx::ui_testing {

namespace {

constexpr int kPollMs = 10;

void CloseModal(QWidget* window) {
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
        dialog->reject();
        if (dialog->isVisible())
            dialog->done(QDialog::Rejected);
    } else {
        window->close();
    }
}

}  // namespace

ModalRun RunModal(const std::function<int()>& open, const std::function<void(QWidget*)>& act,
                  int timeoutMs) {
    ModalRun run;
    QPointer<QWidget> seen;
    bool acted = false;
    QDeadlineTimer deadline(timeoutMs);
    QTimer watcher;
    watcher.setInterval(kPollMs);
    QObject::connect(&watcher, &QTimer::timeout, [&]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            if (!acted) {
                acted = true;
                run.appeared = true;
                seen = modal;
                if (act)
                    act(modal);
                return;  // give the action's events a turn before closing
            }
            if (modal == seen) {
                run.closedByDriver = true;
                CloseModal(modal);
                // A dialog that refuses to close is forced after the deadline.
                if (deadline.hasExpired() && modal->isVisible()) {
                    run.timedOut = true;
                    run.error = "the modal window would not close";
                    modal->hide();
                }
            }
            return;
        }
        if (!acted && deadline.hasExpired()) {
            run.timedOut = true;
            run.error = "no modal window appeared";
            watcher.stop();
        }
    });
    watcher.start();
    run.result = open();
    watcher.stop();
    // Anything opened from inside and left behind is closed too.
    while (QWidget* left = QApplication::activeModalWidget()) {
        CloseModal(left);
        if (left->isVisible())
            left->hide();
        QApplication::processEvents();
    }
    if (!run.appeared && run.error.empty())
        run.error = "no modal window appeared";
    return run;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, kPollMs);
        QEventLoop loop;
        QTimer::singleShot(kPollMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace orx::ui_testing
