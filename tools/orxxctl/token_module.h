// The token plug-in module for the commands that use it, started the way the
// window program starts it, on the slot that "--slot" chose.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/os/work_ahead.h"
#include "token/token_application.h"

namespace orxctl {

// Starts the module, hands it the trace file that "--trace" switched on and makes the
// chosen slot its active slot. False, with the reason on standard error, when the
// module cannot be loaded or the chosen slot holds no token.
bool StartModule(orx::TokenApplication& app);

// StartModule on a thread of its own, so that loading the module, and the card
// modules it starts, overlaps what the command does meanwhile (reading a large
// input). Wait() gives StartModule's answer, its message included; until then `app`
// is the thread's alone. A command that ends without waiting says nothing of it.
// Without a thread to be had, Wait() starts the module.
class ModuleStarting {
  public:
    explicit ModuleStarting(orx::TokenApplication& app);
    ModuleStarting(const ModuleStarting&) = delete;
    ModuleStarting& operator=(const ModuleStarting&) = delete;

    bool Wait();

  private:
    std::string why_;
    orx::WorkAhead work_;  // last: it waits before the answer goes
};

// A command that is not `wellFormed` is the group's usage error, and the module
// is not started for it. Otherwise `run` gets the started module; a module that
// cannot be started is a failure, with the reason on standard error.
int RunWithModule(std::string_view group, bool wellFormed,
                  const std::function<int(orx::TokenApplication& app)>& run);

// What a result of the module means to the user ("cancelled", "wrong password").
std::string ResultText(int result);
// kExitOk for 0; otherwise "<what>: <meaning> (<result>)" on standard error and
// kExitFailed.
int Outcome(int result, const std::string& what, std::string_view meaning = {});

}  // namespace orxctl
