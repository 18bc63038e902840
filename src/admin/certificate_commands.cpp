// The certificate commands of the token view: view, add (also files dropped on the
// list), export and delete, and what they share: the selected certificate and the
// search among the certificates shown.
#include <algorithm>

#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "admin/admin_view.h"
#include "admin/command_texts.h"
#include "admin/token_messages.h"
#include "core/base64.h"
#include "core/file_helpers.h"
#include "core/language.h"
#include "core/number_text.h"
#include "core/text_encoding.h"
#include "core/trace.h"
#include "der/cert_handle.h"
#include "der/cert_inspection.h"
#include "der/cert_view.h"
#include "dialogs/dlg.h"
#include "dialogs/message_box.h"
#include "dialogs/plugin_error.h"
#include "dialogs/save_file.h"
#include "token/slot_ids.h"
#include "token/token_application.h"
#include "ui/file_dialog.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"
#include "ui/wait_cursor.h"

namespace orx {

namespace {

// A certificate file larger than this is no certificate (a PKCS#12 file with a
// long chain stays far below it).
constexpr size_t kMaxCertificateFileSize = 4u << 20;

// What the module stores for a certificate file: DER from DER, Base64 or PEM
// text, so that the search among the shown ones finds it whatever its form.
// Other files (PKCS#12, PKCS#7) stay as they are.
std::vector<uint8_t> ComparableBytes(const std::vector<uint8_t>& file) {
    const CertHandle handle = CertCreate(file);
    DerBytes der;
    if (handle && CertGetData(handle.get(), &der))
        return std::vector<uint8_t>(der.begin(), der.end());
    return file;
}

// A name proposed for the exported file: the subject shown, as a file name.
std::string ExportName(std::string subject) {
    std::replace(subject.begin(), subject.end(), '/', '_');
    return subject.empty() ? std::string() : subject + ".cer";
}

}  // namespace

bool CAdminView::GetSelectedCertificate(int32_t* slot) {
    selectedCertificate_.clear();
    int32_t current = kNoTokenShown;
    if (!EnsureToken(kAnyToken, current))
        return false;
    COwnerDrawList* list = ContentList();
    if (ShownTab() == kTabCertificates && list != nullptr && list->topLevelItemCount() > 0) {
        int row = SelectedRow();
        if (row < 0) {
            row = 0;
            SelectRow(row);
        }
        if (const std::string* entry = CertificateEntryAt(row)) {
            selectedCertificate_ = Base64Decode(CodePageBytesToUtf8(CertificateBase64(*entry)));
            // A card lists its applications' certificates together: each entry
            // names the slot that holds it.
            if (slot != nullptr)
                *slot = AtoI(*entry);
        }
    }
    if (!selectedCertificate_.empty())
        return true;
    ShowToken(current, kTabCertificates);
    ShowError(Owner(), kErrorNoCertificate);
    return false;
}

bool CAdminView::FindCertificate(std::span<const uint8_t> der, int32_t& slot) {
    std::vector<std::string> entries;
    for (int row = 0; ContentList() != nullptr && row < ContentList()->topLevelItemCount(); ++row) {
        if (const std::string* entry = CertificateEntryAt(row))
            entries.push_back(*entry);
    }
    const std::optional<size_t> found = FindCertificateEntry(entries, der);
    if (!found)
        return false;
    slot = AtoI(entries[*found]);
    return true;
}

void CAdminView::ViewCertificate(std::span<const uint8_t> der) {
    // Without an owner the client program is started and keeps the file.
    if (ViewCertificateBytes(nullptr, der) != 0)
        Trace("AdminView - The certificate could not be shown");
}

void CAdminView::OnCertificateAdd() {
    int32_t slot = kNoTokenShown;
    if (!EnsureToken(kAnyToken, slot))
        return;
    std::string file;
    if (!FileDialog(Owner(), "AddCert", true, GetText(kTextCertificateFilter), "cer", file))
        return;
    AddCertificate(CurrentSlot(), file);
}

void CAdminView::AddCertificate(int32_t slot, const std::string& file) {
    Trace("AdminView - Add certificate '%s' to slot %d", file.c_str(), slot);
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(file, bytes, kMaxCertificateFileSize) || bytes.empty())
        return;
    if (!App().SetActiveSlot(slot))
        return;
    // The search covers what the token holds, whatever the view showed before.
    if (Mode() != kModeToken || CurrentSlot() != slot || ShownTab() != kTabCertificates)
        ShowToken(slot, kTabCertificates);
    int32_t holder = kNoTokenShown;
    if (FindCertificate(ComparableBytes(bytes), holder)) {
        App().SetActiveSlot(holder);
        ShowTokenAgain(holder);
        ShowError(Owner(), kErrorCertificateExists);
        return;
    }
    int result = 0;
    do {
        WaitCursor wait;
        App().SetActiveSlot(slot);
        App().SetPropertyBytes("Certificate", bytes);
        result = App().Invoke("WriteCertificate");
        ShowTokenAgain(slot);
        wait.Restore();
        ShowPluginOutcome(Owner(), result, kMessageCertificateImported);
        // Three wrong passwords end the plug-in's dialog; the user is asked again
        // until the password is right or the dialog is cancelled.
    } while (result == kResultWrongPassword);
}

void CAdminView::OnCertificateExport() {
    if (!GetSelectedCertificate(nullptr))
        return;
    const int row = std::max(SelectedRow(), 0);
    const QTreeWidgetItem* item = ContentList()->topLevelItem(row);
    std::string file = ExportName(item != nullptr ? ToUtf8(item->text(0)) : std::string());
    const std::string filter = SaveFilter(GetText(kTextCertificateFilter));
    SaveFileAsking(Owner(), "AddCert", filter, "cer", file, [this](const std::string& path) {
        return WriteWholeFile(SelectedCertificate(), path);
    });
}

void CAdminView::RemoveCertificate(int32_t slot, std::span<const uint8_t> der) {
    if (AskQuestion(Owner(), kQuestionDeleteCertificate) != kIdYes)
        return;
    if (!App().SetActiveSlot(slot))
        return;
    ShowTokenAgain(slot);
    WaitCursor wait;
    // Showing the token made its first slot the active one.
    App().SetActiveSlot(slot);
    App().SetPropertyBytes("Certificate", der);
    const int result = App().Invoke("DeleteCertificate");
    ShowTokenAgain(slot);
    wait.Restore();
    ShowPluginOutcome(Owner(), result, kMessageCertificateDeleted);
}

}  // namespace orx
