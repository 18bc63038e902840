#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/os/folders.h"
#include "core/product_identity.h"
#include "core/system_environment.h"
#include "core/text_encoding.h"

namespace orx {

int FindConfigPath(bool perUser, std::string& path, size_t capacity) {
    path.clear();
    if (GetFilePrefix().empty())
        return kConfigNoPath;
    const std::string fileName = GetConfigFileName();
    std::string found;
    if (perUser) {
        const std::string variable = GetConfigOverrideVariable();
        const std::string override = GetEnvironment(variable.c_str());
        if (!override.empty() && override.size() < capacity) {
            found = CodePageBytesToUtf8(override);
        } else {
            const std::string folder = GetUserDataFolder();
            if (folder.empty())
                return kConfigNoPath;
            found = folder + fileName;
        }
    } else {
        const std::string location = GetInstallLocation();
        if (!location.empty() && FileExists(location + fileName)) {
            found = location + fileName;
        } else {
            const std::string folder = GetProgramFolder();
            if (folder.empty())
                return kConfigNoPath;
            found = folder + fileName;
        }
    }
    if (found.size() >= capacity)
        return kConfigNoPath;
    path = std::move(found);
    return kConfigOk;
}

}  // namespace orx
