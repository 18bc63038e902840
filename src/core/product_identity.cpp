#include "core/product_identity.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/os/folders.h"
#include "core/product_identity_state.h"
#include "core/string_helpers.h"

namespace orx {

namespace {

using identity_detail::Identity;

Identity& Values() {
    static Identity* identity = new Identity;  // read by static destructors of other files
    return *identity;
}

}  // namespace

bool ReadProductDescription(const std::string& path, ProductDescription& description) {
    description = ProductDescription();
    std::string text;
    if (!ReadWholeFile(path, text))
        return false;
    std::string_view rest(text);
    while (!rest.empty()) {
        const size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = TrimEnd(line.substr(eq + 1));
        std::string* field = key == "Name"      ? &description.name
                             : key == "Company" ? &description.company
                             : key == "Icon"    ? &description.icon
                                                : nullptr;
        if (field != nullptr && field->empty())
            field->assign(value);
    }
    return true;
}

void SetProgramPath(std::string path) {
    Values().programPath = std::move(path);
}

std::string GetProgramPath() {
    Identity& id = Values();
    if (!id.programPath.empty())
        return id.programPath;
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::string GetProgramFolder() {
    std::string path = GetProgramPath();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return "./";
    return path.substr(0, slash + 1);
}

std::string DerivePrefix(std::string_view fileName) {
    std::string name(fileName);
    if (name.size() >= 2 && FoldAscii(name[0]) == 'n' && FoldAscii(name[1]) == 'p')
        name.erase(0, 2);
    for (std::string_view part : {"plg", "csp", "p11"}) {
        const size_t at = StrFindNoCase(name, part);
        if (at != std::string::npos)
            name.erase(at, part.size());
    }
    // Linux names carry no ".exe" and the prefix itself may hold an "x": the "x"
    // that starts the program's own suffix is the last one before the first "."
    // that is not the last character there. A name that starts with "x" has none.
    const size_t dot = name.find('.');
    const size_t stem = dot == std::string::npos ? name.size() : dot;
    if (stem > 0 && FoldAscii(name[0]) == 'x') {
        name.erase(0, stem);
    } else {
        for (size_t i = stem - (stem > 0 ? 1 : 0); i-- > 0;) {
            if (FoldAscii(name[i]) == 'x') {
                name.erase(i, stem - i);
                break;
            }
        }
    }
    const size_t end = name.find('.');
    std::string prefix = name.substr(0, end);
    if (prefix.size() > kPrefixCapacity - 1)
        prefix.resize(kPrefixCapacity - 1);
    return prefix;
}

void InitProductIdentity() {
    Identity& id = Values();
    if (id.initialised)
        return;
    id.initialised = true;

    const std::string path = GetProgramPath();
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
        const std::string folder = path.substr(0, slash + 1);
        id.prefix = DerivePrefix(std::string_view(path).substr(slash + 1));
        if (!id.prefix.empty()) {
            // The product's description: beside the program, else in the component
            // folder; the first one found is the only one read.
            const std::string file = id.prefix + ".product";
            std::string found = folder + file;
            if (!FileExists(found)) {
                found = GetComponentFolder() + file;
            }
            ProductDescription description;
            if (FileExists(found) && ReadProductDescription(found, description)) {
                id.productName = description.name.substr(0, kProductNameCapacity - 1);
                id.companyName = description.company.substr(0, kCompanyNameCapacity - 1);
            }
        }
    }
    if (id.prefix.empty())
        id.prefix = kDefaultPrefix;
    if (id.productName.empty())
        id.productName = kDefaultProductName;
    if (id.companyName.empty())
        id.companyName = kDefaultCompanyName;

    // An edition installed machine-wide names itself after the product.
    ConfigFile install;
    if (install.OpenDefault(false, ConfigKind::Install) == kConfigOk) {
        std::string type;
        if (install.GetString("Install", "ProductType", type, kConfigPathCapacity, false) ==
                kConfigOk &&
            !type.empty() && id.productName.size() + 1 + type.size() < kProductNameCapacity) {
            id.productName.append(" ").append(type);
        }
        install.Close(true);
    }
}

const std::string& GetFilePrefix() {
    return Values().prefix;
}
const std::string& GetProductName() {
    return Values().productName;
}
const std::string& GetCompanyName() {
    return Values().companyName;
}

std::string_view GetProductVersion() {
    return ORX_PRODUCT_VERSION;
}

std::string GetVersionProductName(size_t capacity) {
    Identity& id = Values();
    if (!id.versionProductNameRead) {
        id.versionProductNameRead = true;
        id.versionProductName = std::string(kDefaultProductName).substr(0, 63);
    }
    const std::string& value =
        id.versionProductName.empty() ? id.productName : id.versionProductName;
    return value.size() < capacity ? value : std::string();
}

std::string GetPluginModuleName() {
    return GetFilePrefix() + ".so";
}
std::string GetClientProgramName() {
    return GetFilePrefix();
}
std::string GetAdminProgramName() {
    return GetFilePrefix() + "xadm";
}
std::string GetConfigToolName() {
    return GetFilePrefix() + "xcmt";
}
std::string GetLogonModuleName() {
    return GetFilePrefix() + "xgina.so";
}
std::string GetConfigFileName() {
    return GetFilePrefix() + ".cfg";
}
std::string GetConfigOverrideVariable() {
    return "config" + GetFilePrefix();
}
std::string GetTempFilePrefix() {
    return "~" + GetFilePrefix();
}

identity_detail::Identity& identity_detail::IdentityState() {
    return Values();
}

}  // namespace orx
