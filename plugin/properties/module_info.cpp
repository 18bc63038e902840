#include "properties/module_info.h"

#include <openssl/crypto.h>
#include <sys/stat.h>

#include <cstdio>
#include <vector>

#include "core/config_file.h"
#include "core/product_identity.h"
#include "core/system_programs.h"
#include "core/trace.h"
#include "prompts/prompt_source.h"
#include "properties/list_field.h"

namespace orx {

namespace {

// The product version as eight digits: "4.2.0.0" gives "04020000".
std::string VersionDigits() {
    int part[4] = {0, 0, 0, 0};
    const std::string version(GetProductVersion());
    std::sscanf(version.c_str(), "%d.%d.%d.%d", &part[0], &part[1], &part[2], &part[3]);
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d%02d", part[0] % 100, part[1] % 100,
                  part[2] % 100, part[3] % 100);
    return text;
}

struct ComponentInfo {
    std::string file;
    const char* information;
};

std::vector<ComponentInfo> Components() {
    // The module first, then the programs that were installed beside it.
    std::vector<ComponentInfo> list{{GetProgramPath(), "Token plug-in module (soft tokens)"}};
    const std::string folder = GetProgramFolder();
    const std::pair<std::string, const char*> programs[] = {
        {GetAdminProgramName(), "Administration program"},
        {GetClientProgramName(), "Client program"},
        {GetFilePrefix() + "xctl", "Command-line administration"},
    };
    for (const auto& [name, information] : programs) {
        struct stat info {};
        const std::string path = folder + name;
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            list.push_back({path, information});
    }
    return list;
}

}  // namespace

std::string VersionText() {
    return VersionDigits() + " " + GetProductName() + " token plug-in module";
}

std::optional<std::string> ComponentEntry(int index) {
    // The first entry is read fresh; the later ones come from the same listing.
    const std::vector<ComponentInfo> list = Components();
    if (static_cast<size_t>(index) >= list.size())
        return std::nullopt;
    std::string version = VersionDigits();
    if (index == 0)
        version += std::string(" (") + OpenSSL_version(OPENSSL_VERSION) + ")";
    return SlotField(list[static_cast<size_t>(index)].file) + ";" + version + ";" +
           list[static_cast<size_t>(index)].information;
}

int ShowAbout(PromptSource& prompts) {
    Trace("Plg - About ...");
    const std::unique_ptr<Pinentry> pinentry = prompts.Open();
    const std::string text = GetProductName() + " token plug-in module\nVersion " +
                             std::string(GetProductVersion()) + "\n" + GetCompanyName() + "\n" +
                             OpenSSL_version(OPENSSL_VERSION);
    const int result = pinentry->Message(GetProductName(), text);
    Trace("Plg - About ... done (%d)", result);
    return result;
}

int OpenUpdateLink() {
    Trace("Plg - Update ...");
    std::string link;
    if (ConfigReadString("Links", "Update", link, 1024) != kConfigOk || link.empty()) {
        Trace("Plg - Update failed: no update link is set");
        return CKR_FUNCTION_NOT_SUPPORTED;
    }
    ShellOpen(nullptr, link, false);
    Trace("Plg - Update ... done ('%s')", link.c_str());
    return CKR_OK;
}

}  // namespace orx
