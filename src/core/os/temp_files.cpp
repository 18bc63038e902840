#include "core/os/temp_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/file_helpers.h"
#include "core/os/folders.h"
#include "core/trace.h"

namespace orx {

namespace {

constexpr int kMaxAttempts = 1000;

std::string Candidate(std::string_view name, int attempt) {
    if (attempt == 0)
        return std::string(name);
    const size_t dot = name.rfind('.');
    const std::string_view stem =
        dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot);
    return std::string(stem) + "-" + std::to_string(attempt) + std::string(extension);
}

}  // namespace

std::string WritePrivateTempFile(std::string_view name, std::string_view bytes) {
    if (name.empty() || name.find('/') != std::string_view::npos || name == "." || name == "..") {
        return {};
    }
    const std::string folder = GetPrivateTempFolder();
    if (folder.empty())
        return {};
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string path = folder + Candidate(name, attempt);
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            break;
        }
        const bool written = WriteAllBytes(fd, bytes);
        if (::close(fd) == 0 && written)
            return path;
        ::unlink(path.c_str());
        break;
    }
    Trace("Helper - Failed to create temporary file '%.*s'", static_cast<int>(name.size()),
          name.data());
    return {};
}

}  // namespace orx
