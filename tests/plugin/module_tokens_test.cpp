// Soft tokens through the real module: create, list, log in, change the password,
// export and import, delete; slot ids across reloads and processes.
#include <unistd.h>

#include "core/base64.h"
#include "module_fixture.h"

namespace orx::testing {
namespace {

using SoftTokens = ModuleTest;

TEST_F(SoftTokens, TheWholeLifeOfTwoTokens) {
    ASSERT_EQ(Create("Work", "first-pass"), 0);
    EXPECT_EQ(Get("ActiveSlot"), "100");
    ASSERT_EQ(Create("Work", "other-pass"), 0);
    EXPECT_EQ(Get("ActiveSlot"), "101");
    EXPECT_EQ(Enum("SlotSoft"), (std::vector<std::string>{"100;Work;Work", "101;Work;Work-2"}));
    EXPECT_EQ(Enum("Slot"), (std::vector<std::string>{"100;Work", "101;Work"}));
    EXPECT_EQ(Enum("Token"), (std::vector<std::string>{"100;Work", "101;Work"}));
    EXPECT_TRUE(Enum("SlotCard").empty());

    app_->SetActiveSlot(100);
    const std::string info = Get("TokenInfo").value_or("");
    EXPECT_EQ(FieldOf(info, 0), "100");
    EXPECT_EQ(FieldOf(info, 1), "Work");
    EXPECT_EQ(FieldOf(info, 2).size(), 19u);
    const std::string path = FieldOf(info, 5);
    EXPECT_EQ(path, TokenFolder() + "Work.tkn");
    EXPECT_TRUE(PathExists(path));
    EXPECT_EQ(Get("LoggedIn"), "false");

    // A wrong password is told on the error line and asked again.
    Script({"pin wrong-pass", "pin first-pass"});
    EXPECT_EQ(app_->Login(), 0);
    EXPECT_EQ(Get("LoggedIn"), "true");
    EXPECT_NE(PinentryLog().find("SETERROR"), std::string::npos);
    app_->SetActiveSlot(101);
    EXPECT_EQ(Get("LoggedIn"), "false");  // logins are per token
    app_->SetActiveSlot(100);

    Script({"pin first-pass", "pin second-pass", "pin second-pass"});
    ASSERT_EQ(app_->Invoke("ChangePassword"), 0);
    EXPECT_EQ(Get("LoggedIn"), "true");  // "Reset" after the operation does not log out

    // Another context: the old password no longer opens the token.
    auto other = Start();
    other->SetActiveSlot(100);
    Script({"pin first-pass", "pin first-pass", "pin first-pass"});
    EXPECT_EQ(other->Invoke("Login"), 160);
    Script({"pin second-pass"});
    EXPECT_EQ(other->Invoke("Login"), 0);
    other.reset();

    // Export the file and make a new token from its bytes.
    const std::vector<uint8_t> exported = ReadBytes(path);
    app_->SetProperty("TokenData", Base64Encode(exported).c_str());
    app_->SetProperty("TokenLabel", "Copy");
    Script({"pin second-pass"});
    ASSERT_EQ(app_->Invoke("CreateToken"), 0);
    EXPECT_EQ(Get("ActiveSlot"), "102");
    const std::string copyInfo = Get("TokenInfo").value_or("");
    EXPECT_EQ(FieldOf(copyInfo, 1), "Copy");
    EXPECT_NE(FieldOf(copyInfo, 2), FieldOf(info, 2));  // an identity of its own
    EXPECT_EQ(Get("TokenData"), std::nullopt);          // inputs end with the operation

    app_->SetActiveSlot(101);
    ASSERT_EQ(app_->Invoke("DeleteToken"), 0);
    EXPECT_FALSE(PathExists(TokenFolder() + "Work-2.tkn"));
    const std::vector<std::string> remaining{"100;Work;Work", "102;Copy;Copy"};
    EXPECT_EQ(Enum("SlotSoft"), remaining);
    app_->SetActiveSlot(101);
    EXPECT_EQ(Get("TokenInfo"), std::nullopt);
    EXPECT_EQ(app_->Invoke("Login"), 224);

    // A reload ends the login and keeps the ids.
    app_->SetActiveSlot(100);
    EXPECT_EQ(Get("LoggedIn"), "true");
    EXPECT_EQ(app_->Invoke("Reload"), 0);
    EXPECT_EQ(Enum("SlotSoft"), remaining);
    app_->SetActiveSlot(100);
    EXPECT_EQ(Get("LoggedIn"), "false");

    // And so does a new process.
    std::string output;
    ASSERT_EQ(RunCommand(BinPath("orxxctl") + " token list", &output), 0);
    EXPECT_EQ(
        output,
        "SlotSoft\t100;Work;Work\nSlotSoft\t102;Copy;Copy\nToken\t100;Work\nToken\t102;Copy\n");
}

TEST_F(SoftTokens, NewPasswordsMustAgreeAndKeepTheLengthRules) {
    Script({"pin abc", "pin long-enough-1", "pin long-enough-2", "pin good-pass", "pin good-pass"});
    app_->SetProperty("TokenLabel", "Rules");
    ASSERT_EQ(app_->Invoke("CreateToken"), 0);
    const std::string log = PinentryLog();
    const size_t length = log.find("SETERROR The password must have 6 to 64 characters.");
    const size_t differ = log.find("SETERROR The passwords do not match.");
    EXPECT_NE(length, std::string::npos);
    EXPECT_NE(differ, std::string::npos);
    EXPECT_LT(length, differ);
    EXPECT_EQ(ScriptLeft(), "");
    Script({"pin good-pass"});
    EXPECT_EQ(app_->Invoke("Login"), 0);

    // Five rounds of passwords that are too long end with 162.
    const std::string tooLong(65, 'x');
    Script(
        {"pin " + tooLong, "pin " + tooLong, "pin " + tooLong, "pin " + tooLong, "pin " + tooLong});
    app_->SetProperty("TokenLabel", "Never");
    EXPECT_EQ(app_->Invoke("CreateToken"), 162);
    EXPECT_EQ(Enum("Token").size(), 1u);
}

TEST_F(SoftTokens, CancelAnswersOneAndChangesNothing) {
    Script({"cancel"});
    app_->SetProperty("TokenLabel", "Cancelled");
    EXPECT_EQ(app_->Invoke("CreateToken"), 1);
    EXPECT_TRUE(Enum("SlotSoft").empty());
    ASSERT_EQ(Create("Kept", "kept-pass"), 0);
    Script({"pin kept-pass", "cancel"});
    EXPECT_EQ(app_->Invoke("ChangePassword"), 1);
    Script({"pin kept-pass"});
    EXPECT_EQ(app_->Invoke("Login"), 0);
    Script({"die"});  // a pinentry that breaks off is a failure, not a hang
    app_->SetProperty("TokenLabel", "Broken");
    EXPECT_EQ(app_->Invoke("CreateToken"), 6);
}

TEST_F(SoftTokens, BadInputsAreRefused) {
    for (const char* blank : {"", "   "}) {
        app_->SetProperty("TokenLabel", blank);
        EXPECT_EQ(app_->Invoke("CreateToken"), 7) << '"' << blank << '"';
    }
    app_->SetProperty("TokenLabel", "X");
    app_->SetProperty("TokenData", "bm90IGEgdG9rZW4=");  // "not a token"
    EXPECT_EQ(app_->Invoke("CreateToken"), 19);
    app_->SetProperty("TokenData", "***");
    EXPECT_EQ(app_->Invoke("CreateToken"), 19);
    EXPECT_TRUE(Enum("SlotSoft").empty());
    app_->SetActiveSlot(100);
    EXPECT_EQ(app_->Invoke("DeleteToken"), 224);
    EXPECT_EQ(app_->Invoke("ChangePassword"), 224);
}

TEST_F(SoftTokens, LabelsAreCutToWhatTheFileKeepsBetweenCharacters) {
    // Control characters become blanks; 64 bytes stay, and a character that
    // would be split there goes whole.
    ASSERT_EQ(Create("a\tb" + std::string(60, 'c') + "\xC3\xA9tail", "first-pass"), 0);
    EXPECT_EQ(Enum("Token"), std::vector<std::string>{"100;a b" + std::string(60, 'c')});
}

TEST_F(SoftTokens, SlotEventsComeOnceForEveryChangeOfAnyProcess) {
    EXPECT_EQ(Get("HaveSlotEvent"), "false");
    ASSERT_EQ(Create("Event", "event-pass"), 0);
    EXPECT_EQ(Get("HaveSlotEvent"), "true");
    EXPECT_EQ(Get("HaveSlotEvent"), "false");

    // Another process changes the password (its active slot is the first token).
    Script({"pin event-pass", "pin event-pass2", "pin event-pass2"});
    std::string output;
    ASSERT_EQ(RunCommand(BinPath("orxxctl") + " token invoke ChangePassword", &output), 0);
    EXPECT_EQ(output, "0\n");
    EXPECT_EQ(Get("HaveSlotEvent"), "true");
    EXPECT_EQ(Get("HaveSlotEvent"), "false");

    // A login whose password another context changed is over.
    Script({"pin event-pass2"});
    ASSERT_EQ(app_->Invoke("Login"), 0);
    auto other = Start();
    Script({"pin event-pass2", "pin event-pass3", "pin event-pass3"});
    ASSERT_EQ(other->Invoke("ChangePassword"), 0);
    EXPECT_EQ(Get("LoggedIn"), "false");
}

TEST_F(SoftTokens, ContextsAreIndependent) {
    ASSERT_EQ(Create("Ctx", "ctx-password"), 0);
    auto second = Start();
    Script({"pin ctx-password"});
    ASSERT_EQ(app_->Invoke("Login"), 0);
    EXPECT_EQ(second->GetPropertyString("LoggedIn"), "false");
    second.reset();  // finalising one context leaves the other as it was
    EXPECT_EQ(Get("LoggedIn"), "true");
    EXPECT_EQ(Get("ActiveSlot"), "100");
}

TEST_F(SoftTokens, VersionAndComponents) {
    const std::string version = Get("Version").value_or("");
    ASSERT_GE(version.size(), 9u);
    EXPECT_EQ(version.substr(0, 9), "04020000 ");
    const auto components = Enum("Component");
    ASSERT_FALSE(components.empty());
    EXPECT_EQ(FieldOf(components[0], 0), std::string(ORX_PLUGIN_PATH));
    EXPECT_EQ(FieldOf(components[0], 1).substr(0, 10), "04020000 (");
    bool sawControl = false;
    for (const std::string& entry : components) {
        EXPECT_EQ(FieldOf(entry, 1).substr(0, 8), "04020000");
        EXPECT_FALSE(FieldOf(entry, 2).empty());
        sawControl |= FieldOf(entry, 0) == BinPath("orxxctl");
    }
    EXPECT_TRUE(sawControl);
}

}  // namespace
}  // namespace orx::testing

namespace orx::testing {
namespace {

TEST_F(SoftTokens, AboutShowsTheVersionThroughPinentry) {
    EXPECT_EQ(app_->Invoke("About"), 0);
    const std::string log = PinentryLog();
    EXPECT_NE(log.find("SETDESC Orvex token plug-in module%0AVersion 4.2.0.0"), std::string::npos)
        << log;
    EXPECT_NE(log.find("MESSAGE"), std::string::npos);
}

// A token file copied into the folder by hand shows up at the next refresh.
TEST_F(SoftTokens, RefreshFindsTokensCopiedInByHand) {
    ASSERT_EQ(Create("Original", "original-pass"), 0);
    const std::vector<uint8_t> bytes = ReadBytes(TokenFolder() + "Original.tkn");
    WriteFile(TokenFolder() + "copied.tkn", std::string(bytes.begin(), bytes.end()));
    ASSERT_EQ(app_->Invoke("Refresh"), 0);
    EXPECT_EQ(Enum("SlotSoft"),
              (std::vector<std::string>{"100;Original;Original", "101;Original;copied"}));
}

}  // namespace
}  // namespace orx::testing
