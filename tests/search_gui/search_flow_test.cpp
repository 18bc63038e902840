// The dialog while a search runs: it keeps answering, cancel and close end the
// worker, broken and hostile directories end the search and the dialog returns to
// idle, and a template search finds the entry of a certificate on a soft token.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <chrono>

#include "core/config_file.h"
#include "support/directory/ldap_binding.h"
#include "core/language.h"
#include "core/trace.h"
#include "directory/hostile_ldap_server.h"
#include "directory/ldap_client.h"
#include "search/search_dialog_ids.h"
#include "search/show_search_certificates.h"
#include "search_dialog_fixture.h"
#include "token_setup.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using testing::HostileKind;
using testing::HostileLdapServer;
using testing::SearchDialogTest;

const std::string& SlowBranch() {
    static const std::string base =
        testing::DirectoryBranch("slow", {{"Slow One", "one@example.org"},
                                          {"Slow Two", "two@example.org"},
                                          {"Slow Three", "three@example.org"},
                                          {"Slow Four", "four@example.org"}});
    return base;
}

class SearchFlow : public SearchDialogTest {
  protected:
    std::string ButtonText() const { return ToUtf8(ItemAs<QAbstractButton>(kIdOk)->text()); }

    std::string TraceText() const { return testing::ReadFile(env_ / "trace.log"); }

    void TraceOn() { TraceSetFile(env_ / "trace.log"); }
    void TearDown() override {
        SearchDialogTest::TearDown();
        TraceSetFile(nullptr);
    }
};

TEST_F(SearchFlow, CancelDuringASearchReturnsToIdle) {
    HostileLdapServer silent({HostileKind::Silent});
    UseDirectory(silent.url(), "dc=example,dc=org");
    Open();
    Type(kIdNameEdit, "Jane");
    EXPECT_EQ(ButtonText(), "&Search");
    Click(kIdOk);
    EXPECT_TRUE(dialog_->Searching());
    EXPECT_EQ(ButtonText(), "&Cancel");
    ASSERT_TRUE(ui_testing::WaitFor([&] { return silent.searches() == 1; }, 5000));
    // A second press only asks the worker to stop.
    Click(kIdOk);
    EXPECT_FALSE(Item(kIdOk)->isEnabled());
    QElapsedTimer stopping;
    stopping.start();
    ASSERT_TRUE(WaitIdle(3000));
    EXPECT_LT(stopping.elapsed(), 1500);
    EXPECT_EQ(ButtonText(), "&Search");
    EXPECT_TRUE(Item(kIdOk)->isEnabled());
    EXPECT_TRUE(Rows().empty());
    // Idle again: the next press searches anew.
    Click(kIdOk);
    EXPECT_TRUE(dialog_->Searching());
    ASSERT_TRUE(ui_testing::WaitFor([&] { return silent.searches() == 2; }, 5000));
}

TEST_F(SearchFlow, ClosingDuringASearchEndsCleanly) {
    HostileLdapServer silent({HostileKind::Silent});
    UseDirectory(silent.url(), "dc=example,dc=org");
    Open();
    Type(kIdNameEdit, "Jane");
    Click(kIdOk);
    ASSERT_TRUE(ui_testing::WaitFor([&] { return silent.searches() == 1; }, 5000));
    QWidget* window = dialog_->Window();
    QElapsedTimer closing;
    closing.start();
    Click(kIdCancel);
    EXPECT_TRUE(dialog_->Closing());
    ASSERT_TRUE(ui_testing::WaitFor([&] { return !window->isVisible(); }, 3000));
    EXPECT_LT(closing.elapsed(), 1500);
    EXPECT_FALSE(dialog_->Searching());
    // What the dialog keeps across runs was written on the way out.
    int32_t width = 0;
    EXPECT_EQ(ConfigReadInt("Display", "WidthSearchCert1", width), kConfigOk);
    EXPECT_EQ(width, 220);
}

