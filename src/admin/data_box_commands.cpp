// The data box commands of the token view: an entry added, edited (it moves to
// the end of the box) or deleted, and the box written back as one data object.
#include "admin/admin_list.h"
#include "admin/admin_view.h"
#include "admin/data_box.h"
#include "admin/data_properties_dialog.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "dialogs/dlg.h"
#include "dialogs/plugin_error.h"
#include "token/slot_ids.h"
#include "token/token_application.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"
#include "ui/wait_cursor.h"

namespace orx {

namespace {

// The application tag of the data objects keeps at most 63 characters.
constexpr size_t kApplicationTagCapacity = 64;

int BoxTab(bool privateBox) {
    return privateBox ? kTabPrivateBox : kTabPublicBox;
}

DataBoxEntry RowEntry(const COwnerDrawList* list, int row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    return {ToUtf8(item->text(0)), ToUtf8(item->text(1))};
}

int AppendRow(COwnerDrawList* list, const std::string& description, const std::string& value) {
    const int row =
        list->InsertItem(list->topLevelItemCount(), ToQString(description), kImageDataEntry);
    list->SetItemText(row, 1, ToQString(value));
    return row;
}

}  // namespace

bool CAdminView::ShowBox(bool privateBox, int32_t& slot, int& rememberedRow) {
    const int tab = BoxTab(privateBox);
    rememberedRow = Mode() == kModeToken && ShownTab() == tab ? SelectedRow() : -1;
    if (!EnsureToken(kAnyToken, slot))
        return false;
    FillTokenTabs(slot, tab, true);
    // A token whose tabs leave the box out offers nothing to change in it.
    return Mode() == kModeToken && ShownTab() == tab && ContentList() != nullptr;
}

void CAdminView::AddDataEntry(bool privateBox) {
    int32_t slot = kNoTokenShown;
    int remembered = -1;
    if (!ShowBox(privateBox, slot, remembered))
        return;
    CDlgDataProperties dialog(Owner(), {}, {});
    if (dialog.DoModal() != kIdOk || !EnsureLoggedIn(slot))
        return;
    COwnerDrawList* list = ContentList();
    const int row = AppendRow(list, dialog.Description(), dialog.Value());
    if (WriteDataBox(list, slot, privateBox)) {
        SelectRow(row);
    } else {
        delete list->takeTopLevelItem(row);
    }
}

void CAdminView::EditDataEntry(bool privateBox) {
    int32_t slot = kNoTokenShown;
    int row = -1;
    if (!ShowBox(privateBox, slot, row))
        return;
    COwnerDrawList* list = ContentList();
    if (list->topLevelItemCount() == 0)
        return;
    if (row < 0 || row >= list->topLevelItemCount())
        row = 0;
    SelectRow(row);
    const DataBoxEntry old = RowEntry(list, row);
    CDlgDataProperties dialog(Owner(), old.description, old.value);
    if (dialog.DoModal() != kIdOk || !EnsureLoggedIn(slot))
        return;
    delete list->takeTopLevelItem(row);
    const int moved = AppendRow(list, dialog.Description(), dialog.Value());
    if (WriteDataBox(list, slot, privateBox)) {
        SelectRow(moved);
    } else {
        // The box as the token still holds it.
        FillTokenTabs(slot, BoxTab(privateBox), true);
    }
}

void CAdminView::DeleteDataEntry(bool privateBox) {
    int32_t slot = kNoTokenShown;
    int row = -1;
    if (!ShowBox(privateBox, slot, row))
        return;
    COwnerDrawList* list = ContentList();
    if (row < 0 || row >= list->topLevelItemCount())
        return;
    delete list->takeTopLevelItem(row);
    if (!WriteDataBox(list, slot, privateBox))
        FillTokenTabs(slot, BoxTab(privateBox), true);
}

bool CAdminView::WriteDataBox(COwnerDrawList* list, int32_t slot, bool privateBox) {
    if (list == nullptr)
        return false;
    std::vector<DataBoxEntry> entries;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        entries.push_back(RowEntry(list, row));
    const std::vector<uint8_t> blob = BuildDataBox(entries);
    Trace("AdminView - Write the %s box of slot %d: %d entries, %d bytes",
          privateBox ? "private" : "public", slot, static_cast<int>(entries.size()),
          static_cast<int>(blob.size()));
    WaitCursor wait;
    App().SetActiveSlot(slot);
    App().SetProperty("CKA_CLASS", "0x00000000");
    App().SetProperty("CKA_TOKEN", "0x01");
    App().SetProperty("CKA_LABEL", "");
    App().SetProperty("CKA_PRIVATE", privateBox ? "0x01" : "0x00");
    App().SetProperty("Base64", "false");
    App().SetProperty("CKA_APPLICATION", GetVersionProductName(kApplicationTagCapacity).c_str());
    App().SetProperty("Base64", "true");
    App().SetPropertyBytes("CKA_VALUE", blob);
    const int result = App().Invoke("UpdateObject");
    wait.Restore();
    if (result == 0)
        return true;
    MapPluginError(Owner(), result);
    return false;
}

}  // namespace orx
