#include "app/admin_app.h"

#include "ui/wait_cursor.h"

namespace orx {

CAdminApp::CAdminApp(int& argc, char** argv) : QApplication(argc, argv) {
    SetWindowHost(this);
}

CAdminApp::~CAdminApp() {
    SaveSettings(settings_);
    SetWindowHost(nullptr);
}

bool CAdminApp::InitInstance(std::string_view rawCommandLine) {
    return RunAdminStart(*this, settings_, rawCommandLine, request_);
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
