// Top-level windows found by their title, also those of another process of the
// same user: a window registers its title while it lives, as a local socket in the
// user's runtime folder named from a hash of the title (titles are translated and
// long). Connecting finds the window; the line "activate" raises it. A socket left
// behind by a process that died is removed by the next one that meets it.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

namespace orx {

class WindowTitleRegistration {
  public:
    // Registers the window's current title and follows its changes.
    explicit WindowTitleRegistration(QWidget* window);
    ~WindowTitleRegistration();
    WindowTitleRegistration(const WindowTitleRegistration&) = delete;
    WindowTitleRegistration& operator=(const WindowTitleRegistration&) = delete;
    // False when another live window holds the title already.
    bool IsListening() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// A top-level window of this process (shown or not) with exactly that title, else nullptr.
QWidget* FindLocalWindowTitle(std::string_view title);
// Whether a window with exactly that title exists, here or in another process.
bool FindWindowTitle(std::string_view title);
// Shows, raises and activates it; false when there is none.
bool ActivateWindowTitle(std::string_view title);
// The socket a title is registered under.
std::string WindowTitleSocketPath(std::string_view title);

namespace window_title_testing {
// Only the socket side, as another process sees it.
bool ProbeSocket(std::string_view title);
bool ActivateThroughSocket(std::string_view title);
}  // namespace window_title_testing

}  // namespace orx
