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

// What a card operation's result means where it differs from the other commands'.
int CardOutcome(int result, const std::string& what) {
    switch (result) {
        case 19:
            return Outcome(result, what, "not a usable card file");
        case 224:
            return Outcome(result, what, "no card in that reader");
        default:
            return Outcome(result, what);
    }
}

}  // namespace

int RunCardCreate(const Arguments& a) {
    return RunWithModule("card", a.size() == 1 || a.size() == 2, [&a](orx::TokenApplication& app) {
        const std::string label = a.size() == 2 ? a[1] : kDefaultLabel;
        app.SetProperty("TokenLabel", label.c_str());
        app.SetProperty("FileName", a[0].c_str());
        return CardOutcome(app.Invoke("CreateCard"), "creating the card '" + a[0] + "'");
    });
}

int RunCardInsert(const Arguments& a) {
    return RunWithModule("card", a.size() == 2, [&a](orx::TokenApplication& app) {
        app.SetProperty("Reader", a[0].c_str());
        app.SetProperty("FileName", a[1].c_str());
        return CardOutcome(app.Invoke("InsertCard"),
                           "inserting '" + a[1] + "' into '" + a[0] + "'");
    });
}

int RunCardRemove(const Arguments& a) {
    return RunWithModule("card", a.size() == 1, [&a](orx::TokenApplication& app) {
        app.SetProperty("Reader", a[0].c_str());
        return CardOutcome(app.Invoke("RemoveCard"), "removing the card from '" + a[0] + "'");
    });
}

}  // namespace orxctl
