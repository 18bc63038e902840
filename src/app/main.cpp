// orxxadm: the administration program. The exit status is 0 in every case.
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "core/command_line.h"
#include "core/standard_options.h"
#include "core/trace.h"

#ifdef ORX_WITH_WINDOWS
#include "admin/admin_main.h"
#include "app/admin_app.h"
#include "app/start_request.h"
#else
#include "app/admin_settings.h"
#include "app/start_request.h"
#include "core/product_identity.h"
#endif

namespace {

constexpr std::string_view kUsage =
    "Usage: orxxadm [-admin SLOT [-name LABEL]]\n"
    "       orxxadm -sign FILE | -verify FILE | -encrypt FILE | -decrypt FILE\n"
    "       orxxadm -settings\n"
    "       orxxadm --help | --version\n"
    "\n"
    "Without an option it opens the administration window of the tokens, or brings\n"
    "the one already open to the front.\n"
    "\n"
    "  -admin SLOT     show the token in slot SLOT first\n"
    "  -name LABEL     together with -admin: the label of that token\n"
    "  -sign FILE      sign FILE with a certificate of a token (PKCS#7)\n"
    "  -verify FILE    verify the signed FILE and take its content out\n"
    "  -encrypt FILE   encrypt FILE for the chosen recipients' certificates\n"
    "  -decrypt FILE   decrypt FILE with a key of a token\n"
    "  -settings       show the settings of the middleware\n"
    "  -install, -uninstall\n"
    "                  prepare the user's settings and end\n"
    "  --help          show this text and end\n"
    "  --version       show the version and end\n"
    "\n"
    "An option is found anywhere on the command line; the first of -settings,\n"
    "-sign, -verify, -encrypt and -decrypt (in this order) is run. See orxxadm(1).\n";

#ifdef ORX_WITH_WINDOWS
bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const std::span<const char* const> arguments(argv + 1, static_cast<size_t>(argc - 1));
    if (const int status = orx::AnswerStandardOption(arguments, "orxxadm", kUsage); status >= 0)
        return status;
    const std::string line = orx::JoinCommandLine(arguments);
#ifdef ORX_WITH_WINDOWS
    // Qt aborts without a platform. Without a display the program still does its
    // window-less work on the offscreen one, but a wizard, a settings sheet or an
    // administration window nobody can see would wait for ever: it says so and ends.
    const bool display = HasDisplay();
    if (!display)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    orx::CAdminApp app(argc, argv);
    const orx::StartTask task = orx::ParseStartRequest(line).task;
    if (!display && (task == orx::StartTask::FileOperation || task == orx::StartTask::Settings ||
                     task == orx::StartTask::Admin)) {
        const bool wizard = task == orx::StartTask::FileOperation;
        const bool sheet = task == orx::StartTask::Settings;
        const char* what = wizard ? "wizard" : sheet ? "settings" : "administration window";
        app.PrepareOnly();
        orx::Trace("AdminMain - No display for the %s", wizard  ? "file operation"
                                                        : sheet ? "settings"
                                                                : "window");
        std::fprintf(stderr, "orxxadm: no display to show the %s on (DISPLAY is not set)\n", what);
        return 0;
    }
    // The event loop runs while the administration window is open; the other tasks
    // are done when the start returns.
    if (app.InitInstance(line) && app.MainWindow() != nullptr)
        app.exec();
#else
    // A build without the window layer: the start-up logic only.
    orx::InitProductIdentity();
    orx::AdminSettings settings;
    orx::LoadSettings(settings);
    const orx::StartRequest request = orx::ParseStartRequest(line);
    if (request.task == orx::StartTask::FileOperation) {
        orx::Trace("Admin - File operation %d requested for '%s'", request.operation,
                   request.inputFile.c_str());
    } else if (request.task == orx::StartTask::Admin) {
        orx::Trace("Admin - Administration window requested (slot %d)", request.cachedSlotId);
    } else if (request.task == orx::StartTask::Settings) {
        orx::Trace("Admin - Settings requested");
    }
    orx::SaveSettings(settings);
#endif
    return 0;
}
