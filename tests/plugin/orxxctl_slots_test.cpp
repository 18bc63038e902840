// orxxctl on every slot, through the real module: "--slot ID" chooses a card
// application or a second soft token for the commands that act on one token, the
// password commands reach card passwords, and "--trace" gives the module's lines.
#include "card_fixture.h"
#include "cms_test_support.h"
#include "properties/base64_text.h"
#include "results/module_results.h"
#include "test_certificates.h"

namespace orx::testing {
namespace {

class OrxxctlSlots : public CardTest, public CmsFilesSuite {
  protected:
    static void SetUpTestSuite() { MakeFiles(); }
    static void TearDownTestSuite() { RemoveFiles(); }

    void SetUp() override {
        CardTest::SetUp();
        ASSERT_EQ(MakeCard(Path("c.card"), "Team", "puk-12345678", "card-pass"), 0);
        ASSERT_EQ(Insert("Reader", Path("c.card")), 0);  // slots 1, 2, 3
    }

    // Standard output in `output`, standard error in `errors`.
    int Ctl(const std::string& arguments, std::string* output = nullptr,
            std::string* errors = nullptr) {
        const std::string err = Path("stderr");
        const int status =
            RunCommand(Quote(BinPath("orxxctl")) + " " + arguments + " 2>" + Quote(err), output);
        if (errors)
            *errors = ReadFile(err);
        return status;
    }

    // A login of this process's own context on the slot with the password.
    int LoginWith(int slot, const std::string& password) {
        app_ = Start();
        app_->SetActiveSlot(slot);
        Script({"pin " + password});
        const int result = app_->Invoke("Login");
        Script({});
        return result;
    }
};

TEST_F(OrxxctlSlots, PasswordCommandsReachACardsSecondApplication) {
    Script({"pin card-pass", "pin changed-pass", "pin changed-pass"});
    std::string errors;
    ASSERT_EQ(Ctl("--slot 2 token password change", nullptr, &errors), 0) << errors;
    EXPECT_EQ(ScriptLeft(), "");
    EXPECT_EQ(LoginWith(2, "changed-pass"), CKR_OK);
    EXPECT_EQ(LoginWith(1, "card-pass"), CKR_OK);  // its neighbours keep theirs
    EXPECT_EQ(LoginWith(3, "card-pass"), CKR_OK);

    // Three wrong passwords lock the application; the PUK gives it a new one.
    Script({"pin wrong-1", "pin wrong-2", "pin wrong-3"});
    EXPECT_EQ(Ctl("--slot 2 token invoke Login", nullptr, &errors), 1);
    EXPECT_NE(errors.find("(164)"), std::string::npos) << errors;
    Script({"pin changed-pass"});
    EXPECT_EQ(Ctl("--slot 2 token password change", nullptr, &errors), 1);
    EXPECT_NE(errors.find("changing the password of slot 2: no tries left (164)"),
              std::string::npos)
        << errors;
    Script({"pin puk-12345678", "pin unlocked-pass", "pin unlocked-pass"});
    ASSERT_EQ(Ctl("--slot 2 token password unlock", nullptr, &errors), 0) << errors;
    EXPECT_EQ(LoginWith(2, "unlocked-pass"), CKR_OK);

    // A wrong current password and a cancel are told as such.
    Script({"pin wrong-1", "cancel"});
    EXPECT_EQ(Ctl("--slot 3 token password change", nullptr, &errors), 1);
    EXPECT_NE(errors.find("changing the password of slot 3: cancelled (1)"), std::string::npos)
        << errors;
}

TEST_F(OrxxctlSlots, ImportsReachACardApplicationOrASecondSoftToken) {
    ASSERT_EQ(0, RunCommand("openssl pkcs12 -export -in " + Quote(Files().alice.certPath) +
                            " -inkey " + Quote(Files().alice.keyPath) +
                            " -passout pass:p12-pass -out " + Quote(Path("id.p12"))));
    Script({"pin p12-pass", "pin card-pass"});
    std::string errors;
    ASSERT_EQ(Ctl("--slot 2 file import " + Quote(Path("id.p12")), nullptr, &errors), 0) << errors;
    ASSERT_EQ(LoginWith(2, "card-pass"), CKR_OK);
    std::vector<std::string> entries = Enum("CertificateEx");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(FieldOf(entries[0], 0), "2");
    EXPECT_EQ(FieldOf(entries[0], 3), "Alice");
    EXPECT_EQ(FieldOf(entries[0], 9), "1");  // key and certificate together

    // Two soft tokens: without --slot the first, with it the one named.
    ASSERT_EQ(Create("First", "first-pass"), 0);
    ASSERT_EQ(Create("Second", "second-pass"), 0);
    const auto der = MakeDer({"For Second", "Test CA", "digitalSignature", "20301231235959Z", 41});
    WriteFile(Path("second.cer"), std::string(der.begin(), der.end()));
    Script({"pin second-pass"});
    ASSERT_EQ(Ctl("--slot 101 file import " + Quote(Path("second.cer")), nullptr, &errors), 0)
        << errors;
    std::string output;
    ASSERT_EQ(Ctl("--slot 101 token certs", &output), 0);
    EXPECT_NE(output.find("For Second"), std::string::npos) << output;
    EXPECT_EQ(Ctl("token certs 100"), 1);  // the first token got nothing

    // Soft tokens have no PUK; a slot without a token is refused before any question.
    EXPECT_EQ(Ctl("--slot 100 token password unlock", nullptr, &errors), 1);
    EXPECT_NE(errors.find("only a card's password can be unlocked"), std::string::npos) << errors;
    EXPECT_EQ(Ctl("--slot 7 file import " + Quote(Path("second.cer")), nullptr, &errors), 1);
    EXPECT_NE(errors.find("no token in slot 7"), std::string::npos) << errors;
}

TEST_F(OrxxctlSlots, TheTraceHoldsTheModulesLines) {
    const std::string trace = Path("orxxctl.trace");
    Script({"pin card-pass", "pin traced-pass", "pin traced-pass"});
    ASSERT_EQ(Ctl("--trace " + Quote(trace) + " --slot 2 token password change"), 0);
    const std::string lines = ReadFile(trace);
    EXPECT_NE(lines.find("Plg - ChangePassword ... done (slot 2)"), std::string::npos) << lines;
    EXPECT_NE(lines.find("Web - "), std::string::npos) << lines;  // and the binding's own
    // Nothing of the passwords reaches it.
    EXPECT_EQ(lines.find("traced-pass"), std::string::npos);
    EXPECT_EQ(lines.find("card-pass"), std::string::npos);
}

}  // namespace
}  // namespace orx::testing
