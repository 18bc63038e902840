// The middleware's settings as properties: "Config:" + section + ":" + key reads the
// per-user file over the installation-wide one, "ConfigLocal:" the per-user file,
// "ConfigGlobal:" the installation-wide file (written only when this process may
// write it there). Section "Directory" belongs to the user in every form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orx {

// Every name that begins with "Config" is one, well formed or not.
bool IsConfigName(std::string_view name);
std::optional<std::string> GetConfig(std::string_view name);
// A null value deletes the key; "Config:" itself is refused (and traced).
void SetConfig(std::string_view name, const char* value);

}  // namespace orx
