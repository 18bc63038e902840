#include "app/admin_app.h"

#include "admin/admin_main.h"
#include "core/product_identity.h"
#include "ui/native_window.h"
#include "ui/wait_cursor.h"

namespace orx {

CAdminApp::CAdminApp(int& argc, char** argv) : QApplication(argc, argv) {
    SetWindowHost(this);
}

CAdminApp::~CAdminApp() {
    // The window's panes store their sizes as they go; only then are they saved.
    mainWindowId_ = 0;
    mainWindow_.reset();
    SaveSettings(settings_);
    SetWindowHost(nullptr);
}

bool CAdminApp::InitInstance(std::string_view rawCommandLine) {
    const bool goOn = RunAdminStart(*this, settings_, rawCommandLine, request_, mainWindow_);
    if (mainWindow_)
        mainWindowId_ = static_cast<PluginWindow>(NativeWindowId(mainWindow_.get()));
    return goOn;
}

void CAdminApp::PrepareOnly() {
    InitProductIdentity();
    LoadSettings(settings_);
}

void CAdminApp::BeginWaitCursor() {
    orx::BeginWaitCursor();
}

void CAdminApp::EndWaitCursor() {
    orx::EndWaitCursor();
}

PluginWindow CAdminApp::GetMainWindow() {
    return mainWindowId_.load();
}

void CAdminApp::RepaintMainWindowNow() {
    if (mainWindow_)
        mainWindow_->repaint();
}

}  // namespace orx
