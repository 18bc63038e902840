// The Help button of the token view's dialogs: offered while the configuration
// names a help page, as the Help menu's own item is, and then it opens that help.
#pragma once

namespace orx {

class Dlg;

// Sets the button's text and shows it only while "Links"/"Help" is set.
void OfferHelpButton(Dlg& dialog);
// Has the client program show the help, as the Help menu does.
void OpenHelp();

}  // namespace orx
