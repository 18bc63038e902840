// orxxctl's directory commands, run as a user runs them.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "directory/hostile_ldap_server.h"
#include "directory/slapd_fixture.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using testing::RunCommand;
using testing::SharedSlapd;

std::string Orxxctl(const std::string& arguments) {
    return testing::BinPath("orxxctl") + " " + arguments;
}

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

struct LdapCommandCase {
    const char* filter;
    std::string expected;
};

TEST(OrxxctlLdap, PrintsEntryTextAndSubjectPerCertificate) {
    ASSERT_TRUE(SharedSlapd().running()) << SharedSlapd().error();
    testing::IsolatedEnvironment environment;
    const LdapCommandCase cases[] = {
        {"(cn=*Jane*)",
         "cn=Jane Doe, mail=jane@example.org, sn=Doe\n"
         "subject: 2.5.4.3=Jane Doe, 2.5.4.10=Example, 1.2.840.113549.1.9.1=jane@example.org\n"},
        {"(cn=John*)",
         "cn=John Twocerts, mail=john@example.org, sn=Twocerts\n"
         "subject: 2.5.4.3=John Twocerts, 2.5.4.10=Example, 2.5.4.11=Signing\n"
         "cn=John Twocerts, mail=john@example.org, sn=Twocerts\n"
         "subject: 2.5.4.3=John Twocerts, 2.5.4.10=Example, 2.5.4.11=Encryption\n"},
        {"(sn=M\xC3\xBCller)",
         "cn=J\xC3\xB6rg M\xC3\xBCller, mail=joerg@example.org, sn=M\xC3\xBCller\n"
         "subject: 2.5.4.3=J\xC3\xB6rg M\xC3\xBCller, 2.5.4.10=B\xC3\xA4"
         "ckerei\n"},
    };
    for (const LdapCommandCase& c : cases) {
        SCOPED_TRACE(c.filter);
        std::string output;
        EXPECT_EQ(RunCommand(Orxxctl("ldap search " + SharedSlapd().url() + " " +
                                     testing::kSlapdBase + " " + Quote(c.filter)),
                             &output),
                  0);
        EXPECT_EQ(output, c.expected);
    }
}

TEST(OrxxctlLdap, FailuresAndUsage) {
    ASSERT_TRUE(SharedSlapd().running()) << SharedSlapd().error();
    testing::IsolatedEnvironment environment;
    std::string output;
    // Nothing found is the thing asked for being absent.
    EXPECT_EQ(RunCommand(Orxxctl("ldap search " + SharedSlapd().url() + " " + testing::kSlapdBase +
                                 " '(cn=Nobody)' 2>/dev/null"),
                         &output),
              1);
    EXPECT_EQ(output, "");
    // A directory that is not there is no "nothing found".
    EXPECT_EQ(RunCommand(Orxxctl("ldap search ldap://127.0.0.1:1 dc=x '(cn=*)' 2>&1"), &output), 3);
    EXPECT_NE(output.find("cannot connect to 'ldap://127.0.0.1:1'"), std::string::npos);
    EXPECT_EQ(RunCommand(Orxxctl("ldap search ldap://127.0.0.1:1 dc=x 2>/dev/null")), 2);
}

struct FailureCase {
    const char* name;
    testing::HostileScript script;
    int status;
    const char* message;
    const char* trace;
};

