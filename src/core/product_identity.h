// The product's file prefix, taken from the program's (or the module's) own file
// name, and every name derived from it; product and company names.
#pragma once

#include <string>
#include <string_view>

namespace orx {

inline constexpr size_t kPrefixCapacity = 8;        // 7 characters
inline constexpr size_t kProductNameCapacity = 32;  // 31 characters
inline constexpr size_t kCompanyNameCapacity = 64;  // 63 characters

// The full path of the running program (or of the module that set it). Defaults to
// /proc/self/exe. Modules, tests, fuzzers and benchmarks set it before
// InitProductIdentity, so that nothing derives from their own file names.
void SetProgramPath(std::string path);
std::string GetProgramPath();
// The program's folder, ending with "/".
std::string GetProgramFolder();

// The prefix that a file name (no folder) gives; "" when the derivation is empty.
std::string DerivePrefix(std::string_view fileName);

// What a product description file (prefix + ".product") says in its "Name=",
// "Company=" and "Icon=" lines: each value without trailing blanks, the first one
// that is not empty; a line end may be "\r\n".
struct ProductDescription {
    std::string name;
    std::string company;
    std::string icon;
};
// False, with nothing filled, when the file cannot be read.
bool ReadProductDescription(const std::string& path, ProductDescription& description);

// Fills the process-wide values once; a second call changes nothing.
void InitProductIdentity();

const std::string& GetFilePrefix();
const std::string& GetProductName();
const std::string& GetCompanyName();
// "ProductName" of the compiled-in version values, else the product name; copied
// only when shorter than capacity.
std::string GetVersionProductName(size_t capacity = 64);

// Derived names (prefix "orx": orx.so, orx, orxxadm, orxxcmt, orxxgina.so,
// orx.cfg, configorx, ~orx).
std::string GetPluginModuleName();
std::string GetClientProgramName();
std::string GetAdminProgramName();
std::string GetConfigToolName();
std::string GetLogonModuleName();
std::string GetConfigFileName();
std::string GetConfigOverrideVariable();
std::string GetTempFilePrefix();

// Compiled-in product values.
inline constexpr std::string_view kDefaultPrefix = "orx";
inline constexpr std::string_view kDefaultProductName = "Orvex";
inline constexpr std::string_view kDefaultCompanyName = "Valdoran AB";
std::string_view GetProductVersion();  // "4.2.0.0"

}  // namespace orx
