// The slot list from the plug-in's "SlotCard" and "SlotSoft" answers: captions,
// duplicates, the Components entry, selection, the slot-event poll and the
// context menu with the commands it passes on.
#include <gtest/gtest.h>

#include <QTest>

#include "admin/admin_commands.h"
#include "admin_fixture.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using testing::AdminWindowTest;
using testing::WithPopup;
using Texts = std::vector<std::string>;

class SlotListTest : public AdminWindowTest {
  protected:
    Texts Items() const {
        Texts items;
        for (int row = 0; row < frame_->List()->count(); ++row)
            items.push_back(ToUtf8(frame_->List()->item(row)->text()));
        return items;
    }
    CAdminList* List() const { return frame_->List(); }
    testing::RecordingView* View() const { return frame_->Recorder(); }
};

TEST_F(SlotListTest, ItemsFromTheSlotEnumerations) {
    AnswerList("SlotCard",
               {"1;Reader1 15chars;Card", "2;Reader1 15chars;Card", "3;Reader1 15chars;Card",
                "4;Desk reader 16 ch;", "5;Desk reader 16 ch;", "6;Desk reader 16 ch;"});
    AnswerList("SlotSoft", {"100;Alice;alice", "101;Bob;ALICE", "102;Nameless;"});
    Open(false);
    EXPECT_EQ(Items(), (Texts{"Reader1 15chars", "Desk\nreader 16 ch", "alice", "Nameless",
                              "Orvex\nComponents"}));
    const std::vector<int32_t> ids = {1, 4, 100, 102, 0};
    for (size_t row = 0; row < ids.size(); ++row)
        EXPECT_EQ(List()->SlotOf(List()->item(static_cast<int>(row))), ids[row]);
    EXPECT_TRUE(List()->HasSlots(true));
    EXPECT_TRUE(List()->HasSlots(false));
    EXPECT_EQ(List()->iconSize(), QSize(32, 32));
}

TEST_F(SlotListTest, WithoutSlotsOnlyComponents) {
    Open(false);
    EXPECT_EQ(Items(), Texts{"Orvex\nComponents"});
    EXPECT_FALSE(List()->HasSlots(true));
    EXPECT_FALSE(List()->HasSlots(false));
}

TEST_F(SlotListTest, SelectingASlot) {
    AnswerList("SlotCard", {"1;Reader A;", "2;Reader A;", "3;Reader A;"});
    AnswerList("SlotSoft", {"100;Alice;alice", "101;Bob;bob"});
    fake_.AnswerGet("TokenInfo", "100;Alice;0A1B 2C3D;Valdoran;Soft Token");
    Open(false);
    const struct {
        int32_t slot;
        int32_t selected;
    } cases[] = {{101, 101}, {100, 100}, {1, 1}, {2, 0}, {555, 0}, {0, 1}};
    for (const auto& c : cases) {
        List()->SelectSlot(c.slot);
        EXPECT_EQ(List()->GetSelectedSlot(), c.selected) << c.slot;
        EXPECT_EQ(List()->selectedItems().size(), 1) << c.slot;
        EXPECT_EQ(List()->currentItem(), List()->selectedItems().value(0)) << c.slot;
    }
    // The selection reaches the view.
    List()->SelectSlot(100);
    EXPECT_EQ(View()->Mode(), kModeToken);
    EXPECT_EQ(View()->CurrentSlot(), 100);
    List()->SelectSlot(0);
    List()->SelectSlot(999);
    EXPECT_EQ(View()->Mode(), kModeComponents);

    const struct {
        int kind;
        bool found;
        int32_t selected;
    } firsts[] = {{kSoftToken, true, 100}, {kCardToken, true, 1}, {kAnyToken, true, 1}};
    for (const auto& f : firsts) {
        List()->SelectSlot(999);
        EXPECT_EQ(List()->SelectFirstToken(f.kind), f.found) << f.kind;
        EXPECT_EQ(List()->GetSelectedSlot(), f.selected) << f.kind;
    }
}

TEST_F(SlotListTest, FirstTokenOfAKindThatIsMissing) {
    AnswerList("SlotSoft", {"100;Alice;alice"});
    Open(false);
    List()->SelectSlot(0);
    EXPECT_FALSE(List()->SelectFirstToken(kCardToken));
    EXPECT_EQ(List()->GetSelectedSlot(), 100);  // nothing changed
}

