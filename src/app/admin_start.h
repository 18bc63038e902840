// The start of the administration program after its application object exists:
// settings, command line, status window, plug-in, then the one task asked for.
#pragma once

#include <memory>
#include <string_view>

#include "app/admin_settings.h"
#include "app/start_request.h"

namespace orx {

class CAdminMain;
class TokenApplication;

inline constexpr int kTextLoading = 1667;         // "Loading, please wait..."
inline constexpr int kTextAdministration = 1003;  // the main window's title

// True to go on into the event loop (with `window` made when the administration
// window was asked for), false when that window could not be made. A start that
// finds the window open already brings it forward and makes none.
bool RunAdminStart(TokenApplication& app, AdminSettings& settings, std::string_view rawCommandLine,
                   StartRequest& command, std::unique_ptr<CAdminMain>& window);

}  // namespace orx
