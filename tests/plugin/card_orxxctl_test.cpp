// orxxctl card create/insert/remove against the real module: the PUK and the
// passwords come from pinentry, never from the command line.
#include "card_fixture.h"

namespace orx::testing {
namespace {

using CardCommands = CardTest;

int Ctl(const std::string& arguments, std::string* output = nullptr) {
    return RunCommand(BinPath("orxxctl") + " " + arguments + " 2>&1", output);
}

TEST_F(CardCommands, CreateInsertRemove) {
    const std::string file = Path("ctl.card");
    Script({"pin ctl-puk-123", "pin ctl-puk-123", "pin ctl-pass", "pin ctl-pass"});
    ASSERT_EQ(Ctl("card create '" + file + "' 'Team Card'"), 0);
    EXPECT_EQ(ScriptLeft(), "");
    const std::string log = PinentryLog();
    EXPECT_NE(log.find("PUK"), std::string::npos);
    EXPECT_EQ(log.find("ctl-puk-123"), std::string::npos) << "the PUK was echoed somewhere";

    ASSERT_EQ(Ctl("card insert 'USB Reader 0' '" + file + "'"), 0);
    ASSERT_TRUE(WaitForSlotEvent());
    EXPECT_EQ(Enum("SlotCard")[0], "1;USB Reader 0;Team Card");
    std::string output;
    ASSERT_EQ(Ctl("token list", &output), 0);
    EXPECT_NE(output.find("SlotCard\t1;USB Reader 0;Team Card\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Token\t3;Team Card (Encryption)\n"), std::string::npos) << output;

    // The password the card was made with opens every application.
    app_->SetActiveSlot(3);
    Script({"pin ctl-pass"});
    EXPECT_EQ(app_->Invoke("Login"), 0);

    ASSERT_EQ(Ctl("card remove 'USB Reader 0'"), 0);
    ASSERT_TRUE(WaitForSlotEvent());
    EXPECT_EQ(Enum("SlotCard")[0], "1;USB Reader 0;");
    EXPECT_TRUE(PathExists(file));  // the card file itself stays where it was made
}

TEST_F(CardCommands, FailuresAndUsage) {
    std::string output;
    const std::pair<const char*, int> cases[] = {
        {"card", 2},
        {"card create", 2},
        {"card insert OnlyReader", 2},
        {"card remove", 2},
        {"card remove a b", 2},
        {"card eject R", 2},
        {"card insert R /nonexistent/file.card", 1},
        {"card remove 'Never Made'", 1},
        {"card insert ../up /dev/null", 1},
    };
    for (const auto& [arguments, status] : cases)
        EXPECT_EQ(Ctl(arguments, &output), status) << arguments << "\n" << output;

    // Cancelled at the second password: no file.
    Script({"pin ctl-puk-123", "pin ctl-puk-123", "pin ctl-pass", "cancel"});
    EXPECT_EQ(Ctl("card create '" + Path("no.card") + "'", &output), 1);
    EXPECT_NE(output.find("cancelled"), std::string::npos) << output;
    EXPECT_FALSE(PathExists(Path("no.card")));
    // A soft token file is no card.
    ASSERT_EQ(Create("Soft", "soft-pass"), 0);
    EXPECT_EQ(Ctl("card insert R '" + TokenFolder() + "Soft.tkn'", &output), 1);
    EXPECT_NE(output.find("not a usable card file"), std::string::npos) << output;
}

}  // namespace
}  // namespace orx::testing
