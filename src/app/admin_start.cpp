#include "app/admin_start.h"

#include "admin/admin_main.h"
#include "app/status_window.h"
#include "core/language.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "fileop/file_op_wizard.h"
#include "settings/show_settings.h"
#include "token/token_application.h"
#include "ui/native_window.h"
#include "ui/qt_translations.h"
#include "ui/window_lookup.h"

namespace orx {

bool RunAdminStart(TokenApplication& app, AdminSettings& settings, std::string_view rawCommandLine,
                   StartRequest& command, std::unique_ptr<CAdminMain>& window) {
    StatusWindow status(kTextLoading);
    InitProductIdentity();
    LoadSettings(settings);
    // Qt's own buttons and dialogs speak the program's language from the start.
    InstallQtTranslations(GetCurrentLanguageId());
    command = ParseStartRequest(rawCommandLine);
    switch (command.task) {
        case StartTask::Install:
        case StartTask::Uninstall:
            return true;
        case StartTask::Settings:
            Trace("Admin - Settings requested");
            // Every value of the sheet is read and written through the module.
            app.StartPlugin();
            ShowSettings(app, nullptr);
            return true;
        default:
            break;
    }
    status.Show();
    app.StartPlugin();
    status.WatchTitle(kTextAdministration);
    if (command.task == StartTask::FileOperation) {
        status.Destroy();
        RunFileOpWizard(app, command.operation, command.inputFile);
        return true;
    }
    // A second start hands over to the window that is already open.
    const std::string title = GetTitleText(kTextAdministration);
    if (ActivateTopLevelWindow(title)) {
        Trace("Admin - Handed over to the open administration window");
        status.Destroy();
        return true;
    }
    Trace("Admin - Administration window requested (slot %d)", command.cachedSlotId);
    app.SetCachedSlotId(command.cachedSlotId);
    app.SetPendingSlotLabel(command.pendingSlotLabel);

    auto frame = std::make_unique<CAdminMain>(app, settings);
    if (!frame->Create()) {
        Trace("Admin - The administration window could not be made");
        status.Destroy();
        return false;
    }
    frame->show();
    frame->repaint();
    // The module's password prompts stand in front of this window.
    app.SetParentWnd(static_cast<PluginWindow>(NativeWindowId(frame.get())));
    window = std::move(frame);
    status.Destroy();
    return true;
}

}  // namespace orx
