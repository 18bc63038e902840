#include "settings/smart_card_page.h"

#include <QComboBox>
#include <QListWidget>
#include <optional>

#include "core/language.h"
#include "core/string_helpers.h"
#include "core/trace.h"
#include "settings/add_reader_dialog.h"
#include "settings/settings_ids.h"
#include "settings/smart_card_values.h"
#include "token/token_application.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

constexpr std::string_view kReaderSection = "Smart Card Reader";
constexpr std::string_view kAdminSection = "Admin Utility";
constexpr std::string_view kLogonKey = "EnableWinlogon";

// The item data of the selected entry; none without a selection.
std::optional<int32_t> SelectedData(QComboBox* combo) {
    if (combo == nullptr || combo->currentIndex() < 0)
        return std::nullopt;
    return combo->currentData().toInt();
}

// Refills a combo in the current language. The entry the user picked stays picked
// (a pending change outlives a visit to another page); otherwise the loaded value,
// and no entry when none has it.
void FillCombo(QComboBox* combo, const std::vector<ComboEntry>& entries, int32_t loaded) {
    if (combo == nullptr)
        return;
    const int32_t wanted = SelectedData(combo).value_or(loaded);
    combo->clear();
    for (const ComboEntry& entry : entries)
        combo->addItem(ToQString(entry.text), entry.data);
    combo->setCurrentIndex(combo->findData(wanted));
}

// The mode entry that shows a loaded mode: shared, or exclusive for anything else.
int32_t ShownMode(int32_t mode) {
    return mode == kModeShared ? kModeShared : kModeExclusive;
}

}  // namespace

CSmartCardPage::CSmartCardPage(CSettingsSheet& sheet)
    : CSettingsPage(kTemplateSmartCardPage, sheet) {}

std::vector<int> CSmartCardPage::Headings() const {
    return {kIdReaderHeading, kIdAcceptedHeading, kIdLogonHeading};
}

bool CSmartCardPage::OnStart() {
    CSettingsPage::OnStart();
    if (!MayChangeMachineSettings()) {
        for (int id :
             {kIdDetect, kIdMode, kIdLockTimeout, kIdAddReader, kIdDeleteReader, kIdEnableLogon})
            Enable(id, false);
    }
    Load();
    return true;
}

void CSmartCardPage::SetTexts() {
    SetItemTextById(kIdReaderHeading, 1545);
    SetItemTextById(kIdDetectLabel, 1546);
    SetItemTextById(kIdModeLabel, 1547);
    SetItemTextById(kIdLockTimeoutLabel, 1548);
    SetItemTextById(kIdAddReader, 1126);
    SetItemTextById(kIdDeleteReader, 1128);
    SetItemTextById(kIdAcceptedHeading, 1684);
    SetItemTextById(kIdLogonHeading, 1556);
    SetItemTextById(kIdEnableLogon, 1557);
    FillCombo(qobject_cast<QComboBox*>(GetItem(kIdDetect)), DetectEntries(), detect_);
    FillCombo(qobject_cast<QComboBox*>(GetItem(kIdMode)), ModeEntries(), ShownMode(mode_));
    FillCombo(qobject_cast<QComboBox*>(GetItem(kIdLockTimeout)), LockTimeoutEntries(),
              lockTimeout_);
}

bool CSmartCardPage::IsModified() {
    // A stored mode that shows as exclusive is no change of it.
    const struct {
        int id;
        int32_t loaded;
    } combos[] = {
        {kIdDetect, detect_}, {kIdMode, ShownMode(mode_)}, {kIdLockTimeout, lockTimeout_}};
    for (const auto& c : combos) {
        const std::optional<int32_t> selected =
            SelectedData(qobject_cast<QComboBox*>(GetItem(c.id)));
        if (selected && *selected != c.loaded)
            return true;
    }
    return IsChecked(kIdEnableLogon) != enableLogon_ ||
           !EqualsNoCase(GetReaderList(kReaderListCapacity), accepted_);
}

void CSmartCardPage::Load() {
    if (!IsCreated())
        return;
    detect_ = kDetectDefault;
    mode_ = kModeShared;
    lockTimeout_ = kLockTimeoutDefault;
    enableLogon_ = true;
    accepted_.clear();
    int32_t value = 0;
    if (App().ConfigGetInt(false, kReaderSection, "Detect", value))
        detect_ = NormalizeDetect(value);
    if (App().ConfigGetInt(false, kReaderSection, "Mode", value))
        mode_ = NormalizeMode(value);
    if (App().ConfigGetInt(false, kReaderSection, "LockTimeout", value))
        lockTimeout_ = NormalizeLockTimeout(value);
    App().ConfigGetString(false, kReaderSection, "Accepted", accepted_, kReaderListCapacity);
    if (App().ConfigGetInt(false, kAdminSection, kLogonKey, value))
        enableLogon_ = value != 0;
    UpdateControls();
}

