#include "admin/token_name_dialog.h"

#include <QLineEdit>

#include "admin/command_texts.h"
#include "admin/dialog_help.h"
#include "admin/token_dialog_ids.h"
#include "core/trace.h"
#include "dialogs/window_placement.h"

namespace orx {

bool TokenDialogTemplatesRegistered();

CDlgTokenName::CDlgTokenName(QWidget* parent, std::string_view proposed)
    : Dlg(kTemplateTokenName, parent), proposed_(proposed) {
    (void)TokenDialogTemplatesRegistered();
}

bool CDlgTokenName::OnInitDialog() {
    Dlg::OnInitDialog();
    SetTitle(kTextAdd);
    SetItemTextById(kIdDescriptionLabel, kTextDescription);
    SetItemTextById(kIdOk, kTextOkButton);
    SetItemTextById(kIdCancel, kTextCancelButton);
    OfferHelpButton(*this);
    SetItemText(kIdTokenNameEdit, proposed_);
    if (auto* edit = qobject_cast<QLineEdit*>(GetItem(kIdTokenNameEdit))) {
        edit->selectAll();
        edit->setFocus(Qt::OtherFocusReason);
    }
    UpdateOk();
    if (Window() != nullptr) {
        Window()->adjustSize();
        CenterOverParent(Window());
    }
    return true;
}

bool CDlgTokenName::OnCommand(int commandId, int extra) {
    if (commandId == kIdTokenNameEdit) {
        UpdateOk();
        return true;
    }
    return Dlg::OnCommand(commandId, extra);
}

void CDlgTokenName::UpdateOk() {
    if (QWidget* ok = GetItem(kIdOk))
        ok->setEnabled(!SanitizeTokenName(GetItemText(kIdTokenNameEdit)).empty());
}

void CDlgTokenName::OnOK() {
    // Enter reaches the default button even while it is disabled.
    std::string name = SanitizeTokenName(GetItemText(kIdTokenNameEdit));
    if (name.empty())
        return;
    name_ = std::move(name);
    Trace("AdminView - Token name '%s'", name_.c_str());
    Dlg::OnOK();
}

void CDlgTokenName::OnHelp() {
    OpenHelp();
}

}  // namespace orx
