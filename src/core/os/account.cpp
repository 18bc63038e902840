#include <pwd.h>
#include <unistd.h>

#include <mutex>

#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/string_helpers.h"
#include "core/system_account.h"

namespace orx {

namespace {

struct AdministratorCache {
    std::mutex lock;
    std::string path;
    bool answer = false;
};

AdministratorCache& Cache() {
    static AdministratorCache* cache = new AdministratorCache;
    return *cache;
}

bool MayWrite(const std::string& path) {
    if (FileExists(path))
        return ::access(path.c_str(), W_OK) == 0;
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    return IsFolder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

bool IsSystemAccount(std::string* name, size_t capacity) {
    std::string user;
    if (const passwd* entry = ::getpwuid(::geteuid())) {
        if (entry->pw_name)
            user = entry->pw_name;
    }
    if (user.size() > 99)
        user.resize(99);
    if (name)
        *name = capacity == 0 ? std::string() : user.substr(0, capacity - 1);
    static constexpr std::string_view kSystem = "system";
    if (user.size() < kSystem.size())
        return false;
    for (size_t i = 0; i < kSystem.size(); ++i) {
        if (FoldAscii(user[i]) != kSystem[i])
            return false;
    }
    return true;
}

bool IsAdministrator() {
    std::string path;
    if (FindConfigPath(false, path) != kConfigOk)
        return false;
    AdministratorCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    if (cache.path != path) {
        cache.answer = MayWrite(path);
        cache.path = path;
    }
    return cache.answer;
}

bool IsOsAtLeast(int, int, bool* server) {
    if (server)
        *server = false;
    return true;
}

bool IsWow64() {
    return false;
}

void AppendEditionSuffix(std::string& text) {
    if (IsWow64())
        text.append(" (32-bit Edition)");
}

}  // namespace orx
