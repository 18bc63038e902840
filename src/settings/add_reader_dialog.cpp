#include "settings/add_reader_dialog.h"

#include <QComboBox>

#include "core/string_helpers.h"
#include "core/trace.h"
#include "settings/settings_ids.h"
#include "settings/smart_card_values.h"
#include "ui/qt_text.h"

namespace orx {

bool SettingsTemplatesRegistered();

namespace {

constexpr size_t kNameCapacity = 256;

}  // namespace

CAddReaderDlg::CAddReaderDlg(QWidget* parent, std::string_view names)
    : Dlg(kTemplateAddReader, parent), names_(names) {
    (void)SettingsTemplatesRegistered();
}

bool CAddReaderDlg::OnInitDialog() {
    Dlg::OnInitDialog();
    SetTitle(kTextAdd);
    SetItemTextById(kIdReaderNameLabel, kTextDescription);
    SetItemTextById(kIdOk, kTextOkButton);
    SetItemTextById(kIdCancel, kTextCancelButton);
    if (auto* list = qobject_cast<QComboBox*>(GetItem(kIdReaderName))) {
        for (const std::string& name : SplitReaderNames(names_))
            list->addItem(ToQString(name));
        list->setCurrentIndex(-1);  // nothing proposed: the user picks or types
        list->setFocus(Qt::OtherFocusReason);
    }
    if (Window() != nullptr)
        Window()->adjustSize();
    return true;
}

void CAddReaderDlg::OnOK() {
    name_ = std::string(CutToCapacity(GetItemText(kIdReaderName), kNameCapacity));
    Trace("Settings - Add reader '%s'", name_.c_str());
    EndDialog(name_.empty() ? kIdCancel : kIdOk);
}

}  // namespace orx
