// The password commands over the real module: a card application's password
// changed and unlocked from the card's second and third slots, after which the
// card's first slot is the active one again; a soft token's password changed, and
// what is said when the module's dialog ends without success.
#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "admin_fixture.h"
#include "token_commands_fixture.h"

namespace orx {
namespace {

using testing::Texts;

class PasswordCommandsTest : public testing::TokenCommandsTest {
  protected:
    // Whether the slot's token takes the password, in a context of its own.
    bool Opens(int32_t slot, const std::string& password) {
        TokenApplication other;
        other.StartPlugin();
        other.SetActiveSlot(slot);
        Pins({"pin " + password});
        const bool opened = other.Login() == 0;
        other.Finalize();
        return opened;
    }
};

TEST_F(PasswordCommandsTest, ACardsSecondSlotChangedLeavesTheFirstActive) {
    ASSERT_TRUE(testing::MakePath(env_ / "data/orx/readers/Reader A"));
    const std::string card = env_ / "work.card";
    app_.StartPlugin();
    Pins({"pin puk-12345", "pin puk-12345", "pin card-pass", "pin card-pass"});
    app_.SetProperty("TokenLabel", "Work Card");
    app_.SetProperty("FileName", card.c_str());
    ASSERT_EQ(app_.Invoke("CreateCard"), 0);
    app_.SetProperty("Reader", "Reader A");
    app_.SetProperty("FileName", card.c_str());
    ASSERT_EQ(app_.Invoke("InsertCard"), 0);
    CloseWindow();
    OpenWindow();
    frame_->List()->SelectSlot(1);

    Pins({"pin card-pass", "pin second-pass", "pin second-pass"});
    Command(kCmdChangePassword + 2);
    EXPECT_EQ(PinsLeft(), "");
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(app_.GetActiveSlot(true), 1);
    EXPECT_EQ(app_.GetPropertyString("ActiveSlot"), "1");

    Pins({"pin puk-12345", "pin third-pass", "pin third-pass"});
    Command(kCmdUnlockPassword + 3);
    EXPECT_EQ(PinsLeft(), "");
    EXPECT_EQ(app_.GetActiveSlot(true), 1);
    CloseWindow();
    EXPECT_TRUE(Opens(2, "second-pass"));
    EXPECT_TRUE(Opens(3, "third-pass"));
    EXPECT_TRUE(Opens(1, "card-pass"));
}

TEST_F(PasswordCommandsTest, ASoftTokensPasswordAndWhatAFailedDialogSays) {
    const int32_t slot = CreateToken("Mine", "first-pass");
    CloseWindow();
    OpenWindow();
    Pins({"pin first-pass", "pin later-pass", "pin later-pass"});
    Command(kCmdChangePassword + slot);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(app_.GetActiveSlot(true), slot);

    // The user who cancels knows it; three wrong passwords are told.
    Pins({"cancel"});
    Command(kCmdChangePassword + slot);
    EXPECT_TRUE(MessageTexts().empty());
    Pins({"pin wrong-1", "pin wrong-2", "pin wrong-3"});
    Command(kCmdChangePassword + slot);
    EXPECT_EQ(MessageTexts(), Texts{"Password is incorrect. (E6)"});
    CloseWindow();
    EXPECT_TRUE(Opens(slot, "later-pass"));
    EXPECT_FALSE(Opens(slot, "first-pass"));
}

}  // namespace
}  // namespace orx
