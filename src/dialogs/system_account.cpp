#include "dialogs/system_account.h"

#include <pwd.h>
#include <unistd.h>

#include <string_view>

namespace orx {

namespace {
std::optional<bool>& Forced() {
    static std::optional<bool> forced;
    return forced;
}
}  // namespace

bool RunsUnderSystemAccount() {
    if (Forced())
        return *Forced();
    const passwd* user = ::getpwuid(::geteuid());
    if (user == nullptr || user->pw_name == nullptr)
        return false;
    const std::string_view name(user->pw_name);
    constexpr std::string_view kSystem = "SYSTEM";
    if (name.size() < kSystem.size())
        return false;
    for (size_t i = 0; i < kSystem.size(); ++i) {
        const char c = name[i];
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != kSystem[i])
            return false;
    }
    return true;
}

namespace account_testing {
void SetSystemAccount(std::optional<bool> system) {
    Forced() = system;
}
}  // namespace account_testing

}  // namespace orx
