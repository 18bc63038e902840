// orxxctl token create/info/delete: soft tokens through the module, with the same
// wrappers as the window program. Passwords are asked by the module's pinentry and
// are never taken as arguments.
#include <string>

#include "admin/command_texts.h"
#include "commands.h"
#include "token_module.h"

namespace orxctl {

namespace {

int Create(orx::TokenApplication& app, const Arguments& arguments) {
    const std::string& label = arguments[0];
    if (arguments.size() == 2) {
        const std::string& file = arguments[1];
        if (!orx::IsTokenFileName(file))
            return Fail("'" + file + "' is not a soft token file (.tkn)");
        std::string bytes;
        if (!ReadInput(file, bytes) || bytes.empty())
            return Fail("cannot read '" + file + "'");
        app.SetPropertyBytes(
            "TokenData",
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
    app.SetProperty("TokenLabel", label.c_str());
    const int result = app.Invoke("CreateToken");
    app.SetProperty("TokenLabel", "");
    app.SetProperty("TokenData", "");
    if (result != 0)
        return Fail("creating the soft token failed (" + std::to_string(result) + ")");
    const int32_t slot = app.GetActiveSlot(true);
    return WriteOutput(std::to_string(slot) + "\n") ? kExitOk : Fail("cannot write the output");
}

int Info(orx::TokenApplication& app, int32_t slot) {
    app.SetActiveSlot(slot);
    const std::optional<std::string> info = app.GetPropertyString("TokenInfo");
    if (!info)
        return Fail("no token in slot " + std::to_string(slot));
    return WriteOutput(*info + "\n") ? kExitOk : Fail("cannot write the output");
}

int Delete(orx::TokenApplication& app, int32_t slot) {
    app.SetActiveSlot(slot);
    if (!app.GetPropertyString("TokenInfo"))
        return Fail("no token in slot " + std::to_string(slot));
    const int result = app.Invoke("DeleteToken");
    if (result != 0)
        return Fail("deleting the token in slot " + std::to_string(slot) + " failed (" +
                    std::to_string(result) + ")");
    return kExitOk;
}

}  // namespace

int RunTokenCreate(const Arguments& a) {
    return RunWithModule("token", a.size() == 1 || a.size() == 2,
                         [&a](orx::TokenApplication& app) { return Create(app, a); });
}

int RunTokenInfo(const Arguments& a) {
    // Taken by reference: it is parsed while the call's arguments are evaluated.
    int32_t slot = 0;
    return RunWithModule("token", a.size() <= 1 && SlotArgument(a, 0, slot),
                         [&slot](orx::TokenApplication& app) { return Info(app, slot); });
}

int RunTokenDelete(const Arguments& a) {
    int32_t slot = 0;
    return RunWithModule("token", a.size() <= 1 && SlotArgument(a, 0, slot),
                         [&slot](orx::TokenApplication& app) { return Delete(app, slot); });
}

}  // namespace orxctl
