// The dialogs the administration window opens that live in folders of their own:
// the settings property sheet (src/settings/) and the Search Certificates dialog
// (src/search/). Each function is defined once; until its dialog is part of the
// program, the definition beside this header traces the request and does nothing,
// and the dialog's own folder replaces it.
#pragma once

class QWidget;

namespace orx {

// Runs the settings dialog modally; true when the user changed a setting, so that
// the window takes on the new language and lists (CAdminMain::ApplySettingsChange).
bool RunSettingsDialog(QWidget* parent);

// Runs the Search Certificates dialog modally.
void RunSearchCertificatesDialog(QWidget* parent);

}  // namespace orx
