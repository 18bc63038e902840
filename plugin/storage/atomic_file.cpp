#include "storage/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/file_helpers.h"
#include "core/hex_text.h"
#include "core/trace.h"
#include "keys/token_crypto.h"

namespace orx {

namespace {

constexpr std::string_view kNewFileMark = ".new-";
constexpr size_t kNewFileDigits = 12;

bool IsLeftoverName(std::string_view name) {
    const size_t mark = name.rfind(kNewFileMark);
    if (mark == std::string_view::npos || mark == 0 ||
        name.size() != mark + kNewFileMark.size() + kNewFileDigits)
        return false;
    for (const char c : name.substr(mark + kNewFileMark.size())) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// The bytes a write may put into a new file before it fails; -1: no limit.
long long WriteFailureLimit() {
    const char* text = std::getenv(kFailWritesVariable);
    if (!text || !*text)
        return -1;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    return *end == '\0' && value >= 0 ? value : -1;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// With a failure limit the disk is full after that many bytes: what fits is
// written, as on a real disk, and the write fails with ENOSPC.
bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    const long long limit = WriteFailureLimit();
    const bool full = limit >= 0 && static_cast<unsigned long long>(limit) < bytes.size();
    const size_t count = full ? static_cast<size_t>(limit) : bytes.size();
    if (!WriteAllBytes(fd, {reinterpret_cast<const char*>(bytes.data()), count}))
        return false;
    if (full)
        errno = ENOSPC;
    return !full;
}

}  // namespace

bool AtomicWriteFile(const std::string& path, std::span<const uint8_t> bytes) {
    uint8_t random[kNewFileDigits / 2];
    RandomBytes(random);
    const std::string temp = path + std::string(kNewFileMark) + HexText(random);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        Trace("Plg - Failed to create %s (errno %d)", temp.c_str(), errno);
        return false;
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int error = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok) {
        Trace("Plg - Failed to write %s (errno %d)", path.c_str(), error);
        ::unlink(temp.c_str());
        return false;
    }
    if (!SyncFolder(FolderOf(path))) {
        Trace("Plg - Failed to sync the folder of %s (errno %d)", path.c_str(), errno);
        return false;
    }
    return true;
}

void RemoveWriteLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsLeftoverName(entry->d_name))
            stale.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& name : stale) {
        if (::unlink((prefix + name).c_str()) == 0)
            Trace("Plg - Removed %s, left by a writer that died", name.c_str());
    }
}

bool RemoveFileDurably(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        Trace("Plg - Failed to remove %s (errno %d)", path.c_str(), errno);
        return false;
    }
    return SyncFolder(FolderOf(path));
}

bool MakeFolders(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const std::string parent = FolderOf(path);
    if (parent != path && parent != "/" && parent != "." && !MakeFolders(parent))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

FileLock::FileLock(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        Trace("Plg - Failed to open the lock %s (errno %d)", path.c_str(), errno);
        return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            Trace("Plg - Failed to lock %s (errno %d)", path.c_str(), errno);
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0)
        ::close(fd_);  // closing the descriptor releases the flock
}

}  // namespace orx
