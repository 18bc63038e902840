#include "app/admin_start.h"

#include "app/status_window.h"
#include "core/language.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "fileop/file_op_wizard.h"
#include "settings/show_settings.h"
#include "token/token_application.h"
#include "ui/window_lookup.h"

namespace orx {

bool RunAdminStart(TokenApplication& app, AdminSettings& settings, std::string_view rawCommandLine,
                   StartRequest& command) {
    StatusWindow status(kTextLoading);
    InitProductIdentity();
    LoadSettings(settings);
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
    if (ActivateTopLevelWindow(GetTitleText(kTextAdministration))) {
        status.Destroy();
        return true;
    }
    Trace("Admin - Administration window requested (slot %d)", command.cachedSlotId);
    app.SetCachedSlotId(command.cachedSlotId);
    app.SetPendingSlotLabel(command.pendingSlotLabel);
    status.Destroy();
    return true;
}

}  // namespace orx
