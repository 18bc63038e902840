#include "core/os/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>

#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/product_identity.h"
#include "core/string_helpers.h"
#include "core/system_environment.h"
#include "core/trace.h"

#ifndef ORX_SYSCONFDIR
#define ORX_SYSCONFDIR "/etc"
#endif
#ifndef ORX_LIBDIR
#define ORX_LIBDIR "/usr/lib"
#endif
#ifndef ORX_SYSTEM_LIBDIR
#define ORX_SYSTEM_LIBDIR "/usr/lib"
#endif

namespace orx {

namespace {

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder.push_back('/');
    return folder;
}

std::string HomeFolder() {
    std::string home = GetEnvironment("HOME");
    if (!home.empty())
        return home;
    if (const passwd* user = ::getpwuid(::geteuid())) {
        if (user->pw_dir)
            return user->pw_dir;
    }
    return {};
}

// An XDG base folder: the variable when it holds an absolute path, else the
// fallback under the home folder.
std::string FindXdgFolder(const char* variable, const char* fallback) {
    std::string value = GetEnvironment(variable);
    if (!value.empty() && value[0] == '/')
        return WithSlash(value);
    const std::string home = HomeFolder();
    if (home.empty())
        return {};
    return WithSlash(home) + fallback;
}

// Traced once per folder found, not at every configuration read that asks for it.
std::string XdgFolder(const char* variable, const char* fallback) {
    static std::mutex lock;
    static auto* traced = new std::map<std::string, std::string>;  // by variable
    const std::string folder = FindXdgFolder(variable, fallback);
    std::lock_guard<std::mutex> guard(lock);
    std::string& last = (*traced)[variable];
    if (!folder.empty() && last != folder) {
        last = folder;
        Trace("OS - Folder: '%s'", folder.c_str());
    }
    return folder;
}

std::string ProductSubfolder(const std::string& base) {
    if (base.empty() || GetFilePrefix().empty())
        return {};
    return WithSlash(base) + GetFilePrefix() + "/";
}

// A per-user folder that nobody else can use to plant or read files: ours, 0700,
// a real folder and not a link to one.
bool IsPrivateFolder(const std::string& folder) {
    struct stat info {};
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (::lstat(path.c_str(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

std::string MakePrivateBase(const std::string& base) {
    std::string path = base;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    ::mkdir(path.c_str(), 0700);
    if (!IsPrivateFolder(path)) {
        Trace("Helper - Unsafe temporary folder '%s'", path.c_str());
        return {};
    }
    return path + "/";
}

struct PrivateTemp {
    std::mutex lock;
    std::string base;
    pid_t pid = 0;
    std::string folder;
};

PrivateTemp& TempState() {
    static PrivateTemp* state = new PrivateTemp;  // used by static destructors too
    return *state;
}

void RemoveEmptyTempFolder() {
    PrivateTemp& state = TempState();
    if (state.pid == ::getpid() && !state.folder.empty())
        ::rmdir(state.folder.c_str());
}

}  // namespace

std::string GetInstallLocation() {
    std::string location = GetEnvironment(kInstallLocationVariable);
    if (location.empty() && !GetFilePrefix().empty()) {
        const std::string configured = ORX_SYSCONFDIR "/" + GetFilePrefix() + "/";
        if (IsFolder(configured))
            location = configured;
    }
    if (location.empty() && !GetProductName().empty()) {
        location = ORX_LIBDIR "/" + GetProductName();
        if (!IsFolder(location))
            location = GetProgramFolder();
    }
    return WithSlash(location);
}

std::string GetComponentFolder(std::string_view folderTemplate) {
    std::string folder;
    if (ConfigReadString("Install", "Directory", folder, kConfigPathCapacity) == kConfigOk &&
        !folder.empty()) {
        return WithSlash(folder);
    }
    if (EqualsNoCase(folderTemplate, "%SYSTEM%")) {
        folder = GetSystemFolder();
    } else if (folderTemplate.find('%') != std::string_view::npos) {
        folder = ExpandEnvironment(folderTemplate, kConfigPathCapacity);
    } else if (!GetProductName().empty()) {
        folder = ORX_LIBDIR "/" + GetProductName();
    } else {
        folder = GetProgramFolder();
    }
    return WithSlash(folder);
}

std::string GetSystemFolder() {
    return WithSlash(ORX_SYSTEM_LIBDIR);
}

std::string GetUserDataFolder() {
    const std::string folder = ProductSubfolder(XdgFolder("XDG_CONFIG_HOME", ".config/"));
    if (!folder.empty() && !IsFolder(folder))
        CreatePath(folder, 0700);
    return folder;
}

std::string GetUserStateFolder() {
    return ProductSubfolder(XdgFolder("XDG_DATA_HOME", ".local/share/"));
}

std::string GetInternetCacheFolder() {
    return ProductSubfolder(XdgFolder("XDG_CACHE_HOME", ".cache/"));
}

std::string GetPrivateTempFolder() {
    PrivateTemp& state = TempState();
    std::lock_guard<std::mutex> guard(state.lock);
    const std::string prefix = GetFilePrefix().empty() ? "orx" : GetFilePrefix();

    std::string base;
    const std::string runtime = GetEnvironment("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime[0] == '/' && IsPrivateFolder(runtime)) {
        base = MakePrivateBase(WithSlash(runtime) + prefix);
    }
    if (base.empty()) {
        std::string temp = GetEnvironment("TMPDIR");
        if (temp.empty() || temp[0] != '/')
            temp = "/tmp";
        base = MakePrivateBase(WithSlash(temp) + prefix + "-" + std::to_string(::geteuid()));
    }
    if (base.empty())
        return {};

    // One folder per process, made afresh after a fork or when the base moved.
    if (state.pid == ::getpid() && state.base == base && IsPrivateFolder(state.folder)) {
        return state.folder;
    }
    std::string pattern = base + std::to_string(::getpid()) + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        Trace("Helper - Failed to create temporary folder in '%s'", base.c_str());
        return {};
    }
    static const bool cleanup = (std::atexit(RemoveEmptyTempFolder), true);
    (void)cleanup;
    state.base = base;
    state.pid = ::getpid();
    state.folder = pattern + "/";
    return state.folder;
}

}  // namespace orx
