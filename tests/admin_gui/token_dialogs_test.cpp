// The token view's two dialogs as a person meets them: the name dialog (238)
// offers OK only for a name that stays after its quotes and parentheses go; the
// Data Properties dialog (218) only for two texts that are more than blanks, and
// hands them back trimmed; Help is there while the configuration names a help
// page. Pictures of both dialogs and of the question boxes the commands ask go to
// build/test-output (at 100 % and, in the second run, 200 %), and no text of the
// dialogs is cut in any of the eleven languages.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "admin/data_properties_dialog.h"
#include "admin/token_dialog_ids.h"
#include "admin/token_name_dialog.h"
#include "core/config_file.h"
#include "core/language.h"
#include "support/gui/control_layout.h"
#include "support/gui/message_sink.h"
#include "support/gui/modal_driver.h"
#include "token_commands_fixture.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"
#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

using testing::Texts;
using ui_testing::RunModal;

QLineEdit* Edit(QWidget* dialog, int id) {
    return FindItemAs<QLineEdit>(dialog, id);
}

bool OkEnabled(QWidget* dialog) {
    QWidget* ok = FindItem(dialog, kIdOk);
    return ok != nullptr && ok->isEnabled();
}

// Types over the field's text.
void Type(QWidget* dialog, int id, const std::string& text) {
    QLineEdit* edit = Edit(dialog, id);
    edit->setFocus();
    edit->selectAll();
    if (text.empty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
    } else {
        QTest::keyClicks(edit, ToQString(text));
    }
}

class TokenDialogsTest : public testing::TokenCommandsTest {};

TEST_F(TokenDialogsTest, TheNameDialogOffersOkForANameThatStays) {
    const struct {
        const char* typed;
        bool offered;
    } cases[] = {{"()\"'", false}, {"   ", false}, {"", false}, {"( x )", true}, {"Work", true}};
    CDlgTokenName dialog(nullptr, "alice");
    std::string proposed;
    const auto run = RunModal([&] { return dialog.DoModal(); },
                              [&](QWidget* window) {
                                  EXPECT_EQ(ToUtf8(window->windowTitle()), "Add - Orvex");
                                  proposed = ToUtf8(Edit(window, kIdTokenNameEdit)->selectedText());
                                  EXPECT_TRUE(OkEnabled(window));
                                  // The name keeps to what a token's label holds.
                                  EXPECT_EQ(Edit(window, kIdTokenNameEdit)->maxLength(), 64);
                                  for (const auto& c : cases) {
                                      Type(window, kIdTokenNameEdit, c.typed);
                                      EXPECT_EQ(OkEnabled(window), c.offered) << c.typed;
                                  }
                                  // Enter does nothing while OK is not offered.
                                  Type(window, kIdTokenNameEdit, "\"'");
                                  QTest::keyClick(Edit(window, kIdTokenNameEdit), Qt::Key_Return);
                                  EXPECT_TRUE(window->isVisible());
                                  Type(window, kIdTokenNameEdit, "  Jane's (work) token ");
                                  QTest::keyClick(Edit(window, kIdTokenNameEdit), Qt::Key_Return);
                              });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_FALSE(run.closedByDriver);
    EXPECT_EQ(run.result, kIdOk);
    EXPECT_EQ(proposed, "alice");  // selected, so that typing replaces it
    EXPECT_EQ(dialog.Name(), "Jane s  work  token");
}

TEST_F(TokenDialogsTest, DataPropertiesOffersOkForTwoTextsAndTrimsThem) {
    CDlgDataProperties add(nullptr, {}, {});
    const auto run =
        RunModal([&] { return add.DoModal(); },
                 [&](QWidget* window) {
                     EXPECT_EQ(ToUtf8(window->windowTitle()), "Add - Orvex");
                     EXPECT_FALSE(OkEnabled(window));
                     EXPECT_EQ(QApplication::focusWidget(), Edit(window, kIdDataDescriptionEdit));
                     const struct {
                         const char* description;
                         const char* value;
                         bool offered;
                     } cases[] = {{"Phone", "", false},
                                  {"Phone", "   ", false},
                                  {"  ", "123", false},
                                  {" Phone ", " 123 ", true}};
                     for (const auto& c : cases) {
                         Type(window, kIdDataDescriptionEdit, c.description);
                         Type(window, kIdDataValueEdit, c.value);
                         EXPECT_EQ(OkEnabled(window), c.offered) << c.description << "|" << c.value;
                     }
                     // Each field takes at most 255 characters.
                     for (int id : {kIdDataDescriptionEdit, kIdDataValueEdit})
                         EXPECT_EQ(Edit(window, id)->maxLength(), 255);
                     QTest::keyClick(Edit(window, kIdDataValueEdit), Qt::Key_Return);
                 });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(run.result, kIdOk);
    EXPECT_EQ(add.Description(), "Phone");
    EXPECT_EQ(add.Value(), "123");

    CDlgDataProperties edit(nullptr, "Room", "B 12");
    Texts shown;
    const auto editing = RunModal([&] { return edit.DoModal(); },
                                  [&](QWidget* window) {
                                      shown = {ToUtf8(window->windowTitle()),
                                               ToUtf8(Edit(window, kIdDataDescriptionEdit)->text()),
                                               ToUtf8(Edit(window, kIdDataValueEdit)->text())};
                                      EXPECT_TRUE(OkEnabled(window));
                                      QTest::keyClick(window, Qt::Key_Escape);
                                  });
    ASSERT_TRUE(editing.ok()) << editing.error;
    EXPECT_EQ(editing.result, kIdCancel);
    EXPECT_EQ(shown, (Texts{"Edit - Orvex", "Room", "B 12"}));
    EXPECT_EQ(edit.Description(), "Room");
}

