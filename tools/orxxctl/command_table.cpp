#include "command_table.h"

#include <cstdio>
#include <string>

#include "commands.h"

namespace orxctl {

namespace {

struct CommandForm {
    std::string_view group;
    std::string_view action;  // empty: the group word alone names the command
    std::string_view usage;   // one line, without the program name
    CommandFn run;
    bool onToken = false;  // acts on one token, which "--slot ID" may choose
};

// Grouped and sorted by group, so that the usage reads as an index.
constexpr CommandForm kCommands[] = {
    {"b64", "encode", "b64 encode [FILE]", RunBase64Encode},
    {"b64", "decode", "b64 decode [FILE]", RunBase64Decode},
    {"card", "create", "card create FILE [LABEL]", RunCardCreate},
    {"card", "insert", "card insert READER FILE", RunCardInsert},
    {"card", "remove", "card remove READER", RunCardRemove},
    {"cert", "show", "cert show FILE", RunCertShow},
    {"cert", "vcard", "cert vcard FILE OUT", RunCertVCard},
    {"config", "get", "config get SECTION KEY", RunConfigGet},
    {"config", "set", "config set SECTION KEY VALUE", RunConfigSet},
    {"config", "delete", "config delete SECTION [KEY]", RunConfigDelete},
    {"config", "keys", "config keys SECTION", RunConfigKeys},
    {"file", "sign", "file sign IN OUT CERTIFICATE [--mime] [--detached]", RunFileSign, true},
    {"file", "verify", "file verify IN OUT", RunFileVerify},
    {"file", "encrypt", "file encrypt IN OUT CERTIFICATE [--mime] [--algorithm OID]",
     RunFileEncrypt},
    {"file", "decrypt", "file decrypt IN OUT", RunFileDecrypt, true},
    {"file", "import",
     "file import FILE     (a certificate, PKCS#12 or PKCS#7 file, onto the token)", RunFileImport,
     true},
    {"languages", "", "languages", RunLanguages},
    {"ldap", "search",
     "ldap search URL BASE FILTER\n"
     "      exit 0 found, 1 none found, 3 no server, 4 time-out, 5 protocol error",
     RunLdapSearch},
    {"sha1", "", "sha1 [FILE]", RunSha1},
    {"text", "", "text ID [--language NAME]", RunText},
    {"token", "list", "token list", RunTokenList},
    {"token", "get", "token get NAME", RunTokenGet, true},
    {"token", "enum", "token enum NAME", RunTokenEnum, true},
    {"token", "set", "token set NAME VALUE", RunTokenSet, true},
    {"token", "invoke", "token invoke OPERATION", RunTokenInvoke, true},
    {"token", "create", "token create LABEL [FILE]", RunTokenCreate},
    {"token", "info", "token info SLOT", RunTokenInfo, true},
    {"token", "delete", "token delete SLOT", RunTokenDelete, true},
    {"token", "certs", "token certs SLOT", RunTokenCerts, true},
    {"token", "password", "token password change|unlock", RunTokenPassword, true},
};

void PrintForm(std::FILE* out, const CommandForm& form) {
    std::fprintf(out, "  %.*s\n", static_cast<int>(form.usage.size()), form.usage.data());
}

}  // namespace

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: orxxctl [--trace FILE] [--slot ID] COMMAND [ARGUMENTS]\n");
    std::fprintf(out, "       orxxctl --help | --version\n");
    for (const CommandForm& form : kCommands)
        PrintForm(out, form);
    std::fprintf(out,
                 "options:\n"
                 "  --trace FILE  the trace of orxxctl and of the token module\n"
                 "  --slot ID     the token that these act on (a soft token or a card\n"
                 "                application; without it the first soft token):");
    // The forms that act on one token, a line per group: "file sign|decrypt|import".
    std::string forms;
    std::string_view group;
    for (const CommandForm& form : kCommands) {
        if (!form.onToken)
            continue;
        if (form.group != group)
            forms += "\n                " + std::string(form.group) + " ";
        else
            forms += "|";
        forms += form.action;
        group = form.group;
    }
    std::fprintf(out, "%s\n", forms.c_str());
}

int Usage(std::string_view group) {
    std::fprintf(stderr, "usage:\n");
    for (const CommandForm& form : kCommands) {
        if (form.group == group)
            PrintForm(stderr, form);
    }
    return kExitUsage;
}

int RunCommandWords(const Arguments& words) {
    if (words.empty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const std::string& group = words[0];
    bool known = false;
    for (const CommandForm& form : kCommands) {
        if (form.group != group)
            continue;
        known = true;
        const bool named = form.action.empty() || (words.size() > 1 && words[1] == form.action);
        if (!named)
            continue;
        if (ChosenSlot() && !form.onToken) {
            std::fprintf(stderr, "orxxctl: --slot does not apply to '%s'\n",
                         form.action.empty() ? group.c_str()
                                             : (group + " " + std::string(form.action)).c_str());
            return Usage(group);
        }
        return form.run(Arguments(words.begin() + (form.action.empty() ? 1 : 2), words.end()));
    }
    if (!known) {
        std::fprintf(stderr, "orxxctl: unknown command '%s'\n", group.c_str());
        PrintUsage(stderr);
        return kExitUsage;
    }
    return Usage(group);
}

}  // namespace orxctl
