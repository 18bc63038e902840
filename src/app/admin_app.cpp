#include "app/admin_app.h"

#include "app/status_window.h"
#include "core/language.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "fileop/file_op_wizard.h"
#include "ui/wait_cursor.h"
#include "ui/window_lookup.h"

namespace orx {

CAdminApp::CAdminApp(int& argc, char** argv) : QApplication(argc, argv) {
    SetWindowHost(this);
}

CAdminApp::~CAdminApp() {
    SaveSettings(settings_);
    SetWindowHost(nullptr);
}

bool CAdminApp::InitInstance(std::string_view rawCommandLine) {
    StatusWindow status(kTextLoading);
    InitProductIdentity();
    LoadSettings(settings_);
    request_ = ReadStartCommand(rawCommandLine);
    switch (request_.task) {
        case AdminTask::Install:
        case AdminTask::Uninstall:
            return true;
        case AdminTask::Settings:
            Trace("Admin - Settings requested");
            return true;
        default:
            break;
    }
    status.Show();
    StartPlugin();
    status.WatchTitle(kTextAdministration);
    if (request_.task == AdminTask::FileOperation) {
        status.Destroy();
        RunFileOpWizard(*this, request_.operation, request_.inputFile);
        return true;
    }
    // A second start hands over to the window that is already open.
    if (ActivateTopLevelWindow(GetTitleText(kTextAdministration))) {
        status.Destroy();
        return true;
    }
    Trace("Admin - Administration window requested (slot %d)", request_.cachedSlotId);
    SetCachedSlotId(request_.cachedSlotId);
    SetPendingSlotLabel(request_.pendingSlotLabel);
    status.Destroy();
    return true;
}

void CAdminApp::BeginWaitCursor() {
    orx::BeginWaitCursor();
}

void CAdminApp::EndWaitCursor() {
    orx::EndWaitCursor();
}

PluginWindow CAdminApp::GetMainWindow() {
    return 0;  // the administration window is not part of this program yet
}

void CAdminApp::RepaintMainWindowNow() {}

}  // namespace orx
