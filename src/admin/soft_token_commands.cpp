// The soft token commands of the token view: a new token, one added from a token
// or PKCS#12 file, a copy of a token's file, and a token deleted.
#include <algorithm>

#include "admin/admin_list.h"
#include "admin/admin_view.h"
#include "admin/command_texts.h"
#include "admin/token_messages.h"
#include "admin/token_name_dialog.h"
#include "core/file_helpers.h"
#include "core/language.h"
#include "core/trace.h"
#include "dialogs/dlg.h"
#include "dialogs/message_box.h"
#include "dialogs/plugin_error.h"
#include "dialogs/save_file.h"
#include "token/slot_ids.h"
#include "token/token_application.h"
#include "ui/file_dialog.h"
#include "ui/wait_cursor.h"

namespace orx {

namespace {

// A token file holds at most 16 MiB (the module's own bound).
constexpr size_t kMaxTokenFileSize = 16u << 20;

}  // namespace

void CAdminView::OnSoftTokenAdd() {
    std::string file;
    if (!FileDialog(Owner(), "AddSlot", true, GetText(kTextTokenFilter), "tkn", file))
        return;
    // The dialog is gone before the name dialog comes.
    repaint();
    CreateSoftToken(file);
}

void CAdminView::CreateSoftToken(const std::optional<std::string>& file) {
    CDlgTokenName dialog(Owner(), file ? ProposedTokenName(*file) : std::string());
    if (dialog.DoModal() != kIdOk)
        return;
    Trace("AdminView - Create soft token '%s'", dialog.Name().c_str());
    WaitCursor wait;
    bool tokenData = false;
    if (file && IsTokenFileName(*file)) {
        std::vector<uint8_t> content;
        if (ReadWholeFile(*file, content, kMaxTokenFileSize) && !content.empty()) {
            App().SetPropertyBytes("TokenData", content);
            tokenData = true;
        }
    }
    App().SetProperty("TokenLabel", dialog.Name().c_str());
    const int result = App().Invoke("CreateToken");
    App().SetProperty("TokenLabel", "");
    App().SetProperty("TokenData", "");
    if (SlotList() != nullptr)
        SlotList()->RefreshSlots();
    wait.Restore();
    if (!ShowPluginOutcome(Owner(), result, kMessageTokenImported))
        return;
    const int32_t slot = App().GetActiveSlot(true);
    if (SlotList() != nullptr)
        SlotList()->SelectSlot(slot);
    // A PKCS#12 file gave an empty token; its content goes in now.
    if (file && !tokenData)
        AddCertificate(slot, *file);
}

void CAdminView::OnSoftTokenExport() {
    const int32_t slot = CurrentSlot();
    if (slot == kNoTokenShown) {
        ShowError(Owner(), SlotList() != nullptr && SlotList()->HasSlots(false) ? kErrorNoSoftToken
                                                                                : kErrorNoToken);
        return;
    }
    if (slot < kFirstSoftTokenSlot) {
        ShowError(Owner(), kErrorOnlySoftTokens);
        return;
    }
    App().SetActiveSlot(slot);
    const std::optional<std::string> info = App().GetPropertyString("TokenInfo");
    const std::optional<std::string> tokenFile = info ? SoftTokenFile(*info) : std::nullopt;
    if (!tokenFile) {
        ShowError(Owner(), kErrorUnexpected);
        return;
    }
    if (!FileExists(*tokenFile))
        return;
    std::string label = HeaderLine(1);
    std::replace(label.begin(), label.end(), '/', '_');
    std::string target = label + ".tkn";
    const std::string filter = SaveFilter(GetText(kTextTokenFilter));
    SaveFileAsking(Owner(), "AddSlot", filter, "tkn", target, [&](const std::string& path) {
        std::vector<uint8_t> bytes;
        return ReadWholeFile(*tokenFile, bytes, kMaxTokenFileSize) && WriteWholeFile(bytes, path);
    });
}

void CAdminView::OnSoftTokenDelete() {
    const int32_t slot = CurrentSlot();
    if (slot != kNoTokenShown && slot >= kFirstSoftTokenSlot) {
        DeleteSoftToken(slot);
        return;
    }
    ShowError(Owner(), SlotList() != nullptr && SlotList()->HasSlots(false) ? kErrorNoSoftToken
                                                                            : kErrorNoToken);
}

void CAdminView::DeleteSoftToken(int32_t slot) {
    if (AskQuestion(Owner(), kQuestionDeleteToken) != kIdYes)
        return;
    if (!App().SetActiveSlot(slot))
        return;
    Trace("AdminView - Delete soft token %d", slot);
    WaitCursor wait;
    const int result = App().Invoke("DeleteToken");
    // The list read anew, then its first token shown: the deleted one may have
    // been the first, and the plug-in's active slot may name it still.
    if (SlotList() != nullptr) {
        SlotList()->RefreshSlots();
        SlotList()->SelectFirstToken(kAnyToken);
    }
    wait.Restore();
    ShowPluginOutcome(Owner(), result, kMessageTokenDeleted);
}

}  // namespace orx
