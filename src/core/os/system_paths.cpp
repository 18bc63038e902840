#include "core/system_paths.h"

#include <dlfcn.h>
#include <link.h>

#include "core/os/folders.h"
#include "core/product_identity.h"

namespace orx {

std::string GetVirtualizedPath(std::string_view path, size_t capacity, size_t* prefixLength) {
    std::string result = GetInternetCacheFolder();
    if (result.empty())
        return {};
    result.append("Virtualized/");
    if (prefixLength)
        *prefixLength = result.size();
    if (path.size() > 2)
        result.append(path[0] == '/' ? path.substr(1) : path);
    if (capacity == 0 || result.size() > capacity - 1)
        return {};
    return result;
}

std::string GetModulePath(void* module, size_t capacity) {
    std::string path;
    if (module == nullptr) {
        path = GetProgramPath();
    } else {
        link_map* map = nullptr;
        if (::dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) {
            path = map->l_name;
        }
    }
    if (capacity == 0 || path.size() > capacity - 1)
        return {};
    return path;
}

std::string GetVersionString(std::string_view modulePath, std::string_view valueName,
                             size_t capacity) {
    // Every program of the family carries the same compiled-in version values; a
    // file that is not one of ours carries none.
    if (!modulePath.empty() && modulePath != GetProgramPath()) {
        const size_t slash = modulePath.rfind('/');
        const std::string_view name =
            slash == std::string_view::npos ? modulePath : modulePath.substr(slash + 1);
        if (DerivePrefix(name) != GetFilePrefix())
            return {};
    }
    std::string value;
    if (valueName == "ProductName") {
        value = kDefaultProductName;
    } else if (valueName == "CompanyName") {
        value = kDefaultCompanyName;
    } else if (valueName == "ProductVersion" || valueName == "FileVersion") {
        value = GetProductVersion();
    } else if (valueName == "FileDescription") {
        value = std::string(kDefaultProductName);
    }
    if (value.size() < 2 || value.size() >= capacity)
        return {};
    return value;
}

bool GetLowDataFolder(std::string& folder, size_t) {
    folder.clear();
    return false;
}

int RegReadString(std::string_view, std::string_view, std::string& value) {
    value.clear();
    return kRegistryNotFound;
}

}  // namespace orx
