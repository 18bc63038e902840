#include "cards/reader_settings.h"

#include "core/config_file.h"
#include "core/string_helpers.h"

namespace orx {

namespace {

constexpr std::string_view kModuleSection = "PKCS11";
constexpr std::string_view kReaderSection = "Smart Card Reader";
// Module paths are longer than a dialog's values.
constexpr size_t kModuleListCapacity = 4096;
constexpr size_t kReaderListCapacity = 256;

int ReadInt(std::string_view section, std::string_view key, int fallback) {
    int32_t value = 0;
    return ConfigReadInt(section, key, value) == kConfigOk ? value : fallback;
}

std::string ReadText(std::string_view section, std::string_view key, size_t capacity) {
    std::string value;
    if (ConfigReadString(section, key, value, capacity) != kConfigOk)
        value.clear();
    return value;
}

}  // namespace

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> out;
    while (!text.empty()) {
        const size_t end = std::min(text.find(';'), text.size());
        const std::string_view field = Trim(text.substr(0, end), " \t");
        if (!field.empty())
            out.emplace_back(field);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return out;
}

bool ReaderSettings::Accepts(std::string_view reader) const {
    if (accepted.empty())
        return true;
    const std::string_view name = Trim(reader, " \t");
    for (const std::string& wanted : accepted) {
        if (EqualsNoCase(wanted, name))
            return true;
    }
    return false;
}

ReaderSettings ReadReaderSettings() {
    ReaderSettings settings;
    settings.system = ReadInt(kModuleSection, "System", 1) != 0;
    settings.modules = SplitList(ReadText(kModuleSection, "Modules", kModuleListCapacity));
    settings.accepted = SplitList(ReadText(kReaderSection, "Accepted", kReaderListCapacity));
    settings.detect = ReadInt(kReaderSection, "Detect", settings.detect);
    settings.lockTimeout = ReadInt(kReaderSection, "LockTimeout", settings.lockTimeout);
    if (settings.lockTimeout < 0)
        settings.lockTimeout = 0;
    return settings;
}

}  // namespace orx
