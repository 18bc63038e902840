#include "support/gui/modal_driver.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWindow>

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
    // A modal window open before this run (the one a nested run acts inside) is
    // not this run's to act on or to close.
    const QPointer<QWidget> before = QApplication::activeModalWidget();
    bool acted = false;
    bool acting = false;
    QDeadlineTimer deadline(timeoutMs);
    QTimer watcher;
    watcher.setInterval(kPollMs);
    auto force = [&](QWidget* modal) {
        run.timedOut = true;
        run.error = "a modal window would not close";
        modal->hide();
    };
    QObject::connect(&watcher, &QTimer::timeout, [&]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal == before)
            modal = nullptr;
        if (modal != nullptr && modal->isVisible()) {
            if (!acted) {
                // Act on what a user could see: a window the display shows.
                QWindow* handle = modal->windowHandle();
                if (handle != nullptr && !handle->isExposed() && !deadline.hasExpired())
                    return;
                acted = true;
                run.appeared = true;
                seen = modal;
                // The action runs outside this handler, so that the watcher still
                // ticks in any event loop the action enters (a message box it opens).
                QTimer::singleShot(0, &watcher, [&]() {
                    acting = true;
                    if (act && seen != nullptr)
                        act(seen);
                    acting = false;
                });
                return;
            }
            if (acting) {
                // The action may be driving a window it opened; only the deadline
                // ends that.
                if (deadline.hasExpired())
                    force(modal);
                return;
            }
            // What the action left open is closed, and so is anything it opened
            // on top (a warning of the dialog itself, a message box).
            if (modal == seen)
                run.closedByDriver = true;
            CloseModal(modal);
            if (deadline.hasExpired() && modal->isVisible())
                force(modal);
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
        if (left == before)
            break;
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
