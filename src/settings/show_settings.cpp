#include "settings/show_settings.h"

#include <memory>

#include "core/language.h"
#include "core/system_account.h"
#include "core/trace.h"
#include "dialogs/message_box.h"
#include "settings/components_page.h"
#include "settings/machine_settings_seam.h"
#include "settings/settings_ids.h"
#include "settings/settings_sheet.h"
#include "settings/smart_card_page.h"
#include "settings/view_page.h"
#include "token/token_application.h"
#include "ui/wait_cursor.h"
#include "ui/window_lookup.h"

namespace orx {

std::optional<bool>& MachineSettingsOverride() {
    static std::optional<bool> forced;
    return forced;
}

bool CanChangeMachineSettings() {
    if (const std::optional<bool>& forced = MachineSettingsOverride())
        return *forced;
    return IsAdministrator();
}

int ShowSettings(TokenApplication& app, QWidget* parent) {
    Trace("Settings - ShowSettings ...");
    // Without a parent the sheet belongs to the administration window, also to one
    // of another process.
    std::optional<WindowPlace> owner;
    if (parent == nullptr) {
        const std::string administration = GetTitleText(kTextAdministrationTitle);
        parent = FindLocalTopLevelWindow(administration);
        if (parent == nullptr)
            owner = LocateRegisteredWindow(administration);
    }
    const bool mayChange = CanChangeMachineSettings();
    if (!mayChange)
        ShowInformation(parent, kMessageNeedAdministrator);
    if (ActivateTopLevelWindow(GetTitleText(kTextSettings))) {
        Trace("Settings - Brought the open settings to the front");
        return 0;
    }
    CSettingsSheet sheet(app, parent, mayChange);
    if (owner)
        sheet.PlaceOver(*owner);
    sheet.AddPage(std::make_unique<CViewPage>(sheet));
    sheet.AddPage(std::make_unique<CSmartCardPage>(sheet));
    sheet.AddPage(std::make_unique<CComponentsPage>(sheet));
    const int result = sheet.DoModal();
    if (result == kIdOk) {
        WaitCursor wait;
        if (parent != nullptr)
            parent->repaint();
        app.Invoke("ApplyConfig");
    }
    const int changed = sheet.WasModified() ? 1 : 0;
    Trace("Settings - ShowSettings ... done (%d)", changed);
    return changed;
}

}  // namespace orx
