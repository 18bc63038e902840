#include "dialogs/account_seam.h"

#include "core/system_account.h"

namespace orx {

namespace {
std::optional<bool>& Forced() {
    static std::optional<bool> forced;
    return forced;
}
}  // namespace

bool RunsUnderSystemAccount() {
    return Forced() ? *Forced() : IsSystemAccount();
}

namespace account_testing {
void SetSystemAccount(std::optional<bool> system) {
    Forced() = system;
}
}  // namespace account_testing

}  // namespace orx
