#include "admin/dialog_help.h"

#include <string>

#include "admin/token_dialog_ids.h"
#include "core/config_file.h"
#include "core/system_programs.h"
#include "dialogs/dlg.h"

namespace orx {

void OfferHelpButton(Dlg& dialog) {
    std::string link;
    const bool offered = ConfigReadString("Links", "Help", link) == kConfigOk && !link.empty();
    dialog.SetItemTextById(kIdHelp, kTextHelpButton);
    dialog.ShowItem(kIdHelp, offered);
}

void OpenHelp() {
    StartProgram("-help");
}

}  // namespace orx
