// The product's folders on Linux: the installation-wide configuration folder, the
// component folder, the system library folder and the XDG per-user folders. Every
// folder returned ends with "/".
#pragma once

#include <string>
#include <string_view>

namespace orx {

// Overrides the installation location (tests always set it).
inline constexpr const char* kInstallLocationVariable = "ORX_INSTALL_LOCATION";

// "${sysconfdir}/orx/" fixed at build time, or the variable above; "" when none.
std::string GetInstallLocation();
// "Install"/"Directory" when configured; else from `folderTemplate`: "%SYSTEM%" the
// system library folder, a text with "%" its environment expansion, otherwise
// "<libdir>/Orvex/" (the product name) when the product name is known, else the
// program folder.
std::string GetComponentFolder(std::string_view folderTemplate = {});
// The system's library folder.
std::string GetSystemFolder();
// $XDG_CONFIG_HOME/<prefix>/ (created when missing): the per-user configuration.
std::string GetUserDataFolder();
// $XDG_DATA_HOME/<prefix>/: soft tokens, virtual readers, certificate stores.
std::string GetUserStateFolder();
// $XDG_CACHE_HOME/<prefix>/.
std::string GetInternetCacheFolder();
// The private per-process temporary folder (mode 0700, owned by the user).
std::string GetPrivateTempFolder();

}  // namespace orx
