// The start of the administration program after its application object exists:
// settings, command line, status window, plug-in, then the one task asked for.
#pragma once

#include <string_view>

#include "app/admin_settings.h"
#include "app/start_request.h"

namespace orx {

class TokenApplication;

inline constexpr int kTextLoading = 1667;         // "Loading, please wait..."
inline constexpr int kTextAdministration = 1003;  // the main window's title

// True to go on into the event loop, which none of today's tasks needs.
bool RunAdminStart(TokenApplication& app, AdminSettings& settings, std::string_view rawCommandLine,
                   StartRequest& command);

}  // namespace orx
