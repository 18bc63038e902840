// orxxctl's command table as a user meets it: every form in the usage is reached
// by its words and by nothing else, and words that name no form are usage errors.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "support/test_environment.h"

namespace orx {
namespace {

using testing::BinPath;
using testing::IsolatedEnvironment;
using testing::ReadFile;
using testing::RunCommand;
using testing::WriteFile;

const std::string kUsage =
    "usage: orxxctl [--trace FILE] [--slot ID] COMMAND [ARGUMENTS]\n"
    "       orxxctl --help | --version\n"
    "  b64 encode [FILE]\n"
    "  b64 decode [FILE]\n"
    "  card create FILE [LABEL]\n"
    "  card insert READER FILE\n"
    "  card remove READER\n"
    "  cert show FILE\n"
    "  cert vcard FILE OUT\n"
    "  config get SECTION KEY\n"
    "  config set SECTION KEY VALUE\n"
    "  config delete SECTION [KEY]\n"
    "  config keys SECTION\n"
    "  file sign IN OUT CERTIFICATE [--mime] [--detached]\n"
    "  file verify IN OUT\n"
    "  file encrypt IN OUT CERTIFICATE [--mime] [--algorithm OID]\n"
    "  file decrypt IN OUT\n"
    "  file import FILE     (a certificate, PKCS#12 or PKCS#7 file, onto the token)\n"
    "  languages\n"
    "  ldap search URL BASE FILTER\n"
    "      exit 0 found, 1 none found, 3 no server, 4 time-out, 5 protocol error\n"
    "  sha1 [FILE]\n"
    "  text ID [--language NAME]\n"
    "  token list\n"
    "  token get NAME\n"
    "  token enum NAME\n"
    "  token set NAME VALUE\n"
    "  token invoke OPERATION\n"
    "  token create LABEL [FILE]\n"
    "  token info SLOT\n"
    "  token delete SLOT\n"
    "  token certs SLOT\n"
    "  token password change|unlock\n"
    "options:\n"
    "  --trace FILE  the trace of orxxctl and of the token module\n"
    "  --slot ID     the token that these act on (a soft token or a card\n"
    "                application; without it the first soft token):\n"
    "                file sign|decrypt|import\n"
    "                token get|enum|set|invoke|info|delete|certs|password\n";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// The words that name a form: the group, and the action when the group has them.
std::string FormOf(const std::string& words) {
    std::istringstream in(words);
    std::string group, action;
    in >> group >> action;
    const bool isAction = !action.empty() && action.find_first_not_of(
                                                 "abcdefghijklmnopqrstuvwxyz") == std::string::npos;
    return isAction ? group + " " + action : group;
}

class CommandTable : public ::testing::Test {
  protected:
    // A pinentry that fails at once: no form may wait for a password here.
    Outcome Run(const std::string& words) {
        Outcome outcome;
        const std::string err = env_ / "stderr";
        outcome.status = RunCommand("ORX_PINENTRY=/bin/false '" + BinPath("orxxctl") + "' " +
                                        words + " </dev/null 2>'" + err + "'",
                                    &outcome.out);
        outcome.err = ReadFile(err);
        return outcome;
    }

    std::string Path(const std::string& name) const { return env_ / name; }

