// Top-level windows of the user's processes, found by their exact title. A window
// that wants to be found listens on a local socket in the user's runtime folder
// whose name comes from a hash of its title (titles are translated and long). A
// caller that connects has found it; the line "activate" asks it to come to the
// front. A socket left behind by a process that died refuses connections: whoever
// meets it removes it, so a title never stays registered past its window.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace orx {

// The folder the sockets live in: $XDG_RUNTIME_DIR, or else /tmp/orx-<uid> when it
// is the user's own folder, not a link and closed to others. Empty when neither.
std::string WindowRegistryFolder();
// The socket a title is registered under; empty without a folder or when the path
// would not fit a socket address.
std::string WindowRegistryPath(std::string_view title);

// Whether a live window with that title is registered (stale sockets are removed).
bool FindRegisteredWindow(std::string_view title);
// Sends the activation request; false when no live window has the title.
bool ActivateRegisteredWindow(std::string_view title);

inline constexpr int kWindowRegistered = 0;
inline constexpr int kWindowRegistryFailed = -1;
inline constexpr int kWindowTitleTaken = 1;  // a live window holds the title already

// One title registered for as long as the object lives. Not thread-safe: the owner
// serves it from its own loop, watching Descriptor() for readability.
class WindowRegistration {
  public:
    WindowRegistration() = default;
    ~WindowRegistration();
    WindowRegistration(const WindowRegistration&) = delete;
    WindowRegistration& operator=(const WindowRegistration&) = delete;

    // Drops any previous registration first. kWindowRegistered, kWindowTitleTaken or
    // kWindowRegistryFailed.
    int Register(std::string_view title);
    // Closes the socket and removes its file when it is still ours.
    void Unregister();
    bool IsRegistered() const { return listener_ >= 0; }
    // The listening socket, -1 when not registered.
    int Descriptor() const { return listener_; }
    const std::string& Path() const { return path_; }

    // Accepts the callers waiting now and reads their requests; returns how many
    // asked for activation. Never blocks longer than a short wait per caller.
    int ServeRequests();

  private:
    int listener_ = -1;
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

}  // namespace orx
