// The data box commands over the real module: entries added through the Data
// Properties dialog and stored in blocks of 64 bytes, an edited entry moved to the
// end, a deleted one gone without a question, and the private box that asks for
// the token's password before anything else.
#include <QLineEdit>
#include <QTabBar>
#include <QTest>

#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "admin/data_box.h"
#include "admin/token_dialog_ids.h"
#include "admin_fixture.h"
#include "token_commands_fixture.h"
#include "ui/item_registry.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using testing::Texts;
using Entries = std::vector<std::pair<std::string, std::string>>;

const std::string kPassword = "box-pass-1";

class DataBoxCommandsTest : public testing::TokenCommandsTest {
  protected:
    // A token with these public entries, shown on its public box's tab in a new
    // context.
    int32_t TokenWithBox(const Entries& entries) {
        const int32_t slot = CreateToken("Boxes", kPassword);
        EXPECT_GE(slot, 100);
        if (!entries.empty()) {
            Pins({"pin " + kPassword});
            EXPECT_EQ(WriteBox(slot, false, testing::DataBoxBlob(entries)), 0);
        }
        CloseWindow();
        OpenWindow();
        frame_->List()->SelectSlot(slot);
        View()->Tabs()->setCurrentIndex(kTabPublicBox);
        return slot;
    }
    // Answers the Data Properties dialog: the title and the fields as shown are
    // noted, then the new texts typed over them and OK given with Enter.
    std::function<void(QWidget*)> Enter(const std::string& description, const std::string& value,
                                        Texts* shown = nullptr) {
        return [=](QWidget* dialog) {
            auto* first = FindItemAs<QLineEdit>(dialog, kIdDataDescriptionEdit);
            auto* second = FindItemAs<QLineEdit>(dialog, kIdDataValueEdit);
            ASSERT_TRUE(first != nullptr && second != nullptr);
            if (shown != nullptr)
                *shown = {ToUtf8(dialog->windowTitle()), ToUtf8(first->text()),
                          ToUtf8(second->text())};
            first->selectAll();
            QTest::keyClicks(first, ToQString(description));
            second->selectAll();
            QTest::keyClicks(second, ToQString(value));
            QTest::keyClick(second, Qt::Key_Return);
        };
    }
    Entries Stored(int32_t slot, bool privateBox = false) {
        Entries entries;
        const auto blob = StoredBox(slot, privateBox, kPassword);
        if (blob) {
            for (const DataBoxEntry& entry : ParseDataBox(*blob))
                entries.emplace_back(entry.description, entry.value);
        }
        return entries;
    }
    void SelectRow(int row) {
        COwnerDrawList* list = View()->ContentList();
        list->clearSelection();
        list->setCurrentItem(list->topLevelItem(row));
    }
    int SelectedRow() const {
        const QList<QTreeWidgetItem*> selected = View()->ContentList()->selectedItems();
        return selected.size() == 1 ? View()->ContentList()->indexOfTopLevelItem(selected[0]) : -1;
    }
};

TEST_F(DataBoxCommandsTest, TwoEntriesOfTwentyBytesAreStoredAsSixtyFourBytes) {
    const int32_t slot = TokenWithBox({});
    Texts shown;
    Pins({"pin " + kPassword});
    ASSERT_TRUE(
        WithDialog([&] { Command(kCmdPublicAdd); }, Enter("  Phone ", " 12345  ", &shown)).ok());
    EXPECT_EQ(shown, (Texts{"Add - Orvex", "", ""}));
    ASSERT_TRUE(WithDialog([&] { Command(kCmdPublicAdd); }, Enter("Room", "B 12-3")).ok());
    EXPECT_EQ(Column(0), (Texts{"Phone", "Room"}));
    EXPECT_EQ(Column(1), (Texts{"12345", "B 12-3"}));
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_TRUE(MessageTexts().empty());
    const auto blob = StoredBox(slot, false);
    ASSERT_TRUE(blob.has_value());
    EXPECT_EQ(blob->size(), 64u);
    EXPECT_EQ(Stored(slot), (Entries{{"Phone", "12345"}, {"Room", "B 12-3"}}));
    // The private box holds nothing of it.
    EXPECT_TRUE(Stored(slot, true).empty());
}

