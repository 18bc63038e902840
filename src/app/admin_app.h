// The one application object of the administration program: the Qt application
// and, through its second base, the token plug-in binding with its locked wrappers.
#pragma once

#include <QApplication>
#include <atomic>
#include <memory>
#include <string_view>

#include "app/admin_settings.h"
#include "app/admin_start.h"
#include "app/start_request.h"
#include "token/token_application.h"
#include "token/token_window_host.h"

namespace orx {

class CAdminMain;

class CAdminApp : public QApplication, public TokenApplication, private TokenWindowHost {
  public:
    CAdminApp(int& argc, char** argv);
    // Closes the administration window, then stores the settings before the binding
    // finalises the module.
    ~CAdminApp() override;

    // The start: settings, command line, status window, plug-in, then the one task
    // asked for. True to go on into the event loop, which runs while the
    // administration window is open; false when that window could not be made.
    bool InitInstance(std::string_view rawCommandLine);
    // Only what every start does first (product identity, the per-user clean-up, the
    // sizes and the trace file), for a start that can go no further; the sizes are
    // saved again when the application ends.
    void PrepareOnly();

    const StartRequest& Request() const { return request_; }
    AdminSettings& Settings() { return settings_; }
    // The administration window, nullptr when this start made none.
    CAdminMain* MainWindow() const { return mainWindow_.get(); }

  private:
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    PluginWindow GetMainWindow() override;
    void RepaintMainWindowNow() override;

    AdminSettings settings_;
    StartRequest request_;
    std::unique_ptr<CAdminMain> mainWindow_;
    // Read by the plug-in wrappers, also from a worker thread.
    std::atomic<PluginWindow> mainWindowId_{0};
};

}  // namespace orx
