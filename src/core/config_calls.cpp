#include "core/config_file.h"

namespace orx {

int ConfigReadString(std::string_view section, std::string_view key, std::string& value,
                     size_t capacity) {
    value.clear();
    ConfigFile file;
    const int opened = file.Open(false);
    if (opened != kConfigOk)
        return opened;
    const int result = file.GetString(section, key, value, capacity, true);
    file.Close(true);
    return result;
}

int ConfigReadInt(std::string_view section, std::string_view key, int32_t& value) {
    ConfigFile file;
    const int opened = file.Open(false);
    if (opened != kConfigOk)
        return opened;
    const int result = file.GetInt(section, key, value);
    file.Close(true);
    return result;
}

int ConfigWriteString(std::string_view section, std::string_view key, std::string_view value) {
    ConfigFile file;
    const int opened = file.Open(true);
    if (opened != kConfigOk)
        return opened;
    const int result = file.Set(section, key, value, false);
    const int closed = file.Close(true);
    return result != kConfigOk ? result : closed;
}

int ConfigWriteInt(std::string_view section, std::string_view key, int32_t value) {
    ConfigFile file;
    const int opened = file.Open(true);
    if (opened != kConfigOk)
        return opened;
    const int result = file.SetInt(section, key, value);
    const int closed = file.Close(true);
    return result != kConfigOk ? result : closed;
}

int ConfigDeleteKey(std::string_view section, std::string_view key) {
    ConfigFile file;
    const int opened = file.Open(true);
    if (opened != kConfigOk)
        return opened;
    const int result = file.Delete(section, key);
    const int closed = file.Close(true);
    return result != kConfigOk ? result : closed;
}

}  // namespace orx
