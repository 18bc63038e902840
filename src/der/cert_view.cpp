#include "der/cert_view.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "core/file_helpers.h"
#include "core/os/folders.h"
#include "core/product_identity.h"
#include "core/system_programs.h"
#include "core/trace.h"
#include "der/cert_inspection.h"

namespace orx {

namespace {

constexpr int kViewFailed = 6;
// The temporary folder's path is kept to this length so the file name fits 260.
constexpr size_t kTempFolderCapacity = 228;

std::atomic<int> g_viewCounter{0};

// A new file of this name, never through an existing file or link in its place.
bool WriteFreshFile(const std::string& path, std::span<const uint8_t> bytes) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = WriteAllBytes(
        fd, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int ViewCertificateBytes(void* owner, std::span<const uint8_t> bytes) {
    const std::string folder = GetPrivateTempFolder();
    if (folder.empty() || folder.size() > kTempFolderCapacity)
        return kViewFailed;
    const int counter = ++g_viewCounter;
    char name[32];
    std::snprintf(name, sizeof name, "%.3d.cer", counter);
    const std::string path = folder + GetTempFilePrefix() + name;
    if (!WriteFreshFile(path, bytes)) {
        Trace("Helper - Failed to write file '%s'", path.c_str());
        return kViewFailed;
    }
    if (owner != nullptr) {
        ShellOpen(owner, path, true);
        return 0;
    }
    // The client program splits its command line at blanks unless quoted.
    const std::string argument = path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
    if (StartProgram("-view " + argument) == 0) {
        ::unlink(path.c_str());
        return kViewFailed;
    }
    return 0;
}

void CertView(void* owner, const CertRecord* handle) {
    DerBytes data;
    if (!CertGetData(handle, &data))
        return;
    ViewCertificateBytes(owner, data);
}

}  // namespace orx
