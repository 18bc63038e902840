#include "settings/components_page.h"

#include <QWidget>

#include "core/product_identity.h"
#include "core/system_programs.h"
#include "settings/settings_ids.h"
#include "token/token_application.h"

namespace orx {

namespace {

// Where each box's value lives. The user's own values are read in their effective
// form and written per user; the section names are read and written in the letter
// case the rest of the middleware uses for each.
struct ComponentValue {
    int control;
    int text;
    bool local;
    std::string_view readSection;
    std::string_view writeSection;
    std::string_view key;
    bool inverted;  // the box says the opposite of the stored value
    bool fallback;  // the box when nothing is stored
};

constexpr std::array<ComponentValue, 8> kValues = {{
    {kIdCspEnable, 1559, true, "CSP", "Csp", "Enable", false, true},
    {kIdCspRemove, 1560, true, "CSP", "Csp", "KeepCertificates", true, true},
    {kIdCspDisableSilent, 1561, true, "CSP", "Csp", "DisableSilent", true, true},
    {kIdCspOverwrite, 1562, true, "CSP", "Csp", "OverWrite", false, true},
    {kIdNetEnable, 1564, false, "NetControl", "NetControl", "Enable", false, true},
    {kIdNetAsk, 1565, false, "NetControl", "NetControl", "Ask", false, true},
    {kIdInstallPlugins, 1567, false, "Admin Utility", "Admin Utility", "InstallPlugins", false,
     true},
    {kIdGinaEnable, 1666, false, "GINA", "Gina", "Enable", false, false},
}};

}  // namespace

CComponentsPage::CComponentsPage(CSettingsSheet& sheet)
    : CSettingsPage(kTemplateComponentsPage, sheet) {}

std::vector<int> CComponentsPage::Headings() const {
    std::vector<int> headings = {kIdCryptoApiHeading, kIdSessionsHeading, kIdPluginsHeading};
    if (logonInstalled_)
        headings.push_back(kIdGinaHeading);
    return headings;
}

bool CComponentsPage::OnStart() {
    logonInstalled_ = HasComponent(GetLogonModuleName());
    CSettingsPage::OnStart();
    if (!logonInstalled_) {
        // Gone from the page, without leaving its room behind.
        for (int id : {kIdGinaHeading, kIdGinaEnable}) {
            if (QWidget* control = GetItem(id)) {
                QSizePolicy policy = control->sizePolicy();
                policy.setRetainSizeWhenHidden(false);
                control->setSizePolicy(policy);
                control->hide();
            }
        }
    }
    if (!MayChangeMachineSettings()) {
        for (int id : {kIdNetEnable, kIdNetAsk, kIdInstallPlugins, kIdGinaEnable})
            Enable(id, false);
    }
    Load();
    SetTexts();
    return true;
}

void CComponentsPage::SetTexts() {
    SetItemTextById(kIdCryptoApiHeading, 1558);
    SetItemTextById(kIdSessionsHeading, 1563);
    SetItemTextById(kIdPluginsHeading, 1566);
    SetItemTextById(kIdGinaHeading, 1665);
    for (const ComponentValue& value : kValues)
        SetItemTextById(value.control, value.text);
}

bool CComponentsPage::IsModified() {
    for (size_t i = 0; i < kValues.size(); ++i) {
        if (IsChecked(kValues[i].control) != flags_[i])
            return true;
    }
    return false;
}

void CComponentsPage::Load() {
    if (!IsCreated())
        return;
    for (size_t i = 0; i < kValues.size(); ++i) {
        const ComponentValue& value = kValues[i];
        int32_t stored = 0;
        if (App().ConfigGetInt(value.local, value.readSection, value.key, stored)) {
            flags_[i] = value.inverted ? stored == 0 : stored != 0;
        } else {
            flags_[i] = value.fallback;
        }
    }
    UpdateControls();
}

void CComponentsPage::UpdateControls() {
    for (size_t i = 0; i < kValues.size(); ++i)
        SetCheck(kValues[i].control, flags_[i]);
    OnChange();
}

void CComponentsPage::Save() {
    if (!IsCreated())
        return;
    for (size_t i = 0; i < kValues.size(); ++i)
        flags_[i] = IsChecked(kValues[i].control);
    // Every value is written, changed or not: the user's always, the machine's
    // when this process may.
    for (size_t i = 0; i < kValues.size(); ++i) {
        const ComponentValue& value = kValues[i];
        if (!value.local && !MayChangeMachineSettings())
            continue;
        const bool stored = value.inverted ? !flags_[i] : flags_[i];
        App().ConfigSetInt(value.local, value.writeSection, value.key, stored ? 1 : 0);
    }
    SetTexts();
}

void CComponentsPage::OnChange() {
    const bool propagate = IsChecked(kIdCspEnable);
    for (int id : {kIdCspRemove, kIdCspDisableSilent, kIdCspOverwrite})
        Enable(id, propagate);
    if (MayChangeMachineSettings())
        Enable(kIdNetAsk, IsChecked(kIdNetEnable));
    CSettingsPage::OnChange();
}

}  // namespace orx
