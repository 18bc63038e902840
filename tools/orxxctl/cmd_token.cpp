// orxxctl token: the token plug-in module through the same locked wrappers as the
// window program, started the same way (initialised with zeros, told the trace file).
#include <optional>
#include <string>

#include "command.h"
#include "core/number_text.h"
#include "core/product_identity.h"
#include "der/cert_summary.h"
#include "token/slot_ids.h"
#include "token/token_application.h"

namespace orxctl {

// The soft token actions live in cmd_softtoken.cpp.
bool IsSoftTokenAction(const std::string& action);
int RunSoftToken(const Arguments& arguments);

namespace {

constexpr const char* kUsage =
    "  token list\n"
    "  token get NAME\n"
    "  token enum NAME\n"
    "  token set NAME VALUE\n"
    "  token invoke OPERATION\n"
    "  token create LABEL [FILE]\n"
    "  token info SLOT\n"
    "  token delete SLOT\n"
    "  token certs SLOT\n";

// Prints every entry of an enumeration, each behind `label` when one is given.
// Returns the number of entries.
int PrintEnumeration(orx::TokenApplication& app, const std::string& name, bool labelled) {
    int index = 0;
    for (;; ++index) {
        const std::optional<std::string> entry = app.EnumPropertyString(name, index);
        if (!entry)
            break;
        const std::string line = (labelled ? name + "\t" : std::string()) + *entry + "\n";
        if (!WriteOutput(line))
            return -1;
    }
    return index;
}

// The "CertificateEx" entries of the slot's token (a card's whole slot group),
// each as "cert show" prints it, separated by an empty line.
int PrintTokenCertificates(orx::TokenApplication& app, int32_t slot) {
    const int32_t base = orx::SlotGroupBase(slot);
    const int32_t last = slot >= orx::kFirstSoftTokenSlot ? base : base + 2;
    int shown = 0;
    for (int index = 0; index < 1000; ++index) {
        const std::optional<std::string> entry = app.EnumPropertyString("CertificateEx", index);
        if (!entry)
            break;
        const int32_t owner = orx::AtoI(*entry);
        if (owner < base || owner > last)
            continue;
        const orx::CertHandle handle =
            orx::CertCreate(std::string_view(*entry).substr(entry->rfind(';') + 1));
        if (!handle) {
            Fail("entry " + std::to_string(index) + " holds no certificate that can be decoded");
            continue;
        }
        if (!WriteOutput((shown > 0 ? "\n" : "") + orx::CertSummary(*handle)))
            return Fail("cannot write the output");
        ++shown;
    }
    return shown > 0 ? kExitOk : Fail("slot " + std::to_string(slot) + " has no certificates");
}

int RunWithPlugin(orx::TokenApplication& app, const Arguments& arguments) {
    const std::string& action = arguments[0];
    if (action == "list") {
        for (const char* name : {"SlotCard", "SlotSoft", "Token"}) {
            if (PrintEnumeration(app, name, true) < 0)
                return Fail("cannot write the output");
        }
        return kExitOk;
    }
    const std::string& name = arguments[1];
    if (action == "certs")
        return PrintTokenCertificates(app, orx::AtoI(name));
    if (action == "get") {
        const std::optional<std::string> value = app.GetPropertyString(name);
        if (!value)
            return Fail("property '" + name + "' has no value");
        return WriteOutput(*value + "\n") ? kExitOk : Fail("cannot write the output");
    }
    if (action == "enum") {
        const int count = PrintEnumeration(app, name, false);
        if (count < 0)
            return Fail("cannot write the output");
        return count > 0 ? kExitOk : Fail("enumeration '" + name + "' has no entries");
    }
    if (action == "set") {
        app.SetProperty(name.c_str(), arguments[2].c_str());
        return kExitOk;
    }
    // invoke
    const int result = app.Invoke(name.c_str());
    if (!WriteOutput(std::to_string(result) + "\n"))
        return Fail("cannot write the output");
    if (result != 0) {
        return Fail("operation '" + name + "' failed (" + std::to_string(result) + ")");
    }
    return kExitOk;
}

int RunToken(const Arguments& arguments) {
    if (arguments.empty())
        return Usage("token");
    const std::string& action = arguments[0];
    if (IsSoftTokenAction(action))
        return RunSoftToken(arguments);
    size_t expected = 0;
    if (action == "list") {
        expected = 1;
    } else if (action == "get" || action == "enum" || action == "invoke" || action == "certs") {
        expected = 2;
    } else if (action == "set") {
        expected = 3;
    }
    if (expected == 0 || arguments.size() != expected ||
        (action == "certs" && orx::AtoI(arguments[1]) <= 0)) {
        return Usage("token");
    }

    orx::TokenApplication app;
    app.StartPlugin();
    if (!app.IsInitialized()) {
        return Fail("the token plug-in module '" + orx::GetPluginModuleName() +
                    "' is not available");
    }
    return RunWithPlugin(app, arguments);
}

[[maybe_unused]] const bool registered = RegisterCommand({"token", kUsage, RunToken});

}  // namespace

}  // namespace orxctl
