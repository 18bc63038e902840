// The one application object of the administration program: the Qt application
// and, through its second base, the token plug-in binding with its locked wrappers.
#pragma once

#include <QApplication>
#include <string_view>

#include "app/admin_settings.h"
#include "app/admin_start.h"
#include "app/start_request.h"
#include "token/token_application.h"
#include "token/token_window_host.h"

namespace orx {

class CAdminApp : public QApplication, public TokenApplication, private TokenWindowHost {
  public:
    CAdminApp(int& argc, char** argv);
    // Stores the settings before the binding finalises the module.
    ~CAdminApp() override;

    // The start: settings, command line, status window, plug-in, then the one task
    // asked for. True to go on into the event loop, which the tasks of this program
    // never need yet.
    bool InitInstance(std::string_view rawCommandLine);

    const StartRequest& Request() const { return request_; }
    AdminSettings& Settings() { return settings_; }

  private:
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    PluginWindow GetMainWindow() override;
    void RepaintMainWindowNow() override;

    AdminSettings settings_;
    StartRequest request_;
};

}  // namespace orx
