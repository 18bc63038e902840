#include "dialogs/account_seam.h"

#include "core/system_account.h"

namespace orx {

bool RunsUnderSystemAccount() {
    const std::optional<bool>& forced = SystemAccountOverride();
    return forced ? *forced : IsSystemAccount();
}

std::optional<bool>& SystemAccountOverride() {
    static std::optional<bool> forced;
    return forced;
}

}  // namespace orx