TEST(OrxxctlLdap, FailuresHaveTheirOwnExitCodesAndMessages) {
    testing::IsolatedEnvironment environment;
    // The deadline the trickling server runs into, shortened from five minutes.
    ASSERT_EQ(RunCommand(Orxxctl("config set Directory SearchTimeout 2")), 0);
    const auto certificate = testing::MakeCertificate("/CN=Trickle/O=Example");
    const FailureCase cases[] = {
        {"trickle",
         {testing::HostileKind::Trickle, 0, std::chrono::milliseconds(400), certificate},
         4,
         "time-out: the directory at",
         "Ldap - End of search: time-out"},
        {"200 MB message",
         {testing::HostileKind::HugeMessage, 200 * 1000 * 1000},
         5,
         "protocol error: the answer of",
         "Ldap - End of search: protocol error"},
        {"hang-up",
         {testing::HostileKind::Hangup},
         3,
         "closed the connection",
         "Ldap - End of search: no server"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        testing::HostileLdapServer server(c.script);
        const std::string trace = environment / (std::string(c.name) + ".trace");
        const testing::PeakMemoryRun run =
            testing::RunMeasured(Orxxctl("--trace '" + trace + "' ldap search " + server.url() +
                                         " dc=example,dc=org " + Quote("(cn=*)")));
        EXPECT_EQ(run.status, c.status) << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_NE(testing::ReadFile(trace).find(c.trace), std::string::npos);
        if (c.script.kind == testing::HostileKind::Trickle) {
            // What came before the deadline is printed.
            EXPECT_NE(run.output.find("cn=Trickle 1\nsubject: 2.5.4.3=Trickle"), std::string::npos)
                << run.output;
        }
#ifdef ORX_MEASURE_MEMORY
        // The message is refused by its header: the process never grows towards it.
        EXPECT_LT(run.peakKiB, 64 * 1024) << c.name;
#endif
    }
}

TEST(OrxxctlLdap, TracesTheSearchWhenAsked) {
    ASSERT_TRUE(SharedSlapd().running()) << SharedSlapd().error();
    testing::IsolatedEnvironment environment;
    const std::string trace = environment / "trace.log";
    ASSERT_EQ(RunCommand(Orxxctl("--trace " + trace + " ldap search " + SharedSlapd().url() + " " +
                                 testing::kSlapdBase + " '(cn=Ann Nomail)' >/dev/null")),
              0);
    const std::string text = testing::ReadFile(trace);
    EXPECT_NE(text.find("Ldap - Connected to 127.0.0.1:" + std::to_string(SharedSlapd().port())),
              std::string::npos);
    EXPECT_NE(text.find("Ldap - Search filter: '(cn=Ann Nomail)'"), std::string::npos);
    EXPECT_NE(text.find("Ldap - Found 1 entries"), std::string::npos);
}

TEST(OrxxctlVCard, WritesTheCardOfACertificateFile) {
    testing::IsolatedEnvironment environment;
    const auto der = testing::MakeCertificate(
        "/CN=Anna Maria Schmidt/O=Example GmbH/emailAddress=anna@example.org");
    ASSERT_FALSE(der.empty());
    const std::string file = environment / "anna.der";
    testing::WriteFile(file, std::string(der.begin(), der.end()));
    std::string base64;
    ASSERT_EQ(RunCommand("openssl base64 -A -in " + file, &base64), 0);

    std::string expected =
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Schmidt;Anna Maria\r\nFN:Anna Maria Schmidt\r\n"
        "ORG:Example GmbH\r\nKEY;X509;ENCODING=BASE64:\r\n";
    for (size_t at = 0; at < base64.size(); at += 64)
        expected += "    " + base64.substr(at, 64) + "\r\n";
    expected += "\r\n\r\nEMAIL;PREF;INTERNET:anna@example.org\r\nEND:VCARD\r\n";

    // DER, PEM and Base64 files give the same card.
    const std::string pem = environment / "anna.pem";
    ASSERT_EQ(RunCommand("openssl x509 -inform DER -in " + file + " -out " + pem), 0);
    const std::string b64 = environment / "anna.b64";
    testing::WriteFile(b64, base64);
    for (const std::string& input : {file, pem, b64}) {
        SCOPED_TRACE(input);
        const std::string out = environment / "anna.vcf";
        EXPECT_EQ(RunCommand(Orxxctl("cert vcard " + input + " " + out)), 0);
        EXPECT_EQ(testing::ReadFile(out), expected);
    }
}

TEST(OrxxctlVCard, FailuresLeaveNoCard) {
    testing::IsolatedEnvironment environment;
    const auto der = testing::MakeCertificate("/CN=Jane Doe");
    const std::string file = environment / "jane.der";
    testing::WriteFile(file, std::string(der.begin(), der.end()));
    std::string output;
    // A folder that cannot exist: its parent is a regular file.
    EXPECT_EQ(RunCommand(Orxxctl("cert vcard " + file + " " + file + "/card.vcf 2>&1"), &output),
              1);
    EXPECT_NE(output.find("cannot write"), std::string::npos);
    const std::string garbage = environment / "garbage.der";
    testing::WriteFile(garbage, "no certificate here");
    EXPECT_EQ(RunCommand(Orxxctl("cert vcard " + garbage + " " + (environment / "g.vcf") +
                                 " 2>/dev/null")),
              1);
    EXPECT_FALSE(testing::PathExists(environment / "g.vcf"));
    EXPECT_EQ(RunCommand(Orxxctl("cert vcard " + (environment / "missing.der") + " " +
                                 (environment / "m.vcf") + " 2>/dev/null")),
              1);
    EXPECT_EQ(RunCommand(Orxxctl("cert vcard " + file + " 2>/dev/null")), 2);
}

}  // namespace
}  // namespace orx
