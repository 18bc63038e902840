// The token plug-in module for the commands that use it, started the way the
// window program starts it.
#pragma once

#include <functional>
#include <string_view>

#include "token/token_application.h"

namespace orxctl {

// A command that is not `wellFormed` is the group's usage error, and the module
// is not started for it. Otherwise `run` gets the started module; a module that
// cannot be loaded is a failure, with the reason on standard error.
int RunWithModule(std::string_view group, bool wellFormed,
                  const std::function<int(orx::TokenApplication& app)>& run);

}  // namespace orxctl
