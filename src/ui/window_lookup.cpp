#include "ui/window_lookup.h"

#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>

#include "ui/qt_text.h"

namespace orx {

TitledWindowRegistration::TitledWindowRegistration(QWidget* window) : window_(window) {
    if (window == nullptr)
        return;
    window->installEventFilter(this);
    // The title goes with the window, not with whoever owns this object.
    connect(window, &QObject::destroyed, this, [this]() {
        notifier_.reset();
        registration_.Unregister();
    });
    Follow();
}

TitledWindowRegistration::~TitledWindowRegistration() {
    notifier_.reset();
    if (window_ != nullptr)
        window_->removeEventFilter(this);
}

bool TitledWindowRegistration::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_)
        return false;
    switch (event->type()) {
        case QEvent::WindowTitleChange:
            Follow();
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            TellPlace();
            break;
        default:
            break;
    }
    return false;
}

void TitledWindowRegistration::TellPlace() {
    if (window_ == nullptr)
        return;
    const QRect frame = window_->frameGeometry();
    registration_.SetPlace({static_cast<uint64_t>(window_->internalWinId()), frame.x(), frame.y(),
                            frame.width(), frame.height()});
}

void TitledWindowRegistration::Follow() {
    if (window_ == nullptr || (window_->windowTitle() == title_ && IsRegistered()))
        return;
    notifier_.reset();
    registration_.Unregister();
    title_ = window_->windowTitle();
    if (title_.isEmpty())
        return;
    if (registration_.Register(ToUtf8(title_)) != kWindowRegistered)
        return;
    TellPlace();
    notifier_ =
        std::make_unique<QSocketNotifier>(registration_.Descriptor(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TitledWindowRegistration::Serve);
}

void TitledWindowRegistration::Serve() {
    if (registration_.ServeRequests() > 0 && window_ != nullptr) {
        BringWindowForward(window_);
        emit activationRequested();
    }
}

void BringWindowForward(QWidget* window) {
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget* FindLocalTopLevelWindow(std::string_view title) {
    const QString wanted = ToQString(title);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->windowTitle() == wanted)
            return top;
    }
    return nullptr;
}

bool FindTopLevelWindow(std::string_view title) {
    return FindLocalTopLevelWindow(title) != nullptr || FindRegisteredWindow(title);
}

bool ActivateTopLevelWindow(std::string_view title) {
    if (QWidget* local = FindLocalTopLevelWindow(title)) {
        BringWindowForward(local);
        return true;
    }
    return ActivateRegisteredWindow(title);
}

}  // namespace orx