void CSmartCardPage::UpdateControls() {
    FillReaderList(accepted_);
    SetCheck(kIdEnableLogon, enableLogon_);
    // The combos show the loaded values again, not a pick of before.
    for (int id : {kIdDetect, kIdMode, kIdLockTimeout}) {
        if (auto* combo = qobject_cast<QComboBox*>(GetItem(id)))
            combo->clear();
    }
    SetTexts();
}

void CSmartCardPage::Save() {
    if (!IsCreated())
        return;
    if (MayChangeMachineSettings()) {
        const struct {
            int id;
            std::string_view key;
            int32_t& loaded;
        } combos[] = {{kIdDetect, "Detect", detect_},
                      {kIdMode, "Mode", mode_},
                      {kIdLockTimeout, "LockTimeout", lockTimeout_}};
        for (const auto& c : combos) {
            const std::optional<int32_t> selected =
                SelectedData(qobject_cast<QComboBox*>(GetItem(c.id)));
            const int32_t shown = c.id == kIdMode ? ShownMode(c.loaded) : c.loaded;
            if (selected && *selected != shown) {
                c.loaded = *selected;
                App().ConfigSetInt(false, kReaderSection, c.key, c.loaded);
            }
        }
        const std::string readers = GetReaderList(kReaderListCapacity);
        if (!EqualsNoCase(readers, accepted_)) {
            accepted_ = readers;
            App().ConfigSetString(false, kReaderSection, "Accepted", accepted_);
        }
        if (IsChecked(kIdEnableLogon) != enableLogon_) {
            enableLogon_ = IsChecked(kIdEnableLogon);
            App().ConfigSetInt(false, kAdminSection, kLogonKey, enableLogon_ ? 1 : 0);
        }
    }
    SetTexts();
}

bool CSmartCardPage::OnCommand(int commandId, int extra) {
    switch (commandId) {
        case kIdAddReader:
            AddReader();
            return true;
        case kIdDeleteReader:
            DeleteReader();
            return true;
        default:
            return CSettingsPage::OnCommand(commandId, extra);
    }
}

void CSmartCardPage::AddReader() {
    Trace("Settings - AddReader");
    CAddReaderDlg dialog(Window(), KnownReaderNames(App()));
    const int result = dialog.DoModal();
    // The sheet takes the keyboard back, with the focus where it was.
    if (Window() != nullptr)
        Window()->window()->activateWindow();
    if (result != kIdOk || dialog.Name().empty())
        return;
    auto* list = qobject_cast<QListWidget*>(GetItem(kIdReaderList));
    if (list == nullptr)
        return;
    const QString name = ToQString(dialog.Name());
    if (list->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
        list->addItem(name);
    FillReaderList(GetReaderList(kReaderListCapacity));
    OnChange();
}

void CSmartCardPage::DeleteReader() {
    auto* list = qobject_cast<QListWidget*>(GetItem(kIdReaderList));
    if (list == nullptr || list->count() == 0)
        return;
    const int row = list->currentRow() >= 0 ? list->currentRow() : 0;
    Trace("Settings - DeleteReader '%s'", ToUtf8(list->item(row)->text()).c_str());
    delete list->takeItem(row);
    FillReaderList(GetReaderList(kReaderListCapacity));
    OnChange();
}

void CSmartCardPage::FillReaderList(std::string_view text) {
    auto* list = qobject_cast<QListWidget*>(GetItem(kIdReaderList));
    if (list == nullptr)
        return;
    list->clear();
    list->setEnabled(false);
    for (const std::string& name : SplitReaderNames(text))
        list->addItem(ToQString(name));
    if (list->count() == 0) {
        list->addItem(ToQString(GetText(kTextAllReaders)));
        Enable(kIdDeleteReader, false);
    } else if (MayChangeMachineSettings()) {
        list->setEnabled(true);
        Enable(kIdDeleteReader, true);
    }
}

std::string CSmartCardPage::GetReaderList(size_t size) {
    std::vector<std::string> names;
    if (auto* list = qobject_cast<QListWidget*>(GetItem(kIdReaderList))) {
        for (int i = 0; i < list->count(); ++i)
            names.push_back(ToUtf8(list->item(i)->text()));
    }
    return JoinReaderNames(names, size);
}

}  // namespace orx