    IsolatedEnvironment env_;
};

TEST_F(CommandTable, WithoutACommandTheWholeUsageIsShown) {
    for (const char* words : {"", "--trace"}) {
        const Outcome outcome = Run(words);
        EXPECT_EQ(outcome.status, 2) << words;
        EXPECT_EQ(outcome.out, "") << words;
        EXPECT_EQ(outcome.err, kUsage) << words;
    }
    // The trace file is switched on, and then there is nothing to run.
    const Outcome traced = Run("--trace '" + Path("trace.log") + "'");
    EXPECT_EQ(traced.status, 2);
    EXPECT_EQ(traced.err, kUsage);
}

// Words that name no form: a group unknown as a whole gets the whole usage, a
// known group gets the forms of that group and nothing else.
TEST_F(CommandTable, WordsThatNameNoFormAreUsageErrors) {
    const struct {
        const char* words;
        const char* err;
    } cases[] = {
        {"frob", "orxxctl: unknown command 'frob'\n"},
        {"CERT show x", "orxxctl: unknown command 'CERT'\n"},
        {"show cert x", "orxxctl: unknown command 'show'\n"},
        {"cert", "usage:\n  cert show FILE\n  cert vcard FILE OUT\n"},
        {"cert vcar x y", "usage:\n  cert show FILE\n  cert vcard FILE OUT\n"},
        {"cert SHOW x", "usage:\n  cert show FILE\n  cert vcard FILE OUT\n"},
        {"cert vcard x", "usage:\n  cert show FILE\n  cert vcard FILE OUT\n"},
        {"ldap",
         "usage:\n  ldap search URL BASE FILTER\n"
         "      exit 0 found, 1 none found, 3 no server, 4 time-out, 5 protocol error\n"},
        {"languages now", "usage:\n  languages\n"},
        {"b64 encode decode x", "usage:\n  b64 encode [FILE]\n  b64 decode [FILE]\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Run(c.words);
        EXPECT_EQ(outcome.status, 2) << c.words;
        EXPECT_EQ(outcome.out, "") << c.words;
        const bool unknown = std::string(c.err).rfind("orxxctl:", 0) == 0;
        EXPECT_EQ(outcome.err, unknown ? std::string(c.err) + kUsage : std::string(c.err))
            << c.words;
    }
}

// "--slot ID" goes with the forms that act on one token and with nothing else; a
// slot it names must hold a token, and a form's own SLOT must agree with it.
TEST_F(CommandTable, TheSlotOptionChoosesTheTokenOfTheFormsThatActOnOne) {
    const struct {
        const char* words;
        int status;
        const char* err;  // a part of it
    } cases[] = {
        {"--slot 5 config get S K", 2, "orxxctl: --slot does not apply to 'config get'\nusage:\n"},
        {"--slot 5 token list", 2, "orxxctl: --slot does not apply to 'token list'\n"},
        {"--slot 5 token create X", 2, "--slot does not apply to 'token create'"},
        {"--slot 5 file verify a b", 2, "--slot does not apply to 'file verify'"},
        {"--slot 5 languages", 2, "--slot does not apply to 'languages'"},
        {"--slot 0 token info", 2, "usage: orxxctl"},
        {"--slot x token info", 2, "usage: orxxctl"},
        {"--slot", 2, "usage: orxxctl"},
        {"--slots 5 token info", 2, "usage: orxxctl"},
        {"--slot 5 token info 6", 2, "usage:\n  token list\n"},
        {"token info", 2, "usage:\n  token list\n"},
        {"token password", 2, "usage:\n  token list\n"},
        {"token password reset", 2, "usage:\n  token list\n"},
        {"--slot 5 token info", 1, "no token in slot 5"},
        {"--slot 5 token info 5", 1, "no token in slot 5"},
        {"--slot 5 token certs", 1, "no token in slot 5"},
        {"--slot 5 token password change", 1, "no token in slot 5"},
        {"--slot 5 token invoke Login", 1, "no token in slot 5"},
        {"--trace '/nonexistent/t' --slot 5 token get TokenInfo", 1, "no token in slot 5"},
        {"--slot 5 --trace '/nonexistent/t' file import x", 1, "cannot read x"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Run(c.words);
        EXPECT_EQ(outcome.status, c.status) << c.words << "\n" << outcome.err;
        EXPECT_EQ(outcome.out, "") << c.words;
        EXPECT_NE(outcome.err.find(c.err), std::string::npos) << c.words << "\n" << outcome.err;
    }
}

// Each form with arguments of its own shape gets past the usage check to its own
// work, told by its output or by the failure only it reports. A form wired to
// another function of its group gets that function's usage error instead.
TEST_F(CommandTable, EveryFormIsReachedByItsWords) {
    WriteFile(Path("abc"), "abc");
    WriteFile(Path("abc.b64"), "YWJj");
    WriteFile(Path("x.p12"), "x");
    const std::string missing = Path("missing");
    const struct {
        std::string words;
        int status;
        std::string out;  // exact; "*": any
        std::string err;  // a part of it; empty: nothing at all
    } cases[] = {
        {"b64 encode '" + Path("abc") + "'", 0, "YWJj", ""},
        {"b64 decode '" + Path("abc.b64") + "'", 0, "abc", ""},
        {"sha1 '" + Path("abc") + "'", 0, "a9993e364706816aba3e25717850c26c9cd0d89d\n", ""},
        {"card create '" + missing + "'", 1, "", "creating the card '" + missing + "'"},
        {"card insert R '" + missing + "'", 1, "", "inserting '" + missing + "' into 'R'"},
        {"card remove R", 1, "", "removing the card from 'R'"},
        {"cert show '" + missing + "'", 1, "", "cannot read '" + missing + "'"},
        {"cert vcard '" + missing + "' out", 1, "", "cannot read '" + missing + "'"},
        {"config set S K V", 0, "", ""},
        {"config get S K", 0, "V\n", ""},
        {"config keys S", 0, "K\n", ""},
        {"config delete S K", 0, "", ""},
        {"config delete S K", 1, "", "no value for S/K"},
        {"file sign '" + Path("abc") + "' out '" + missing + "'", 1, "", "cannot read " + missing},
        {"file verify '" + missing + "' out", 1, "", "cannot read " + missing},
        {"file encrypt '" + Path("abc") + "' out '" + missing + "' --algorithm 1.2", 1, "",
         "cannot read " + missing},
        {"file decrypt '" + missing + "' out", 1, "", "cannot read " + missing},
        {"file import '" + missing + "'", 1, "", "cannot read " + missing},
        {"languages", 0, "*", ""},
        {"ldap search ldap://127.0.0.1:1 dc=x '(cn=*)'", 3, "",
         "cannot connect to 'ldap://127.0.0.1:1'"},
        {"text 1003", 0, "Administration\n", ""},
        {"token list", 0, "", ""},
        {"token get NoSuchProperty", 1, "", "property 'NoSuchProperty' has no value"},
        {"token enum NoSuchList", 1, "", "enumeration 'NoSuchList' has no entries"},
        {"token set TokenLabel x", 0, "", ""},
        {"token invoke NoSuchOperation", 1, "84\n", "operation 'NoSuchOperation' failed (84)"},
        {"token create X '" + Path("x.p12") + "'", 1, "", "is not a soft token file (.tkn)"},
        {"token info 5", 1, "", "no token in slot 5"},
        {"token delete 5", 1, "", "no token in slot 5"},
        {"token certs 5", 1, "", "slot 5 has no certificates"},
        {"token password change", 1, "", "no token to act on; choose one with --slot ID"},
    };
    std::set<std::string> reached;
    for (const auto& c : cases) {
        const Outcome outcome = Run(c.words);
        EXPECT_EQ(outcome.status, c.status) << c.words << "\n" << outcome.err;
        if (c.out != "*") {
            EXPECT_EQ(outcome.out, c.out) << c.words;
        }
        if (c.err.empty()) {
            EXPECT_EQ(outcome.err, "") << c.words;
        } else {
            EXPECT_NE(outcome.err.find(c.err), std::string::npos) << c.words << "\n" << outcome.err;
        }
        reached.insert(FormOf(c.words));
    }
    EXPECT_NE(Run("languages").out.find("English\n"), std::string::npos);
    // A file operation starts the module while it reads its input: an input that
    // cannot be read is all it tells, a slot without a token what it tells otherwise.
    const Outcome unread = Run("--slot 5 file sign '" + Path("abc") + "' out '" + missing + "'");
    EXPECT_EQ(unread.status, 1);
    EXPECT_NE(unread.err.find("cannot read " + missing), std::string::npos) << unread.err;
    EXPECT_EQ(unread.err.find("slot"), std::string::npos) << unread.err;
    const Outcome noToken =
        Run("--slot 5 file sign '" + Path("abc") + "' out '" + Path("abc") + "'");
    EXPECT_EQ(noToken.status, 1);
    EXPECT_NE(noToken.err.find("no token in slot 5"), std::string::npos) << noToken.err;

    // No form of the usage goes without a case above.
    std::istringstream usage(kUsage.substr(0, kUsage.find("options:")));
    std::string line;
    std::getline(usage, line);
    while (std::getline(usage, line)) {
        if (line.rfind("      ", 0) == 0)
            continue;  // a form's note, such as its exit codes
        EXPECT_EQ(reached.count(FormOf(line)), 1u) << line;
    }
}

}  // namespace
}  // namespace orx
