// Top-level windows of the user's processes, found by their exact title. A window
// that wants to be found listens on a local socket in the user's runtime folder
// whose name comes from a hash of its title (titles are translated and long). A
// caller that connects has found it; the line "activate" asks it to come to the
// front. A socket left behind by a process that died refuses connections: whoever
// meets it removes it, so a title never stays registered past its window. The
// line "where" asks the window for its native id and its frame on the screen, so
// that a window of another process can be placed over it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
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

// Where a registered window is, as its owner last told its registration: the
// native window id (0 for none) and the frame in screen coordinates.
struct WindowPlace {
    uint64_t nativeId = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Asks the live window with that title where it is; nullopt when no window has the
// title or it does not answer within a second.
std::optional<WindowPlace> LocateRegisteredWindow(std::string_view title);

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
    // What the window answers to callers that ask where it is.
    void SetPlace(const WindowPlace& place) { place_ = place; }

    // Accepts the callers waiting now and reads their requests, answering those
    // that ask where the window is; returns how many asked for activation. Never
    // blocks longer than a short wait per caller.
    int ServeRequests();

  private:
    WindowPlace place_;
    int listener_ = -1;
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

}  // namespace orx
