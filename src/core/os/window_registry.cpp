#include "core/os/window_registry.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "core/hex_text.h"
#include "core/sha1.h"
#include "core/trace.h"

namespace orx {

namespace {

constexpr std::string_view kActivateLine = "activate\n";
constexpr std::string_view kWhereLine = "where\n";
constexpr size_t kLineLimit = 64;
constexpr std::string_view kSocketPrefix = "/orx-window-";
// Enough of the digest to keep titles apart; short enough for a socket address.
constexpr size_t kHashDigits = 24;
// How long a caller may take to say what it wants after connecting.
constexpr int kRequestWaitMs = 200;
constexpr int kSendWaitMs = 500;
// How long a caller waits for a window's answer: its owner serves it from its loop.
constexpr int kAnswerWaitMs = 1000;

class OwnedFd {
  public:
    explicit OwnedFd(int fd) : fd_(fd) {}
    ~OwnedFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

enum class Probe { Live, Stale, Absent, Failed };

// Connects to the socket at path; on success the connected descriptor is handed out.
Probe Connect(const std::string& path, int* connected) {
    sockaddr_un address;
    if (!MakeAddress(path, address))
        return Probe::Failed;
    OwnedFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0)
        return Probe::Failed;
    int rc;
    do {
        rc = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        if (connected != nullptr)
            *connected = fd.release();
        return Probe::Live;
    }
    if (errno == ENOENT)
        return Probe::Absent;
    // Nobody listens: the file belongs to a process that ended without removing it.
    if (errno == ECONNREFUSED)
        return Probe::Stale;
    return Probe::Failed;
}

// Removes what a dead window left, but never anything that is not a socket, nor
// a socket that took the name since it refused the connection.
bool RemoveStale(const std::string& path, const struct stat* refused = nullptr) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    if (!S_ISSOCK(info.st_mode))
        return false;
    if (refused != nullptr && (info.st_dev != refused->st_dev || info.st_ino != refused->st_ino))
        return true;  // replaced meanwhile: not ours to judge
    ::unlink(path.c_str());
    Trace("Helper - Removed stale window registration '%s'", path.c_str());
    return true;
}

// A name for a socket that is not yet registered, unique within the folder.
std::string BuildingPath() {
    static unsigned counter = 0;
    return WindowRegistryFolder() + "/orx-new-" + std::to_string(::getpid()) + "-" +
           std::to_string(++counter);
}

// Connects; a socket found dead there is removed. A name held by something that
// is no socket counts as a failure.
Probe ProbePath(const std::string& path, int* connected) {
    struct stat before {};
    const bool existed = ::lstat(path.c_str(), &before) == 0;
    const Probe probe = Connect(path, connected);
    if (probe == Probe::Stale && existed && !RemoveStale(path, &before))
        return Probe::Failed;
    return probe;
}

Probe ProbeTitle(std::string_view title, int* connected) {
    const std::string path = WindowRegistryPath(title);
    if (path.empty())
        return Probe::Failed;
    return ProbePath(path, connected);
}

bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    int rc;
    do {
        rc = ::poll(&entry, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

// Reads one line, up to its line end, the peer's hang-up or the wait.
std::string ReadLine(int fd, int waitMs) {
    std::string line;
    char chunk[32];
    while (line.size() < kLineLimit && line.find('\n') == std::string::npos &&
           WaitFor(fd, POLLIN, waitMs)) {
        const ssize_t got = ::recv(fd, chunk, sizeof(chunk), MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            break;
        line.append(chunk, static_cast<size_t>(got));
    }
    return line;
}

bool SendAll(int fd, std::string_view text) {
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t rc =
            ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (rc > 0) {
            sent += static_cast<size_t>(rc);
        } else if (rc < 0 && (errno == EINTR || errno == EAGAIN)) {
            if (errno == EAGAIN && !WaitFor(fd, POLLOUT, kSendWaitMs))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// Only the user's own processes may ask a window to come forward.
bool IsSameUser(int client) {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return false;
    return credentials.uid == ::getuid();
}

}  // namespace

std::string WindowRegistryFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return runtime;
    const std::string folder = "/tmp/orx-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 0077) != 0) {
        return {};
    }
    return folder;
}

std::string WindowRegistryPath(std::string_view title) {
    const std::string folder = WindowRegistryFolder();
    if (folder.empty())
        return {};
    const Sha1Digest digest = Sha1(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(title.data()), title.size()));
    std::string path = folder;
    path += kSocketPrefix;
    path += HexText(std::span(digest).first(kHashDigits / 2));
    sockaddr_un address;
    if (!MakeAddress(path, address))
        return {};
    return path;
}

bool FindRegisteredWindow(std::string_view title) {
    int connected = -1;
    if (ProbeTitle(title, &connected) != Probe::Live)
        return false;
    ::close(connected);
    return true;
}

bool ActivateRegisteredWindow(std::string_view title) {
    int connected = -1;
    if (ProbeTitle(title, &connected) != Probe::Live)
        return false;
    OwnedFd fd(connected);
    return SendAll(fd.get(), kActivateLine);
}

std::optional<WindowPlace> LocateRegisteredWindow(std::string_view title) {
    int connected = -1;
    if (ProbeTitle(title, &connected) != Probe::Live)
        return std::nullopt;
    OwnedFd fd(connected);
    if (!SendAll(fd.get(), kWhereLine))
        return std::nullopt;
    const std::string answer = ReadLine(fd.get(), kAnswerWaitMs);
    unsigned long long id = 0;
    WindowPlace place;
    if (std::sscanf(answer.c_str(), "where %llu %d %d %d %d", &id, &place.x, &place.y, &place.width,
                    &place.height) != 5) {
        return std::nullopt;
    }
    place.nativeId = id;
    return place;
}

WindowRegistration::~WindowRegistration() {
    Unregister();
}

int WindowRegistration::Register(std::string_view title) {
    Unregister();
    const std::string path = WindowRegistryPath(title);
    const std::string building = BuildingPath();
    sockaddr_un address;
    if (path.empty() || !MakeAddress(building, address)) {
        Trace("Helper - Failed to register window title");
        return kWindowRegistryFailed;
    }
    OwnedFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.get() < 0) {
        Trace("Helper - Failed to register window title");
        return kWindowRegistryFailed;
    }
    // The socket listens under a name of its own before it takes the title's name,
    // so that nobody ever meets it under the title without an answer, and two
    // windows cannot both take one title: link() never replaces what is there.
    ::unlink(building.c_str());
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        Trace("Helper - Failed to register window title");
        return kWindowRegistryFailed;
    }
    ::chmod(building.c_str(), 0600);
    int result = kWindowRegistryFailed;
    if (::listen(fd.get(), 8) == 0) {
        for (int attempt = 0; attempt < 3 && result == kWindowRegistryFailed; ++attempt) {
            if (::link(building.c_str(), path.c_str()) == 0) {
                result = kWindowRegistered;
                break;
            }
            if (errno != EEXIST)
                break;
            int connected = -1;
            const Probe probe = ProbePath(path, &connected);
            if (probe == Probe::Live) {
                ::close(connected);
                result = kWindowTitleTaken;
            } else if (probe == Probe::Failed) {
                break;
            }
        }
    }
    ::unlink(building.c_str());
    if (result != kWindowRegistered) {
        if (result == kWindowRegistryFailed)
            Trace("Helper - Failed to register window title");
        return result;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        device_ = info.st_dev;
        inode_ = info.st_ino;
    }
    path_ = path;
    listener_ = fd.release();
    return kWindowRegistered;
}

void WindowRegistration::Unregister() {
    if (listener_ < 0)
        return;
    // Another process may have replaced a file we no longer answered on: only our
    // own socket file goes.
    struct stat info {};
    if (::lstat(path_.c_str(), &info) == 0 && info.st_dev == device_ && info.st_ino == inode_)
        ::unlink(path_.c_str());
    ::close(listener_);
    listener_ = -1;
    path_.clear();
}

int WindowRegistration::ServeRequests() {
    int activations = 0;
    while (listener_ >= 0) {
        OwnedFd client(::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (client.get() < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            break;  // EAGAIN: nobody else is waiting
        }
        if (!IsSameUser(client.get()))
            continue;
        const std::string request = ReadLine(client.get(), kRequestWaitMs);
        if (request.starts_with(kActivateLine)) {
            ++activations;
        } else if (request.starts_with(kWhereLine)) {
            char answer[96];
            std::snprintf(answer, sizeof(answer), "where %llu %d %d %d %d\n",
                          static_cast<unsigned long long>(place_.nativeId), place_.x, place_.y,
                          place_.width, place_.height);
            SendAll(client.get(), answer);
        }
    }
    return activations;
}

}  // namespace orx
