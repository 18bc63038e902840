// orxxctl token: the token plug-in module through the same locked wrappers as the
// window program, started the same way (initialised with zeros, told the trace file).
#include <optional>
#include <string>

#include "admin/command_texts.h"
#include "admin/view_texts.h"
#include "commands.h"
#include "der/cert_summary.h"
#include "token/slot_ids.h"
#include "token_module.h"

namespace orxctl {

namespace {

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
    int shown = 0;
    for (int index = 0; index < 1000; ++index) {
        const std::optional<std::string> entry = app.EnumPropertyString("CertificateEx", index);
        if (!entry)
            break;
        if (!orx::CertificateBelongsTo(*entry, base))
            continue;
        const orx::CertHandle handle = orx::CertCreate(orx::CertificateBase64(*entry));
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

}  // namespace

int RunTokenList(const Arguments& a) {
    return RunWithModule("token", a.empty(), [](orx::TokenApplication& app) {
        for (const char* name : {"SlotCard", "SlotSoft", "Token"}) {
            if (PrintEnumeration(app, name, true) < 0)
                return Fail("cannot write the output");
        }
        return kExitOk;
    });
}

int RunTokenGet(const Arguments& a) {
    return RunWithModule("token", a.size() == 1, [&a](orx::TokenApplication& app) {
        const std::optional<std::string> value = app.GetPropertyString(a[0]);
        if (!value)
            return Fail("property '" + a[0] + "' has no value");
        return WriteOutput(*value + "\n") ? kExitOk : Fail("cannot write the output");
    });
}

int RunTokenEnum(const Arguments& a) {
    return RunWithModule("token", a.size() == 1, [&a](orx::TokenApplication& app) {
        const int count = PrintEnumeration(app, a[0], false);
        if (count < 0)
            return Fail("cannot write the output");
        return count > 0 ? kExitOk : Fail("enumeration '" + a[0] + "' has no entries");
    });
}

int RunTokenSet(const Arguments& a) {
    return RunWithModule("token", a.size() == 2, [&a](orx::TokenApplication& app) {
        app.SetProperty(a[0].c_str(), a[1].c_str());
        return kExitOk;
    });
}

int RunTokenInvoke(const Arguments& a) {
    return RunWithModule("token", a.size() == 1, [&a](orx::TokenApplication& app) {
        const int result = app.Invoke(a[0].c_str());
        if (!WriteOutput(std::to_string(result) + "\n"))
            return Fail("cannot write the output");
        if (result != 0)
            return Fail("operation '" + a[0] + "' failed (" + std::to_string(result) + ")");
        return kExitOk;
    });
}

int RunTokenCerts(const Arguments& a) {
    int32_t slot = 0;
    return RunWithModule(
        "token", a.size() <= 1 && SlotArgument(a, 0, slot),
        [&slot](orx::TokenApplication& app) { return PrintTokenCertificates(app, slot); });
}

int RunTokenPassword(const Arguments& a) {
    const bool change = a.size() == 1 && a[0] == "change";
    const bool unlock = a.size() == 1 && a[0] == "unlock";
    return RunWithModule("token", change || unlock, [change](orx::TokenApplication& app) {
        // The active slot: the chosen one, or else the module's first soft token.
        const int32_t slot = app.GetActiveSlot(true);
        if (slot <= 0)
            return Fail("no token to act on; choose one with --slot ID");
        const int result = app.Invoke(change ? "ChangePassword" : "UnlockPassword");
        if (result == 84 && !change)
            return Outcome(result, "unlocking the password of slot " + std::to_string(slot),
                           "only a card's password can be unlocked (with its PUK)");
        return Outcome(result, std::string(change ? "changing" : "unlocking") +
                                   " the password of slot " + std::to_string(slot));
    });
}

}  // namespace orxctl