TEST_F(SlotListTest, PollsReadOneValueWhileNothingHappens) {
    AnswerList("SlotSoft", {"100;Alice;alice"});
    fake_.AnswerGet("ActiveSlot", "100");
    fake_.AnswerGet("TokenInfo", "100;Alice;0A1B;Valdoran;Soft Token");
    Open(false);
    EXPECT_TRUE(List()->IsTimerRunning(kFirstPollTimer));
    fake_.ClearCalls();
    List()->OnTimer(kFirstPollTimer);
    // The first poll selects the active slot and shows it without asking for an event.
    EXPECT_EQ(List()->GetSelectedSlot(), 100);
    EXPECT_EQ(View()->Mode(), kModeToken);
    EXPECT_TRUE(Calls("PlgGetProperty\tHaveSlotEvent").empty());
    EXPECT_FALSE(List()->IsTimerRunning(kFirstPollTimer));
    EXPECT_TRUE(List()->IsTimerRunning(kPollTimer));

    for (int poll = 0; poll < 3; ++poll) {
        fake_.ClearCalls();
        Poll();
        EXPECT_EQ(fake_.Calls(), Texts{"PlgGetProperty\tHaveSlotEvent"});
        EXPECT_TRUE(List()->IsTimerRunning(kPollTimer));
    }

    // An event: the token is shown again and the menus are rebuilt.
    app_.SetProperty("HaveSlotEvent", "TRUE");
    fake_.ClearCalls();
    Poll();
    EXPECT_FALSE(Calls("PlgGetProperty\tTokenInfo").empty());
    EXPECT_FALSE(Calls("PlgEnumProperty\tCertificateEx\t0").empty());
    EXPECT_FALSE(Calls("PlgEnumProperty\tToken\t0").empty());
    // The list itself is read again by Refresh only.
    EXPECT_TRUE(Calls("PlgEnumProperty\tSlotSoft").empty());
}

TEST_F(SlotListTest, AnEventForATokenThatWentShowsNothing) {
    AnswerList("SlotSoft", {"100;Alice;alice"});
    fake_.AnswerGet("ActiveSlot", "100");
    fake_.AnswerGet("TokenInfo", "100;Alice;0A1B;Valdoran;Soft Token");
    Open();
    ASSERT_EQ(View()->Mode(), kModeToken);
    app_.SetProperty("TokenInfo", nullptr);
    app_.SetProperty("HaveSlotEvent", "true");
    Poll();
    EXPECT_EQ(View()->Mode(), kModeNothing);
    EXPECT_EQ(View()->CurrentSlot(), -1);
    // Back again: shown again at the next event.
    app_.SetProperty("TokenInfo", "100;Alice;0A1B;Valdoran;Soft Token");
    Poll();
    EXPECT_EQ(View()->Mode(), kModeToken);
}

TEST_F(SlotListTest, ContextMenus) {
    AnswerList("SlotCard", {"1;Reader A;Card", "2;Reader A;Card", "3;Reader A;Card", "4;Reader B;",
                            "5;Reader B;", "6;Reader B;"});
    AnswerList("SlotSoft", {"100;Alice;alice"});
    AnswerList("Token", {"1;Card (Auth)", "2;Card (Sign)", "3;Card (Crypt)", "100;Alice"});
    Open();
    const struct {
        int32_t slot;
        Texts texts;
    } cases[] = {
        {100, {"&Change password...", "&Export...", "&Delete"}},
        {1,
         {"&Change password", "> Card (Auth)", "> Card (Sign)", "> Card (Crypt)",
          "&Unlock password", "> Card (Auth)", "> Card (Sign)", "> Card (Crypt)"}},
        // A card whose group has no password entries gets no menu.
        {4, {}},
    };
    for (const auto& c : cases) {
        List()->SelectSlot(c.slot);
        EXPECT_EQ(WithPopup([&] { List()->ShowContextMenu(QPoint(10, 10)); }), c.texts) << c.slot;
    }
    // The menu's commands go to the view.
    List()->SelectSlot(100);
    WithPopup([&] { List()->ShowContextMenu(QPoint(10, 10)); }, kCmdSoftTokenExport);
    WithPopup([&] { List()->ShowContextMenu(QPoint(10, 10)); }, kCmdChangePassword + 100);
    EXPECT_EQ(View()->commands, (Texts{"export token", "change 100"}));
}

TEST_F(SlotListTest, CommandsPassedToTheView) {
    Open();
    const struct {
        int command;
        bool taken;
        const char* recorded;
    } cases[] = {
        {kCmdChangePassword + 4, true, "change 4"},  {kCmdUnlockPassword + 5, true, "unlock 5"},
        {kCmdSoftTokenExport, true, "export token"}, {kCmdSoftTokenDelete, true, "delete token"},
        {kCmdDelete, true, "delete token"},          {kCmdCopy, true, "copy"},
        {kCmdCertificateAdd, false, nullptr},        {kCmdAbout, false, nullptr},
    };
    for (const auto& c : cases) {
        View()->commands.clear();
        EXPECT_EQ(List()->OnCommand(c.command), c.taken) << c.command;
        EXPECT_EQ(View()->commands, c.recorded ? Texts{c.recorded} : Texts{}) << c.command;
    }
}

TEST_F(SlotListTest, TheListsWidthIsKept) {
    Open();
    const QSize size = List()->size();
    frame_.reset();
    EXPECT_EQ(settings_[kWidthList], (size.width() << 16) + size.height());
}

}  // namespace
}  // namespace orx