TEST_F(SearchFlow, TheModalDialogClosedDuringASearchReturns) {
    HostileLdapServer silent({HostileKind::Silent});
    UseDirectory(silent.url(), "dc=example,dc=org");
    bool searched = false;
    const ui_testing::ModalRun run = ui_testing::RunModal(
        [&] { return ShowSearchCertificates(nullptr, app_); },
        [&](QWidget* window) {
            QTest::keyClicks(FindItemAs<QLineEdit>(window, kIdNameEdit), QStringLiteral("Jane"));
            // Enter belongs to the Search button.
            QTest::keyClick(FindItemAs<QLineEdit>(window, kIdNameEdit), Qt::Key_Return);
            searched = ui_testing::WaitFor([&] { return silent.searches() == 1; }, 5000);
            QTest::keyClick(window, Qt::Key_Escape);
            ui_testing::WaitFor([window] { return !window->isVisible(); }, 3000);
        },
        10000);
    EXPECT_TRUE(run.ok()) << run.error;
    EXPECT_TRUE(searched);
    EXPECT_FALSE(run.closedByDriver);
    EXPECT_EQ(run.result, 2);
}

// A timer of the test fires on time all through a search of a directory that
// holds back every message: the dialog's thread never waits for the directory.
TEST_F(SearchFlow, ASlowDirectoryDoesNotFreezeTheWindow) {
    ASSERT_TRUE(testing::SharedSlapd().running());
    const std::string base = SlowBranch();
    testing::SlowLdapProxy proxy(testing::SharedSlapd().port(), std::chrono::milliseconds(250));
    UseDirectory(proxy.url(), base);
    Open();
    Type(kIdNameEdit, "Slow");
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longestGap = 0;
    int ticks = 0;
    QTimer probe;
    probe.setInterval(20);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - last);
        last = now;
        ++ticks;
    });
    probe.start();
    last = clock.elapsed();
    Click(kIdOk);
    int rowsWhileSearching = 0;
    ASSERT_TRUE(ui_testing::WaitFor(
        [&] {
            if (dialog_->Searching())
                rowsWhileSearching = static_cast<int>(Rows().size());
            return !dialog_->Searching();
        },
        15000));
    probe.stop();
    EXPECT_EQ(Rows().size(), 4u);
    // Four entries and the end, each held back: over a second of searching.
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_GE(proxy.messagesForwarded(), 5);
    EXPECT_GT(ticks, 30);
    EXPECT_LT(longestGap, 200) << "the window stood still";
    // Rows appear as they come, not all at the end.
    EXPECT_GE(rowsWhileSearching, 1);
}

struct HostileCase {
    const char* name;
    HostileKind kind;
    size_t bytes;
    const char* ended;
};

TEST_F(SearchFlow, HostileDirectoriesEndTheSearchAndTheDialogReturnsToIdle) {
    // A minute's wait is shortened through the client's own parameter.
    ldap_testing::SetResultTimeout(1);
    TraceOn();
    const HostileCase cases[] = {
        {"malformed BER", HostileKind::Garbage, 0, "Ldap - End of search: protocol error"},
        {"a value of 100 MB", HostileKind::HugeValue, 100 * 1000 * 1000,
         "Ldap - End of search: protocol error"},
        {"never answers", HostileKind::Silent, 0, "Ldap - End of search: time-out"},
        {"hangs up", HostileKind::Hangup, 0, "Ldap - End of search: no server"},
    };
    // One directory whose record each case points elsewhere.
    UseDirectory("ldap://127.0.0.1:1", "dc=example,dc=org");
    Open();
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        HostileLdapServer server({c.kind, c.bytes});
        UseDirectory(server.url(), "dc=example,dc=org");
        Type(kIdNameEdit, "Jane");
        ASSERT_TRUE(SearchAndWait(10000));
        EXPECT_EQ(server.searches(), 1);
        EXPECT_TRUE(Rows().empty());
        EXPECT_EQ(ButtonText(), "&Search");
        EXPECT_NE(TraceText().find(c.ended), std::string::npos);
        testing::WriteFile(env_ / "trace.log", "");
    }
    ldap_testing::SetResultTimeout(0);
    EXPECT_TRUE(messages_.Messages().empty());
}

