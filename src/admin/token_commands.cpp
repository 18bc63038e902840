// The entry points of the commands that change or export token content, as the
// menus, the accelerators, the context menus and double-clicks reach them, and
// what they share: a token to act on, the password dialogs, a login. The commands
// themselves stand beside this file by what they act on.
#include "admin/admin_list.h"
#include "admin/admin_view.h"
#include "admin/token_messages.h"
#include "core/trace.h"
#include "dialogs/message_box.h"
#include "dialogs/plugin_error.h"
#include "token/slot_ids.h"
#include "token/token_application.h"
#include "ui/owner_draw_list.h"
#include "ui/wait_cursor.h"

namespace orx {

void CAdminView::OnChangePassword(int32_t slot) {
    RunPasswordOperation(slot, "ChangePassword");
}

void CAdminView::OnUnlockPassword(int32_t slot) {
    RunPasswordOperation(slot, "UnlockPassword");
}

void CAdminView::RunPasswordOperation(int32_t slot, const char* operation) {
    Trace("AdminView - %s of slot %d", operation, slot);
    App().SetActiveSlot(slot);
    WaitCursor wait;
    const int result = App().Invoke(operation);
    wait.Restore();
    // The card is addressed by its first slot wherever the program goes on.
    const int32_t base = SlotGroupBase(slot);
    if (base != slot)
        App().SetActiveSlot(base);
    // The plug-in's dialog told the user about wrong entries and a cancel needs
    // no word; anything else (a file that could not be written, a locked
    // password) would otherwise pass unnoticed.
    if (result != 0 && result != kResultCancelled)
        MapPluginError(Owner(), result);
}

bool CAdminView::EnsureToken(int kind, int32_t& slot) {
    if (CurrentSlot() == kNoTokenShown && SlotList() != nullptr)
        SlotList()->SelectFirstToken(kind);
    slot = CurrentSlot();
    if (slot != kNoTokenShown)
        return true;
    ShowError(Owner(), kind == kCardToken   ? kErrorNoCard
                       : kind == kSoftToken ? kErrorNoToken
                                            : kErrorNoTokenInstalled);
    return false;
}

bool CAdminView::EnsureLoggedIn(int32_t slot) {
    App().SetActiveSlot(slot);
    if (App().IsLoggedIn())
        return true;
    WaitCursor wait;
    const int result = App().Login();
    wait.Restore();
    if (result == 0)
        return true;
    MapPluginError(Owner(), result);
    return false;
}

void CAdminView::ShowTokenAgain(int32_t slot) {
    // A card is shown from its first slot, whichever of its slots was acted on.
    ShowToken(SlotGroupBase(slot), kTabCertificates);
}

QWidget* CAdminView::Owner() {
    return window();
}

int CAdminView::SelectedRow() const {
    COwnerDrawList* list = ContentList();
    if (list == nullptr)
        return -1;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (list->topLevelItem(row)->isSelected())
            return row;
    }
    return -1;
}

void CAdminView::SelectRow(int row) {
    COwnerDrawList* list = ContentList();
    QTreeWidgetItem* item = list != nullptr ? list->topLevelItem(row) : nullptr;
    if (item == nullptr)
        return;
    list->clearSelection();
    list->setCurrentItem(item);
    item->setSelected(true);
}

void CAdminView::OnSoftTokenNew() {
    CreateSoftToken(std::nullopt);
}

void CAdminView::OnCertificateView() {
    if (GetSelectedCertificate(nullptr))
        ViewCertificate(SelectedCertificate());
}

void CAdminView::OnCertificateDelete() {
    int32_t slot = kNoTokenShown;
    if (!GetSelectedCertificate(&slot))
        return;
    // Showing the token anew refills the list but leaves the selected certificate's
    // bytes alone (only the certificate commands set them), so they can be passed as
    // they are.
    RemoveCertificate(slot, SelectedCertificate());
}

bool CAdminView::DataBoxReady(bool privateBox) {
    int32_t slot = kNoTokenShown;
    return EnsureToken(kAnyToken, slot) && (!privateBox || EnsureLoggedIn(slot));
}

void CAdminView::OnDataAdd(bool privateBox) {
    if (!DataBoxReady(privateBox))
        return;
    AddDataEntry(privateBox);
}

void CAdminView::OnDataEdit(bool privateBox) {
    if (!DataBoxReady(privateBox))
        return;
    EditDataEntry(privateBox);
}

void CAdminView::OnDataDelete(bool privateBox) {
    if (!DataBoxReady(privateBox))
        return;
    DeleteDataEntry(privateBox);
}

void CAdminView::OnCopy() {
    CopyToClipboard();
}

}  // namespace orx
