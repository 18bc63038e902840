#include "admin/data_properties_dialog.h"

#include <QLineEdit>

#include "admin/dialog_help.h"
#include "admin/token_dialog_ids.h"
#include "core/string_helpers.h"
#include "dialogs/window_placement.h"

namespace orx {

bool TokenDialogTemplatesRegistered();

CDlgDataProperties::CDlgDataProperties(QWidget* parent, std::string_view description,
                                       std::string_view value)
    : Dlg(kTemplateDataProperties, parent), description_(description), value_(value) {
    (void)TokenDialogTemplatesRegistered();
}

bool CDlgDataProperties::OnInitDialog() {
    Dlg::OnInitDialog();
    SetTitle(description_.empty() ? kTextAdd : kTextEdit);
    SetItemTextById(kIdDescriptionLabel, kTextDescription);
    SetItemTextById(kIdValueLabel, kTextValue);
    SetItemTextById(kIdOk, kTextOkButton);
    SetItemTextById(kIdCancel, kTextCancelButton);
    OfferHelpButton(*this);
    SetItemText(kIdDataDescriptionEdit, description_);
    SetItemText(kIdDataValueEdit, value_);
    if (QWidget* first = GetItem(kIdDataDescriptionEdit))
        first->setFocus(Qt::OtherFocusReason);
    UpdateOk();
    if (Window() != nullptr) {
        Window()->adjustSize();
        CenterOverParent(Window());
    }
    return true;
}

bool CDlgDataProperties::OnCommand(int commandId, int extra) {
    if (commandId == kIdDataDescriptionEdit || commandId == kIdDataValueEdit) {
        UpdateOk();
        return true;
    }
    return Dlg::OnCommand(commandId, extra);
}

void CDlgDataProperties::UpdateOk() {
    if (QWidget* ok = GetItem(kIdOk))
        ok->setEnabled(!Trim(GetItemText(kIdDataDescriptionEdit)).empty() &&
                       !Trim(GetItemText(kIdDataValueEdit)).empty());
}

void CDlgDataProperties::OnOK() {
    const std::string description(Trim(GetItemText(kIdDataDescriptionEdit)));
    const std::string value(Trim(GetItemText(kIdDataValueEdit)));
    // Enter reaches the default button even while it is disabled.
    if (description.empty() || value.empty())
        return;
    description_ = description;
    value_ = value;
    Dlg::OnOK();
}

void CDlgDataProperties::OnHelp() {
    OpenHelp();
}

}  // namespace orx