TEST_F(TokenDialogsTest, HelpIsOfferedWithAHelpPage) {
    for (const bool configured : {false, true}) {
        if (configured) {
            ASSERT_EQ(ConfigWriteString("Links", "Help", "https://help.example.org"), kConfigOk);
        }
        CDlgTokenName dialog(nullptr, "x");
        bool shown = false;
        const auto run = RunModal([&] { return dialog.DoModal(); },
                                  [&](QWidget* window) {
                                      auto* help =
                                          qobject_cast<QPushButton*>(FindItem(window, kIdHelp));
                                      ASSERT_NE(help, nullptr);
                                      shown = help->isVisible();
                                      if (shown) {
                                          EXPECT_EQ(ToUtf8(help->text()), "&Help");
                                          QTest::mouseClick(help, Qt::LeftButton);
                                      }
                                      QTest::keyClick(window, Qt::Key_Escape);
                                  });
        ASSERT_TRUE(run.ok()) << run.error;
        EXPECT_EQ(shown, configured);
    }
    ASSERT_TRUE(ui_testing::WaitFor([&] { return ClientLog() == "-help\n"; }, 5000)) << ClientLog();
}

class AdminPicturesTokenDialogs : public testing::TokenCommandsTest {
  protected:
    void TearDown() override {
        SelectLanguage("English");
        TokenCommandsTest::TearDown();
    }
    // Both dialogs shown, checked and, when `picture` is set, photographed.
    void EachDialog(const std::string& language, bool picture) {
        const std::function<std::unique_ptr<Dlg>()> makers[] = {
            [] { return std::make_unique<CDlgTokenName>(nullptr, "Alice Example"); },
            [] {
                return std::make_unique<CDlgDataProperties>(nullptr, "Phone", "+46 8 123 45 67");
            },
        };
        const char* names[] = {"admin_dialog_238", "admin_dialog_218"};
        for (int i = 0; i < 2; ++i) {
            std::unique_ptr<Dlg> dialog = makers[i]();
            const auto run =
                RunModal([&] { return dialog->DoModal(); },
                         [&](QWidget* window) {
                             ui_testing::ExpectControlsWhole(window, language + " " + names[i]);
                             if (picture) {
                                 EXPECT_FALSE(testing::SavePicture(
                                                  window, std::string(names[i]) + "_" + language)
                                                  .empty());
                             }
                             QTest::keyClick(window, Qt::Key_Escape);
                         });
            EXPECT_TRUE(run.ok()) << run.error;
        }
    }
};

TEST_F(AdminPicturesTokenDialogs, BothDialogsInEveryLanguage) {
    // With the Help button: the widest row of buttons.
    ASSERT_EQ(ConfigWriteString("Links", "Help", "https://help.example.org"), kConfigOk);
    std::string name;
    int languages = 0;
    for (int index = 0; EnumLanguageName(name, 64, index);) {
        ASSERT_TRUE(SelectLanguage(name)) << name;
        ++languages;
        EachDialog(name, name == "English" || name == "Deutsch");
    }
    EXPECT_EQ(languages, 11);
}

TEST_F(AdminPicturesTokenDialogs, TheQuestionBoxesOfTheCommands) {
    const testing::MadeCertificate alice = MakeCertificate("Alice Example");
    const int32_t slot = CreateToken("Alice", "question-pass");
    Pins({"pin question-pass"});
    ASSERT_EQ(WriteCertificate(slot, alice.bytes), 0);
    CloseWindow();
    OpenWindow();
    frame_->List()->SelectSlot(slot);
    const std::string existing = env_ / "alice.cer";
    testing::WriteFile(existing, "kept");
    // Real boxes, answered No as a hand would.
    message_testing::SetMessageSink(nullptr);
    const struct {
        const char* name;
        int command;
    } questions[] = {{"admin_question_2200", kCmdCertificateDelete},
                     {"admin_question_2201", kCmdSoftTokenDelete},
                     {"admin_question_2209", kCmdCertificateExport}};
    for (const auto& q : questions) {
        if (q.command == kCmdCertificateExport) {
            files_.QueueChoice(existing);
            files_.QueueCancel();
        }
        std::string caption;
        const auto run = WithDialog([&] { frame_->OnCommand(q.command); },
                                    [&](QWidget* box) {
                                        caption = ToUtf8(box->windowTitle());
                                        EXPECT_FALSE(testing::SavePicture(box, q.name).empty());
                                        QWidget* no = FindItem(box, kIdNo);
                                        ASSERT_NE(no, nullptr);
                                        EXPECT_TRUE(no->isVisible());
                                        QTest::mouseClick(no, Qt::LeftButton);
                                    });
        ASSERT_TRUE(run.ok()) << q.name << ": " << run.error;
        EXPECT_FALSE(run.closedByDriver) << q.name;
        EXPECT_EQ(caption, "Question") << q.name;
    }
    // Every No kept what it asked about.
    EXPECT_EQ(StoredCertificates(slot).size(), 1u);
    EXPECT_EQ(testing::ReadFile(existing), "kept");
}

}  // namespace
}  // namespace orx
