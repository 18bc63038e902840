#include "core/file_helpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "core/file_write_seam.h"
#include "core/trace.h"

namespace orx {

namespace {

constexpr size_t kReadChunk = 65536;

template <typename Buffer>
bool ReadInto(std::string_view path, Buffer& bytes, size_t limit, ReadFrom from) {
    bytes.clear();
    const std::string name(path);
    // Without a writer, opening a pipe would wait for one; only a regular file is
    // wanted then, and reading one is not affected by O_NONBLOCK.
    const bool regularOnly = from == ReadFrom::kRegularFile;
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0));
    if (fd < 0)
        return false;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (regularOnly && !regular) {
        ::close(fd);
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    // A regular file says its size: one allocation, and an oversized file is
    // refused before anything is read.
    size_t expected = 0;
    if (regular) {
        expected = static_cast<size_t>(info.st_size);
        if (expected > limit) {
            ::close(fd);
            errno = EFBIG;
            return false;
        }
    }
    size_t total = 0;
    int error = 0;
    for (;;) {
        // One byte more than expected, so that the end is seen without a second
        // round; files that grow or say no size read on in chunks.
        const size_t room = total < expected + 1 ? expected + 1 - total : kReadChunk;
        bytes.resize(total + room);
        const ssize_t n = ::read(fd, bytes.data() + total, room);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
        if (total > limit) {
            error = EFBIG;
            break;
        }
    }
    ::close(fd);
    if (error != 0) {
        bytes.clear();
        errno = error;
        return false;
    }
    bytes.resize(total);
    return true;
}

// The real file behind a chain of symbolic links; the path itself when it does
// not exist yet or cannot be resolved.
std::string RealTarget(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        ::realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return path;
}

int SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::fsync(fd);
    ::close(fd);
    return 0;
}

// Runs the producer over the descriptor: 0, or the errno of the failure.
int Produce(int fd, const std::function<bool(const ContentWriter&)>& produce) {
    int error = 0;
    const ContentWriter write = [&](std::string_view piece) {
        if (WriteAllBytes(fd, piece))
            return true;
        error = errno ? errno : EIO;
        return false;
    };
    if (!produce(write) && error == 0)
        error = EIO;
    return error;
}

int RewriteInPlace(int fd, const std::function<bool(const ContentWriter&)>& produce) {
    if (::lseek(fd, 0, SEEK_SET) < 0 || ::ftruncate(fd, 0) != 0)
        return errno;
    if (const int error = Produce(fd, produce))
        return error;
    if (::fsync(fd) != 0 && errno != EINVAL)
        return errno;
    return 0;
}

}  // namespace

bool ReadWholeFile(std::string_view path, std::vector<uint8_t>& bytes, size_t limit,
                   ReadFrom from) {
    return ReadInto(path, bytes, limit, from);
}

bool ReadWholeFile(std::string_view path, std::string& bytes, size_t limit, ReadFrom from) {
    return ReadInto(path, bytes, limit, from);
}

bool WriteAllBytes(int fd, std::string_view bytes) {
    size_t budget = bytes.size();
    const long long limit = FailWritesAfterOverride().load();
    if (limit >= 0 && static_cast<unsigned long long>(limit) < bytes.size()) {
        budget = static_cast<size_t>(limit);
    }
    size_t done = 0;
    while (done < budget) {
        const ssize_t n = ::write(fd, bytes.data() + done, budget - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (budget < bytes.size()) {
        errno = EIO;
        return false;
    }
    return true;
}

int ReplaceFileContents(std::string_view path, std::string_view bytes,
                        const ReplaceOptions& options) {
    return ReplaceFileInPieces(
        path, [bytes](const ContentWriter& write) { return write(bytes); }, options);
}

int ReplaceFileInPieces(std::string_view path,
                        const std::function<bool(const ContentWriter& write)>& produce,
                        const ReplaceOptions& options) {
    const std::string target = RealTarget(std::string(path));
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode))
        return EISDIR;

    std::string temp = folder + "." + base + ".XXXXXX";
    int fd = -1;
    if (FailFilesBesideOverride().load()) {
        errno = EACCES;
    } else {
        fd = ::mkstemp(temp.data());
    }
    if (fd < 0) {
        const int error = errno;
        if (options.inPlaceDescriptor >= 0)
            return RewriteInPlace(options.inPlaceDescriptor, produce);
        return error;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    if (options.ownerOnly) {
        ::fchmod(fd, 0600);
    } else if (existed) {
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, options.newFileMode & ~mask);
    }
    // Root rewriting a user's file must leave it that user's.
    if (existed && ::geteuid() == 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Left as root's: still readable by root, and the content is not lost.
    }
    int error = Produce(fd, produce);
    if (error == 0 && options.flush && ::fsync(fd) != 0 && errno != EINVAL)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    if (options.flush)
        SyncFolderOf(target);
    return 0;
}

bool WriteWholeFile(std::span<const uint8_t> bytes, std::string_view path) {
    return WriteWholeFile(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path);
}

bool WriteWholeFile(std::string_view bytes, std::string_view path) {
    if (path.empty())
        return false;
    const int error = ReplaceFileContents(path, bytes);
    if (error != 0) {
        const std::string name(path);
        Trace("Helper - Failed to write '%s' (%d)", name.c_str(), error);
        errno = error;
        return false;
    }
    return true;
}

bool FileExists(std::string_view path) {
    if (path.empty())
        return false;
    struct stat info {};
    return ::stat(std::string(path).c_str(), &info) == 0;
}

bool IsFolder(std::string_view path) {
    if (path.empty())
        return false;
    struct stat info {};
    return ::stat(std::string(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreatePath(std::string_view path, mode_t mode) {
    std::string text(path);
    Trace("Helper - Create path: '%s'", text.c_str());
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] != '/' || text[i - 1] == '/')
            continue;
        const std::string folder = text.substr(0, i);
        if (IsFolder(folder))
            continue;
        if (::mkdir(folder.c_str(), mode) != 0 && !(errno == EEXIST && IsFolder(folder))) {
            return false;
        }
    }
    return true;
}

std::atomic<long long>& FailWritesAfterOverride() {
    static std::atomic<long long> bytes{-1};
    return bytes;
}

std::atomic<bool>& FailFilesBesideOverride() {
    static std::atomic<bool> fail{false};
    return fail;
}

}  // namespace orx
