// Paths of modules, the virtualised copy of a file, version values, and the
// Windows look-ups that have no counterpart here.
#pragma once

#include <string>
#include <string_view>

namespace orx {

// The cache folder + "Virtualized/" + the path without its leading "/" (a path of
// two characters or fewer gives the base alone). "" when it would not fit
// capacity - 1. prefixLength receives the base's length when asked.
std::string GetVirtualizedPath(std::string_view path, size_t capacity = 260,
                               size_t* prefixLength = nullptr);

// The file of a module loaded with LoadModule (nullptr: the program itself); ""
// when unknown or not shorter than capacity.
std::string GetModulePath(void* module, size_t capacity = 260);

// A version value ("ProductName", "ProductVersion", "FileVersion", "CompanyName",
// "FileDescription") of the program (module path empty or the program's own) or
// of another file of the family; "" when it has none, when the value is shorter
// than 2 characters or not shorter than capacity.
std::string GetVersionString(std::string_view modulePath, std::string_view valueName,
                             size_t capacity = 256);

// No low-integrity data folder and no registry here: "not found".
bool GetLowDataFolder(std::string& folder, size_t capacity = 260);
inline constexpr int kRegistryNotFound = 2;
int RegReadString(std::string_view key, std::string_view valueName, std::string& value);

}  // namespace orx
