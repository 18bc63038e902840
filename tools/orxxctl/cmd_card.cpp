// orxxctl card create/insert/remove: virtual cards for the card paths of the
// module, made and moved through the module itself (so that it alone decides where
// its readers live). The PUK and the passwords are asked by the module's pinentry
// and are never taken as arguments.
#include <string>

#include "command.h"
#include "core/product_identity.h"
#include "token/token_application.h"

namespace orxctl {

namespace {

constexpr const char* kUsage =
    "  card create FILE [LABEL]\n"
    "  card insert READER FILE\n"
    "  card remove READER\n";

constexpr const char* kDefaultLabel = "Virtual Card";

std::string Explain(int result) {
    switch (result) {
        case 1:
            return "cancelled";
        case 7:
            return "bad arguments";
        case 19:
            return "not a usable card file";
        case 161:
            return "the new passwords differ";
        case 162:
            return "the password length is out of range";
        case 224:
            return "no card in that reader";
        default:
            return "failed";
    }
}

int Outcome(int result, const std::string& what) {
    if (result == 0)
        return kExitOk;
    return Fail(what + ": " + Explain(result) + " (" + std::to_string(result) + ")");
}

int RunCard(const Arguments& arguments) {
    if (arguments.empty())
        return Usage("card");
    const std::string& action = arguments[0];
    const bool create = action == "create" && (arguments.size() == 2 || arguments.size() == 3);
    const bool insert = action == "insert" && arguments.size() == 3;
    const bool remove = action == "remove" && arguments.size() == 2;
    if (!create && !insert && !remove)
        return Usage("card");
    orx::TokenApplication app;
    app.StartPlugin();
    if (!app.IsInitialized())
        return Fail("the token plug-in module '" + orx::GetPluginModuleName() +
                    "' is not available");
    if (create) {
        const std::string label = arguments.size() == 3 ? arguments[2] : kDefaultLabel;
        app.SetProperty("TokenLabel", label.c_str());
        app.SetProperty("FileName", arguments[1].c_str());
        return Outcome(app.Invoke("CreateCard"), "creating the card '" + arguments[1] + "'");
    }
    app.SetProperty("Reader", arguments[1].c_str());
    if (insert) {
        app.SetProperty("FileName", arguments[2].c_str());
        return Outcome(app.Invoke("InsertCard"),
                       "inserting '" + arguments[2] + "' into '" + arguments[1] + "'");
    }
    return Outcome(app.Invoke("RemoveCard"), "removing the card from '" + arguments[1] + "'");
}

const bool registered = RegisterCommand({"card", kUsage, &RunCard});

}  // namespace

}  // namespace orxctl
