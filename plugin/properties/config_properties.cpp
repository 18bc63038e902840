#include "properties/config_properties.h"

#include <sys/stat.h>
#include <unistd.h>

#include "core/config_file.h"
#include "core/os/folders.h"
#include "core/product_identity.h"
#include "core/string_helpers.h"
#include "core/trace.h"

namespace orx {

namespace {

enum class Scope { Effective, Local, Global };

struct ConfigName {
    Scope scope;
    std::string section;
    std::string key;
};

std::optional<ConfigName> ParseConfigName(std::string_view name) {
    const std::pair<std::string_view, Scope> prefixes[] = {
        {"ConfigGlobal:", Scope::Global},
        {"ConfigLocal:", Scope::Local},
        {"Config:", Scope::Effective},
    };
    for (const auto& [prefix, scope] : prefixes) {
        if (!name.starts_with(prefix))
            continue;
        std::string_view rest = name.substr(prefix.size());
        const size_t colon = rest.find(':');
        if (colon == std::string_view::npos || colon == 0 || colon + 1 >= rest.size())
            return std::nullopt;
        ConfigName parsed{scope, std::string(rest.substr(0, colon)),
                          std::string(rest.substr(colon + 1))};
        if (EqualsNoCase(parsed.section, "Directory") && scope == Scope::Global)
            parsed.scope = Scope::Local;
        return parsed;
    }
    return std::nullopt;
}

// Where installation-wide values are written: the installation folder when one is
// set, otherwise where they are read from.
std::string InstallConfigPath() {
    const std::string location = GetInstallLocation();
    if (!location.empty())
        return location + GetConfigFileName();
    std::string path;
    if (FindConfigPath(false, path) != kConfigOk)
        path.clear();
    return path;
}

bool MayWrite(const std::string& path) {
    if (path.empty())
        return false;
    if (::access(path.c_str(), F_OK) == 0)
        return ::access(path.c_str(), W_OK) == 0;
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::string> Present(int result, std::string& value) {
    if (result != kConfigOk || value.empty())
        return std::nullopt;
    return std::move(value);
}

}  // namespace

bool IsConfigName(std::string_view name) {
    return name.starts_with("Config");
}

std::optional<std::string> GetConfig(std::string_view name) {
    const std::optional<ConfigName> parsed = ParseConfigName(name);
    if (!parsed)
        return std::nullopt;
    std::string value;
    switch (parsed->scope) {
        case Scope::Effective: {
            const int result = ConfigReadString(parsed->section, parsed->key, value, 256);
            return Present(result, value);
        }
        case Scope::Local: {
            ConfigFile file;
            if (file.OpenDefault(false, ConfigKind::PerUser) != kConfigOk)
                return std::nullopt;
            const int result = file.GetStringAt(0, parsed->section, parsed->key, value, 256);
            return Present(result, value);
        }
        case Scope::Global: {
            ConfigFile file;
            if (file.OpenDefault(false, ConfigKind::Install) != kConfigOk)
                return std::nullopt;
            const int result = file.GetStringAt(0, parsed->section, parsed->key, value, 256);
            return Present(result, value);
        }
    }
    return std::nullopt;
}

void SetConfig(std::string_view name, const char* value) {
    const std::optional<ConfigName> parsed = ParseConfigName(name);
    if (!parsed || parsed->scope == Scope::Effective) {
        Trace("Plg - Refused to write %.*s", static_cast<int>(name.size()), name.data());
        return;
    }
    ConfigFile file;
    int result = kConfigOk;
    if (parsed->scope == Scope::Local) {
        result = file.OpenDefault(true, ConfigKind::PerUser);
    } else {
        const std::string path = InstallConfigPath();
        if (!MayWrite(path)) {
            Trace("Plg - Not allowed to write %s:%s to %s", parsed->section.c_str(),
                  parsed->key.c_str(), path.c_str());
            return;
        }
        result = file.Open(true, path.c_str());
    }
    if (result == kConfigOk) {
        result = value ? file.Set(parsed->section, parsed->key, value)
                       : file.Delete(parsed->section, std::string_view(parsed->key));
        const int closed = file.Close(true);
        if (result == kConfigOk || result == kConfigKeyMissing || result == kConfigSectionMissing)
            result = closed;
    }
    if (result != kConfigOk)
        Trace("Plg - Failed to write %s:%s (%d)", parsed->section.c_str(), parsed->key.c_str(),
              result);
}

}  // namespace orx