TEST_F(DataBoxCommandsTest, AnEditedEntryMovesToTheEnd) {
    const int32_t slot = TokenWithBox({{"A", "1"}, {"B", "2"}, {"C", "3"}});
    ASSERT_EQ(Column(0), (Texts{"A", "B", "C"}));
    SelectRow(0);
    Texts shown;
    Pins({"pin " + kPassword});
    ASSERT_TRUE(WithDialog([&] { Command(kCmdPublicEdit); }, Enter("A", "one", &shown)).ok());
    EXPECT_EQ(shown, (Texts{"Edit - Orvex", "A", "1"}));
    EXPECT_EQ(Column(0), (Texts{"B", "C", "A"}));
    EXPECT_EQ(SelectedRow(), 2);
    EXPECT_EQ(Stored(slot), (Entries{{"B", "2"}, {"C", "3"}, {"A", "one"}}));
    // The slot event that the write brings reads the box again; the row stays chosen.
    View()->ShowToken(slot, kTabCurrent);
    EXPECT_EQ(Column(0), (Texts{"B", "C", "A"}));
    EXPECT_EQ(SelectedRow(), 2);

    // Without a selection the first entry is edited; a cancelled dialog changes nothing.
    View()->ContentList()->clearSelection();
    ASSERT_TRUE(WithDialog([&] { Command(kCmdPublicEdit); },
                           [&](QWidget* dialog) {
                               shown = {ToUtf8(
                                   FindItemAs<QLineEdit>(dialog, kIdDataDescriptionEdit)->text())};
                               QTest::keyClick(dialog, Qt::Key_Escape);
                           })
                    .ok());
    EXPECT_EQ(shown, Texts{"B"});
    EXPECT_EQ(Stored(slot), (Entries{{"B", "2"}, {"C", "3"}, {"A", "one"}}));
}

TEST_F(DataBoxCommandsTest, DeleteRemovesTheSelectedEntryWithoutAQuestion) {
    const int32_t slot = TokenWithBox({{"A", "1"}, {"B", "2"}, {"C", "3"}});
    SelectRow(1);
    Pins({"pin " + kPassword});
    Command(kCmdPublicDelete);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(Column(0), (Texts{"A", "C"}));
    EXPECT_EQ(Stored(slot), (Entries{{"A", "1"}, {"C", "3"}}));
    // Nothing selected: nothing deleted.
    View()->ContentList()->clearSelection();
    Command(kCmdPublicDelete);
    EXPECT_EQ(Stored(slot), (Entries{{"A", "1"}, {"C", "3"}}));
}

TEST_F(DataBoxCommandsTest, ThePrivateBoxAsksForThePasswordFirst) {
    const int32_t slot = TokenWithBox({{"Public", "p"}});
    // A cancelled login ends the command before its dialog.
    Pins({"cancel"});
    const auto refused = WithDialog([&] { Command(kCmdPrivateAdd); }, nullptr);
    EXPECT_FALSE(refused.appeared);
    EXPECT_EQ(MessageTexts(), Texts{"Operation canceled. (E3)"});

    ClearMessages();
    Pins({"pin " + kPassword});
    ASSERT_TRUE(WithDialog([&] { Command(kCmdPrivateAdd); }, Enter("PIN hint", "blue")).ok());
    EXPECT_EQ(PinsLeft(), "");
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(View()->ShownTab(), kTabPrivateBox);
    EXPECT_EQ(Column(0), Texts{"PIN hint"});
    EXPECT_EQ(Stored(slot, true), (Entries{{"PIN hint", "blue"}}));
    EXPECT_EQ(Stored(slot), (Entries{{"Public", "p"}}));
}

}  // namespace
}  // namespace orx
