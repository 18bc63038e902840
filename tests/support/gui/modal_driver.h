// Drives modal dialogs from tests without ever hanging: the code that opens the
// dialog runs while a watcher waits for the modal window, acts on it, and closes
// whatever is still open. When no modal window appears, or one stays open, the
// run is reported as failed instead of blocking the test.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

namespace orx::ui_testing {

struct ModalRun {
    bool appeared = false;        // a modal window showed up
    bool closedByDriver = false;  // it was still open after the action
    bool timedOut = false;        // nothing appeared, or it would not close
    int result = -1;              // what `open` returned
    std::string error;            // why the run failed, for the test's message

    bool ok() const { return appeared && !timedOut; }
};

// `open` runs the modal code (DoModal, ShowMessage, ...) and returns its result;
// `act` gets the modal window once it is shown (it may close it itself).
ModalRun RunModal(const std::function<int()>& open, const std::function<void(QWidget*)>& act,
                  int timeoutMs = 5000);

// Waits for `condition` while processing events; false on timeout.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 2000);

}  // namespace orx::ui_testing
