#include "support/gui/dlg_windows.h"

#include "dialogs/window_registry_table.h"

namespace orx::registry_testing {

size_t Count() {
    return window_registry_detail::Entries().size();
}

}  // namespace orx::registry_testing
