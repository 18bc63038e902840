#include "token_module.h"

#include <string>

#include "command.h"
#include "core/product_identity.h"
#include "core/trace.h"

namespace orxctl {

namespace {

// StartModule without a word: why the module cannot be used, or "" when it can.
std::string TryStartModule(orx::TokenApplication& app) {
    app.StartPlugin();
    if (!app.IsInitialized())
        return "the token plug-in module '" + orx::GetPluginModuleName() + "' is not available";
    // The module keeps a trace of its own: what "--trace" asked for covers it too.
    const std::string trace = orx::TraceGetFile();
    if (!trace.empty())
        app.SetProperty("Trace", trace.c_str());
    if (const std::optional<int32_t> slot = ChosenSlot()) {
        app.SetActiveSlot(*slot);
        if (!app.GetPropertyString("TokenInfo"))
            return "no token in slot " + std::to_string(*slot);
    }
    return "";
}

}  // namespace

bool StartModule(orx::TokenApplication& app) {
    const std::string why = TryStartModule(app);
    if (!why.empty())
        Fail(why);
    return why.empty();
}

ModuleStarting::ModuleStarting(orx::TokenApplication& app)
    : work_([this, &app] { why_ = TryStartModule(app); }) {
    work_.Start();
}

bool ModuleStarting::Wait() {
    work_.Wait();
    if (!why_.empty())
        Fail(why_);
    return why_.empty();
}

int RunWithModule(std::string_view group, bool wellFormed,
                  const std::function<int(orx::TokenApplication& app)>& run) {
    if (!wellFormed)
        return Usage(group);
    orx::TokenApplication app;
    if (!StartModule(app))
        return kExitFailed;
    return run(app);
}

std::string ResultText(int result) {
    switch (result) {
        case 1:
            return "cancelled";
        case 6:
            return "failed (is a password program available?)";
        case 7:
            return "bad arguments";
        case 19:
            return "damaged file or data";
        case 84:
            return "not supported on this slot";
        case 160:
            return "wrong password";
        case 161:
            return "the new passwords differ";
        case 162:
            return "the password length is out of range";
        case 164:
            return "no tries left";
        case 224:
            return "no token in that slot";
        default:
            return "failed";
    }
}

int Outcome(int result, const std::string& what, std::string_view meaning) {
    if (result == 0)
        return kExitOk;
    const std::string text = meaning.empty() ? ResultText(result) : std::string(meaning);
    return Fail(what + ": " + text + " (" + std::to_string(result) + ")");
}

}  // namespace orxctl
