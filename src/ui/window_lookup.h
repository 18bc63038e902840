// Finding a top-level window by its exact title and bringing it forward, in this
// process or in another process of the same user. A window that others must be able
// to find is registered for as long as it lives and follows its own title changes;
// an activation request from another process shows, raises and activates it, and
// a question where it is gets its native id and frame.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string_view>

#include "core/os/window_registry.h"

class QSocketNotifier;

namespace orx {

class TitledWindowRegistration : public QObject {
    Q_OBJECT
  public:
    explicit TitledWindowRegistration(QWidget* window);
    ~TitledWindowRegistration() override;
    // False when the window has no title yet, or another live window holds it.
    bool IsRegistered() const { return registration_.IsRegistered(); }

  signals:
    // After the window was brought forward on another process's request.
    void activationRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Follow();
    void Serve();
    void TellPlace();

    QPointer<QWidget> window_;
    QString title_;
    WindowRegistration registration_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// A visible top-level window of this process with exactly that title, else nullptr.
QWidget* FindLocalTopLevelWindow(std::string_view title);
// Whether a top-level window with exactly that title exists, here or elsewhere.
bool FindTopLevelWindow(std::string_view title);
// Makes it the active window in front; false when there is none.
bool ActivateTopLevelWindow(std::string_view title);
// Shows a window that may be minimised or hidden, raises and activates it.
void BringWindowForward(QWidget* window);

}  // namespace orx
