// Every token command with the keyboard alone, over the real module: the Action
// menu by its mnemonics, Insert, Delete and Ctrl+C where the focus is, the tabs by
// arrow keys, and the dialogs typed into and ended with Enter.
#include <QApplication>
#include <QMenu>
#include <QTabBar>
#include <QTest>

#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "core/base64.h"
#include "support/gui/modal_driver.h"
#include "token_commands_fixture.h"
#include "ui/clipboard.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using testing::MadeCertificate;
using testing::Texts;

const std::string kPassword = "keys-pass-1";

class TokenKeyboardTest : public testing::TokenCommandsTest {
  protected:
    // Alt+A opens the Action menu; each key then goes to the menu that is open
    // (a mnemonic opens a submenu or takes the item).
    void ActionMenu(std::initializer_list<Qt::Key> keys) {
        // The menus of the command before are closed first.
        ASSERT_TRUE(
            ui_testing::WaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
        frame_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
        // Offscreen, the menu bar may still be leaving the menu it last closed and
        // let an Alt+A pass; a person would press it again, and so does this.
        bool opened = false;
        for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
            QTest::keyClick(frame_.get(), Qt::Key_A, Qt::AltModifier);
            opened = ui_testing::WaitFor(
                [] { return QApplication::activePopupWidget() != nullptr; }, 400);
        }
        ASSERT_TRUE(opened) << "Alt+A opened no menu";
        QWidget* open = nullptr;
        for (Qt::Key key : keys) {
            QWidget* previous = open;
            ASSERT_TRUE(ui_testing::WaitFor([&] {
                open = QApplication::activePopupWidget();
                return open != nullptr && open != previous;
            })) << "no menu opened before key "
                << key;
            QTest::keyClick(open, key);
        }
    }
    // The keys in the dialog the command opens: text typed into the focused field,
    // Tab to the next, Enter at the end.
    ui_testing::ModalRun Keys(const std::function<void()>& command, const Texts& fields) {
        return WithDialog(command, [fields](QWidget* dialog) {
            for (size_t i = 0; i < fields.size(); ++i) {
                if (i > 0)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QWidget* field = QApplication::focusWidget();
                QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(field, ToQString(fields[i]));
            }
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dialog,
                            Qt::Key_Return);
        });
    }
    // The window active again (a dialog that closed may have left it inactive),
    // with the focus in the widget.
    void Focus(QWidget* widget) {
        frame_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
        widget->setFocus();
        ASSERT_TRUE(ui_testing::WaitFor([&] { return widget->hasFocus(); }));
    }
    int32_t SoftSlot() {
        for (int row = 0; row < frame_->List()->count(); ++row) {
            const int32_t slot = frame_->List()->SlotOf(frame_->List()->item(row));
            if (slot >= 100)
                return slot;
        }
        return -1;
    }
};

TEST_F(TokenKeyboardTest, EveryTokenCommand) {
    const MadeCertificate alice = MakeCertificate("Alice Example");
    OpenWindow();
    frame_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));

    // Soft tokens, New: the name typed, Enter.
    Pins({"pin " + kPassword, "pin " + kPassword});
    ASSERT_TRUE(Keys([&] { ActionMenu({Qt::Key_S, Qt::Key_N}); }, {"Keys"}).ok());
    const int32_t slot = SoftSlot();
    ASSERT_GE(slot, 100);
    EXPECT_EQ(View()->HeaderLine(1), "Keys");

    // Insert on the certificates tab adds a certificate.
    COwnerDrawList* list = View()->ContentList();
    Focus(list);
    files_.QueueChoice(alice.der);
    Pins({"pin " + kPassword});
    QTest::keyClick(list, Qt::Key_Insert);
    ASSERT_EQ(StoredCertificates(slot), Texts{Base64Encode(alice.bytes)});

    // Certificates, View and Export.
    ActionMenu({Qt::Key_E, Qt::Key_V});
    EXPECT_TRUE(ui_testing::WaitFor([&] { return ClientLog().rfind("-view ", 0) == 0; }, 5000));
    const std::string exported = env_ / "alice-export.cer";
    files_.QueueChoice(exported);
    ActionMenu({Qt::Key_E, Qt::Key_E});
    EXPECT_EQ(testing::ReadBytes(exported), alice.bytes);

    // Ctrl+C where the list has the focus.
    Focus(list);
    SetClipboardText("");
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_NE(GetClipboardText().find("-----BEGIN CERTIFICATE-----\r\n"), std::string::npos);

    // Delete asks (answered Yes) and deletes.
    Focus(list);
    messages_.QueueAnswer(6);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_TRUE(StoredCertificates(slot).empty());

    // The public box's tab by the arrow key; Insert adds, the menu edits, Delete deletes.
    Focus(View()->Tabs());
    QTest::keyClick(View()->Tabs(), Qt::Key_Right);
    ASSERT_EQ(View()->ShownTab(), kTabPublicBox);
    const auto insert = [&] {
        Focus(list);
        QTest::keyClick(list, Qt::Key_Insert);
    };
    ASSERT_TRUE(Keys(insert, {"Phone", "123"}).ok());
    ASSERT_TRUE(Keys(insert, {"Room", "B 12"}).ok());
    EXPECT_EQ(Column(0), (Texts{"Phone", "Room"}));
    Focus(list);
    QTest::keyClick(list, Qt::Key_Home);
    ASSERT_TRUE(Keys([&] { ActionMenu({Qt::Key_P, Qt::Key_E}); }, {"Phone", "456"}).ok());
    EXPECT_EQ(Column(0), (Texts{"Room", "Phone"}));
    EXPECT_EQ(Column(1), (Texts{"B 12", "456"}));
    Focus(list);
    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Column(0), Texts{"Phone"});

    // The private box through its menu.
    ASSERT_TRUE(Keys([&] { ActionMenu({Qt::Key_R, Qt::Key_A}); }, {"Hint", "blue"}).ok());
    EXPECT_EQ(View()->ShownTab(), kTabPrivateBox);
    EXPECT_EQ(Column(0), Texts{"Hint"});

    // Change password: the token's item in the submenu, taken with Enter.
    ClearMessages();
    Pins({"pin " + kPassword, "pin new-" + kPassword, "pin new-" + kPassword});
    ActionMenu({Qt::Key_C, Qt::Key_Return});
    EXPECT_EQ(PinsLeft(), "");
    EXPECT_TRUE(MessageTexts().empty()) << MessageTexts().front();

    // Soft tokens, Export; then Delete in the slot list, and Add from the copy.
    const std::string copy = env_ / "keys-copy.tkn";
    files_.QueueChoice(copy);
    ActionMenu({Qt::Key_S, Qt::Key_E});
    ASSERT_TRUE(testing::PathExists(copy));
    frame_->List()->SelectSlot(slot);
    Focus(frame_->List());
    messages_.QueueAnswer(6);
    QTest::keyClick(frame_->List(), Qt::Key_Delete);
    EXPECT_EQ(SoftSlot(), -1);
    files_.QueueChoice(copy);
    Pins({"pin new-" + kPassword});
    ASSERT_TRUE(Keys([&] { ActionMenu({Qt::Key_S, Qt::Key_A}); }, {"Keys again"}).ok());
    EXPECT_EQ(View()->HeaderLine(1), "Keys again");
    EXPECT_EQ(MessageTexts().back(), "The import of the soft token was successful. (M3)");
}

}  // namespace
}  // namespace orx
