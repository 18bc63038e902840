// The inputs of the next operation: every property the program sets that is no
// setting of the module itself ("TokenLabel", "Data", "Certificate", "CKA_VALUE",
// ...). Some are secret (a data object's value, the content of a file to sign), so
// "Reset" wipes them before it lets them go.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orx {

class Inputs {
  public:
    // "" when the input is not set.
    std::string Get(std::string_view name) const;
    bool Has(std::string_view name) const;
    // A null value takes the input away.
    void Set(std::string_view name, const char* value);
    void Set(std::string_view name, std::string value);
    void Erase(std::string_view name);
    // Takes a value out without copying it (a file of many megabytes); none, and the
    // input left as it is, when it is not set or empty.
    std::optional<std::string> Take(std::string_view name);
    void Clear() { values_.clear(); }
    // Clears, wiping every value first.
    void Wipe();

  private:
    std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace orx
