#include "command_table.h"

#include <cstdio>

#include "commands.h"

namespace orxctl {

namespace {

struct CommandForm {
    std::string_view group;
    std::string_view action;  // empty: the group word alone names the command
    std::string_view usage;   // one line, without the program name
    CommandFn run;
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
    {"file", "sign", "file sign IN OUT CERTIFICATE [--mime] [--detached]", RunFileSign},
    {"file", "verify", "file verify IN OUT", RunFileVerify},
    {"file", "encrypt", "file encrypt IN OUT CERTIFICATE [--mime] [--algorithm OID]",
     RunFileEncrypt},
    {"file", "decrypt", "file decrypt IN OUT", RunFileDecrypt},
    {"file", "import",
     "file import FILE     (a certificate, PKCS#12 or PKCS#7 file, into the active token)",
     RunFileImport},
    {"languages", "", "languages", RunLanguages},
    {"ldap", "search",
     "ldap search URL BASE FILTER\n"
     "      exit 0 found, 1 none found, 3 no server, 4 time-out, 5 protocol error",
     RunLdapSearch},
    {"sha1", "", "sha1 [FILE]", RunSha1},
    {"text", "", "text ID [--language NAME]", RunText},
    {"token", "list", "token list", RunTokenList},
    {"token", "get", "token get NAME", RunTokenGet},
    {"token", "enum", "token enum NAME", RunTokenEnum},
    {"token", "set", "token set NAME VALUE", RunTokenSet},
    {"token", "invoke", "token invoke OPERATION", RunTokenInvoke},
    {"token", "create", "token create LABEL [FILE]", RunTokenCreate},
    {"token", "info", "token info SLOT", RunTokenInfo},
    {"token", "delete", "token delete SLOT", RunTokenDelete},
    {"token", "certs", "token certs SLOT", RunTokenCerts},
};

void PrintForm(std::FILE* out, const CommandForm& form) {
    std::fprintf(out, "  %.*s\n", static_cast<int>(form.usage.size()), form.usage.data());
}

}  // namespace

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: orxxctl [--trace FILE] COMMAND [ARGUMENTS]\n");
    std::fprintf(out, "       orxxctl --help | --version\n");
    for (const CommandForm& form : kCommands)
        PrintForm(out, form);
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
        if (form.action.empty())
            return form.run(Arguments(words.begin() + 1, words.end()));
        if (words.size() > 1 && words[1] == form.action)
            return form.run(Arguments(words.begin() + 2, words.end()));
    }
    if (!known) {
        std::fprintf(stderr, "orxxctl: unknown command '%s'\n", group.c_str());
        PrintUsage(stderr);
        return kExitUsage;
    }
    return Usage(group);
}

}  // namespace orxctl
