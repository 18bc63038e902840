#include "search/directory_dialog.h"

#include <QWidget>

#include "core/text_encoding.h"
#include "core/trace.h"
#include "search/search_dialog_ids.h"

namespace orx {

bool SearchTemplatesRegistered();

CDlgDirectory::CDlgDirectory(QWidget* parent) : Dlg(kTemplateDirectory, parent) {
    (void)SearchTemplatesRegistered();
}

void CDlgDirectory::SetRecord(std::string_view record) {
    given_ = Utf8ToAnsi(record);
}

bool CDlgDirectory::GetRecord(std::string& record, size_t size) const {
    const std::string utf8 = AnsiToUtf8(result_);
    if (utf8.size() < size)
        record = utf8;
    return !record.empty();
}

bool CDlgDirectory::OnInitDialog() {
    Dlg::OnInitDialog();
    SetTitle(given_ ? kTextEdit : kTextAdd);
    const struct {
        int id;
        int text;
    } texts[] = {{kIdDescriptionLabel, kTextDescription},
                 {kIdUrlLabel, kTextDirectoryUrl},
                 {kIdBaseLabel, kTextSearchBase},
                 {kIdRecordFilterLabel, kTextFilter},
                 {kIdOk, kTextOk},
                 {kIdCancel, kTextCancel}};
    for (const auto& t : texts)
        SetItemTextById(t.id, t.text);
    if (given_) {
        const DirectoryRecord record = SplitDirectoryRecord(*given_);
        SetItemText(kIdDescriptionEdit, record.description);
        SetItemText(kIdUrlEdit, record.url);
        SetItemText(kIdBaseEdit, record.base);
        SetItemText(kIdRecordFilterEdit, record.filter);
    }
    UpdateOk();
    if (QWidget* first = GetItem(kIdDescriptionEdit))
        first->setFocus(Qt::OtherFocusReason);
    return true;
}

bool CDlgDirectory::OnCommand(int commandId, int extra) {
    switch (commandId) {
        case kIdDescriptionEdit:
        case kIdUrlEdit:
        case kIdBaseEdit:
            UpdateOk();
            return true;
        default:
            return Dlg::OnCommand(commandId, extra);
    }
}

void CDlgDirectory::UpdateOk() {
    if (QWidget* ok = GetItem(kIdOk))
        ok->setEnabled(!GetItemText(kIdDescriptionEdit).empty() &&
                       !GetItemText(kIdUrlEdit).empty());
}

void CDlgDirectory::OnOK() {
    // Enter reaches the default button even while it is disabled.
    if (GetItemText(kIdDescriptionEdit).empty() || GetItemText(kIdUrlEdit).empty())
        return;
    DirectoryRecord record;
    record.description = GetItemText(kIdDescriptionEdit);
    record.url = GetItemText(kIdUrlEdit);
    record.base = GetItemText(kIdBaseEdit);
    record.filter = GetItemText(kIdRecordFilterEdit);
    result_ = JoinDirectoryRecord(record);
    Dlg::OnOK();
}

}  // namespace orx
