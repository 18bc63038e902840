#include "settings/view_page.h"

#include <QComboBox>

#include "core/language.h"
#include "core/string_helpers.h"
#include "core/trace.h"
#include "settings/settings_ids.h"
#include "settings/settings_sheet.h"
#include "token/token_application.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

constexpr size_t kLanguageCapacity = 256;
constexpr std::string_view kLanguageSection = "Language";
constexpr std::string_view kLanguageKey = "Current";
constexpr std::string_view kAdminSection = "Admin Utility";

std::string ProgramLanguage() {
    std::string name = GetCurrentLanguageName();
    if (name.empty() && GetCurrentLanguageId() == kLanguageEnglish)
        name = "English";
    return name;
}

}  // namespace

CViewPage::CViewPage(CSettingsSheet& sheet) : CSettingsPage(kTemplateViewPage, sheet) {}

std::vector<int> CViewPage::Headings() const {
    return {kIdLanguageHeading, kIdViewHeading};
}

bool CViewPage::OnStart() {
    CSettingsPage::OnStart();
    if (!MayChangeMachineSettings()) {
        for (int id : {kIdTaskbarIcon, kIdExplorerMenu, kIdStartMenu})
            Enable(id, false);
    }
    Load();
    SetTexts();
    OnChange();
    return true;
}

void CViewPage::SetTexts() {
    SetItemTextById(kIdLanguageHeading, 1540);
    SetItemTextById(kIdViewHeading, 1541);
    SetItemTextById(kIdTaskbarIcon, 1542);
    SetItemTextById(kIdExplorerMenu, 1543);
    SetItemTextById(kIdStartMenu, 1544);
}

bool CViewPage::IsModified() {
    return GetItemText(kIdLanguageList) != language_ || IsChecked(kIdTaskbarIcon) != taskbarIcon_ ||
           IsChecked(kIdExplorerMenu) != explorerMenu_ || IsChecked(kIdStartMenu) != startMenu_;
}

void CViewPage::Load() {
    if (!IsCreated())
        return;
    taskbarIcon_ = explorerMenu_ = startMenu_ = true;
    language_.clear();
    App().ConfigGetString(true, kLanguageSection, kLanguageKey, language_, kLanguageCapacity);
    const struct {
        std::string_view key;
        bool& flag;
    } flags[] = {
        {"TaskbarIcon", taskbarIcon_}, {"ExplorerMenu", explorerMenu_}, {"StartMenu", startMenu_}};
    for (const auto& f : flags) {
        int32_t value = 0;
        if (App().ConfigGetInt(false, kAdminSection, f.key, value))
            f.flag = value != 0;
    }
    auto* list = qobject_cast<QComboBox*>(GetItem(kIdLanguageList));
    if (list != nullptr) {
        list->clear();
        std::string name;
        for (int index = 0; EnumLanguageName(name, kLanguageCapacity, index);)
            list->addItem(ToQString(name));
        // Nothing stored: the language the program speaks now, which the list offers
        // unless the deployment allows others only (then the first of those).
        if (language_.empty())
            language_ = ProgramLanguage();
        int selected = 0;
        for (int i = 0; i < list->count(); ++i) {
            if (EqualsNoCase(ToUtf8(list->itemText(i)), language_)) {
                selected = i;
                break;
            }
        }
        list->setCurrentIndex(list->count() > 0 ? selected : -1);
        language_ = ToUtf8(list->currentText());
    }
    UpdateControls();
}

void CViewPage::UpdateControls() {
    SetCheck(kIdTaskbarIcon, taskbarIcon_);
    SetCheck(kIdExplorerMenu, explorerMenu_);
    SetCheck(kIdStartMenu, startMenu_);
}

void CViewPage::Save() {
    if (!IsCreated())
        return;
    language_ = GetItemText(kIdLanguageList);
    if (!SelectLanguage(language_))
        Trace("Settings - Language '%s' not taken", language_.c_str());
    sheet_.SetTexts();
    taskbarIcon_ = IsChecked(kIdTaskbarIcon);
    explorerMenu_ = IsChecked(kIdExplorerMenu);
    startMenu_ = IsChecked(kIdStartMenu);
    App().ConfigSetString(true, kLanguageSection, kLanguageKey, language_);
    if (MayChangeMachineSettings()) {
        App().ConfigSetInt(false, kAdminSection, "TaskbarIcon", taskbarIcon_ ? 1 : 0);
        App().ConfigSetInt(false, kAdminSection, "ExplorerMenu", explorerMenu_ ? 1 : 0);
        App().ConfigSetInt(false, kAdminSection, "StartMenu", startMenu_ ? 1 : 0);
    }
    SetTexts();
}

}  // namespace orx