// The soft token holds an RSA certificate; the directory's entry for its owner
// carries the digest of its public key.
class SearchTemplate : public SearchFlow {
  protected:
    void SetUp() override {
        SearchFlow::SetUp();
        std::string script;
        for (int i = 0; i < 10; ++i)
            script += "pin search-pass-1\n";
        testing::WriteFile(env_ / "pin-script", script);
        const std::string key = env_ / "key.pem";
        const std::string cert = env_ / "cert.pem";
        ASSERT_EQ(testing::RunCommand(
                      "openssl req -x509 -newkey rsa:2048 -nodes -keyout " + key + " -out " + cert +
                      " -days 30 -subj '/CN=Token Owner/emailAddress=owner@example.org'"
                      " -addext basicConstraints=critical,CA:FALSE 2>/dev/null"),
                  0);
        ASSERT_EQ(
            testing::RunCommand("openssl pkcs12 -export -inkey " + key + " -in " + cert + " -out " +
                                env_ / "owner.p12" + " -passout pass:search-pass-1"),
            0);
        ASSERT_EQ(CreateTokenWithPkcs12(app_, "Search", testing::ReadBytes(env_ / "owner.p12")), 0);
        // The digest as openssl computes it: SHA-1 of the RSA public key's DER.
        std::string digest;
        ASSERT_EQ(testing::RunCommand("openssl x509 -in " + cert +
                                          " -noout -pubkey | openssl rsa -pubin -RSAPublicKey_out"
                                          " -outform DER 2>/dev/null | openssl sha1 -r",
                                      &digest),
                  0);
        digest_ = QString::fromStdString(digest.substr(0, 40)).toUpper().toStdString();
        ASSERT_EQ(testing::RunCommand("openssl x509 -in " + cert + " -outform DER -out " +
                                      env_ / "cert.der"),
                  0);
    }

    std::string digest_;
    testing::ScopedEnv pinentry_{"ORX_PINENTRY", ORX_FAKE_PINENTRY};
    testing::ScopedEnv script_{"FAKE_PINENTRY_SCRIPT", (env_ / "pin-script").c_str()};
};

TEST_F(SearchTemplate, PublicKeyDigestFindsTheEntryOfTheTokensCertificate) {
    testing::SlapdServer& server = testing::SharedSlapd();
    ASSERT_TRUE(server.running());
    // The entry's own certificate is the token's; a second entry is not asked for.
    testing::DirectoryPerson owner{"Token Owner",
                                   "owner@example.org",
                                   {testing::ReadBytes(env_ / "cert.der")},
                                   "cn=Token Owner,ou=template"};
    testing::DirectoryPerson other{
        "Other Owner",
        "other@example.org",
        {testing::PersonCertificate("Other Owner", "other@example.org", 4242)},
        "cn=Other Owner,ou=template"};
    ASSERT_TRUE(
        server.Add("dn: ou=template,dc=example,dc=org\nobjectClass: organizationalUnit\n"
                   "ou: template\n\n" +
                   server.PersonLdif(owner, "description: " + digest_ + "\n") + "\n" +
                   server.PersonLdif(other, "description: 00\n")))
        << server.error();
    UseDirectory(server.url(), "ou=template,dc=example,dc=org", "(description=<publickeydigest>)");
    TraceOn();
    Open();
    Click(kIdAdvanced);
    // Choosing Advanced brings the directory's own filter.
    EXPECT_EQ(ToUtf8(ItemAs<QLineEdit>(kIdFilterEdit)->text()), "(description=<publickeydigest>)");
    ASSERT_TRUE(SearchAndWait());
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "Token Owner");
    EXPECT_EQ(rows[0][1], "owner@example.org");
    EXPECT_NE(TraceText().find("Ldap - Search filter: '(description=" + digest_ + ")'"),
              std::string::npos);
}

}  // namespace
}  // namespace orx
