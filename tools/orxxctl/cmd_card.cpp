// orxxctl card create/insert/remove: virtual cards for the card paths of the
// module, made and moved through the module itself (so that it alone decides where
// its readers live). The PUK and the passwords are asked by the module's pinentry
// and are never taken as arguments.
#include <string>

#include "commands.h"
#include "token_module.h"

namespace orxctl {

namespace {

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

}  // namespace

int RunCardCreate(const Arguments& a) {
    return RunWithModule("card", a.size() == 1 || a.size() == 2, [&a](orx::TokenApplication& app) {
        const std::string label = a.size() == 2 ? a[1] : kDefaultLabel;
        app.SetProperty("TokenLabel", label.c_str());
        app.SetProperty("FileName", a[0].c_str());
        return Outcome(app.Invoke("CreateCard"), "creating the card '" + a[0] + "'");
    });
}

int RunCardInsert(const Arguments& a) {
    return RunWithModule("card", a.size() == 2, [&a](orx::TokenApplication& app) {
        app.SetProperty("Reader", a[0].c_str());
        app.SetProperty("FileName", a[1].c_str());
        return Outcome(app.Invoke("InsertCard"), "inserting '" + a[1] + "' into '" + a[0] + "'");
    });
}

int RunCardRemove(const Arguments& a) {
    return RunWithModule("card", a.size() == 1, [&a](orx::TokenApplication& app) {
        app.SetProperty("Reader", a[0].c_str());
        return Outcome(app.Invoke("RemoveCard"), "removing the card from '" + a[0] + "'");
    });
}

}  // namespace orxctl
