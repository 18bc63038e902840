#include "dialogs/message_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <string>

#include "core/config_file.h"
#include "core/language.h"
#include "dialogs/message_box.h"
#include "dialogs/message_dialog_template.h"
#include "dialogs/plugin_error.h"
#include "dialogs/window_registry.h"
#include "support/gui/help_links.h"
#include "support/gui/modal_driver.h"
#include "ui/dialog_templates.h"
#include "ui/item_registry.h"
#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

using ui_testing::RunModal;

constexpr const char* kErrorLink = "https://help.example/errors";

class MessageDialogTest : public ::testing::Test {
  protected:
    testing::IsolatedEnvironment env;
    link_testing::ScopedLinkRecorder links;
    void SetUp() override { account_testing::SetSystemAccount(false); }
    void TearDown() override { account_testing::SetSystemAccount(std::nullopt); }
};

QPushButton* Button(QWidget* window, int id) {
    return FindItemAs<QPushButton>(window, id);
}

// Moves the pointer and waits until the dialog has seen it (a real display
// delivers pointer events later); true when the hover state followed.
bool MoveTo(const MessageDialog& dialog, QWidget* window, const QPoint& point) {
    QTest::mouseMove(window, point);
    return ui_testing::WaitFor([&] { return dialog.IsHovering() == dialog.HitTestLink(point); },
                               1000);
}

// The pointer comes from outside, as a user's would: a move to where the pointer
// already is (left there by an earlier test) makes no event.
void HoverAndClick(const MessageDialog& dialog, QWidget* window, const QPoint& point) {
    EXPECT_TRUE(MoveTo(dialog, window, QPoint(1, 1)));
    EXPECT_TRUE(MoveTo(dialog, window, point));
    EXPECT_EQ(window->cursor().shape() == Qt::PointingHandCursor, dialog.HitTestLink(point));
    QTest::mouseClick(window, Qt::LeftButton, {}, point);
}

// Everything a person would see wrong: lines wider than the text area, the icon
// over the text, buttons outside the box or too small for their label.
void ExpectSoundLayout(const MessageDialog& dialog) {
    QWidget* window = dialog.Window();
    ASSERT_NE(window, nullptr);
    const QRect client = window->rect();
    const QRect area = dialog.TextArea();
    const QFontMetrics metrics(dialog.TextFont());
    EXPECT_GE(area.width(), 200);
    EXPECT_TRUE(client.contains(area)) << "text area leaves the dialog";
    EXPECT_FALSE(dialog.IconRect().intersects(area)) << "icon and text overlap";
    EXPECT_TRUE(client.contains(dialog.IconRect()));
    EXPECT_LE(dialog.Lines().size(), 16u);
    EXPECT_EQ(area.height(),
              std::max<int>(1, static_cast<int>(dialog.Lines().size())) * dialog.LineHeight());
    for (const WrappedLine& line : dialog.Lines()) {
        EXPECT_LE(metrics.horizontalAdvance(line.text), area.width())
            << "line wider than the text area: " << line.text.toStdString();
    }
    for (int id : {kIdOk, kIdYes, kIdNo}) {
        QPushButton* button = Button(window, id);
        ASSERT_NE(button, nullptr);
        if (button->isHidden())
            continue;
        const QRect g = button->geometry();
        EXPECT_TRUE(client.contains(g)) << "button " << id << " leaves the dialog";
        EXPECT_FALSE(g.intersects(area)) << "button " << id << " over the text";
        EXPECT_FALSE(g.intersects(dialog.IconRect()));
        EXPECT_GE(g.width(), button->sizeHint().width()) << "label of " << id << " cut";
        EXPECT_GE(g.height(), button->sizeHint().height());
        const QFontMetrics buttonMetrics(button->font());
        EXPECT_LT(buttonMetrics.horizontalAdvance(button->text()), g.width());
    }
    for (const QRect& r : dialog.LinkRects())
        EXPECT_TRUE(area.contains(r));
}

// Only a click on the link opens it, with the language and the message's code, and
// never under the system account; the pointer shows where a click would open it.
TEST_F(MessageDialogTest, LinkClicksOpenOnlyWhatTheyMay) {
    ASSERT_EQ(ConfigWriteString("Links", "Error", kErrorLink), kConfigOk);
    struct Case {
        const char* what;
        std::string text;
        bool systemAccount;
        bool beside;           // click just below the link
        const char* language;  // configured before the box, nullptr: nothing
        const char* opened;    // nullptr: nothing
    };
    const Case cases[] = {
        {"beside", std::string("Bad content. (E37)\n\n") + kErrorLink, false, true, nullptr,
         nullptr},
        {"system account", std::string("x (E6)\n\n") + kErrorLink, true, false, nullptr, nullptr},
        {"no language", std::string("Note\n\n") + kErrorLink + ".", false, false, nullptr,
         "?language="},
        {"language and code", PrepareMessageText(GetText(2006), kErrorLink), false, false,
         "English", "?language=English&code=E6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        account_testing::SetSystemAccount(c.systemAccount);
        if (c.language != nullptr) {
            ASSERT_EQ(ConfigWriteString("Language", "Current", c.language), kConfigOk);
        }
        const size_t before = links.Opened().size();
        MessageDialog dialog(nullptr, "Error", c.text, kMbIconExclamation);
        const auto act = [&](QWidget* window) {
            ASSERT_EQ(dialog.LinkRects().size(), 1u);
            const QRect link = dialog.LinkRects()[0];
            HoverAndClick(
                dialog, window,
                QPoint(link.center().x(), c.beside ? link.bottom() + 4 : link.center().y()));
            // Away from the link the pointer is an arrow again; OK still ends the box.
            EXPECT_TRUE(MoveTo(dialog, window, QPoint(2, 2)));
            EXPECT_FALSE(dialog.IsHovering());
            EXPECT_NE(window->cursor().shape(), Qt::PointingHandCursor);
            QTest::mouseClick(Button(window, kIdOk), Qt::LeftButton);
        };
        const auto run = RunModal([&] { return dialog.DoModal(); }, act);
        ASSERT_TRUE(run.ok()) << run.error;
        EXPECT_FALSE(run.closedByDriver);
        EXPECT_EQ(run.result, 1);
        ASSERT_EQ(links.Opened().size(), before + (c.opened ? 1 : 0));
        if (c.opened) {
            EXPECT_EQ(links.Opened().back(), std::string(kErrorLink) + c.opened);
        }
    }
}

// Keys and buttons as a person uses them; 2 when the box is closed another way.
TEST_F(MessageDialogTest, ButtonsKeysAndCloseGiveTheirAnswer) {
    enum Action { kClickYes, kClickNo, kCloseBox, kEscape, kEnter };
    const struct {
        const char* what;
        bool question;  // else an error box with OK alone
        Action action;
        int expected;
    } cases[] = {
        {"Yes", true, kClickYes, 6},         {"No", true, kClickNo, 7},
        {"closed", true, kCloseBox, 2},      {"Escape", false, kEscape, 2},
        {"Enter: default", true, kEnter, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto run = RunModal(
            [&] { return c.question ? AskQuestion(nullptr, 2209) : ShowError(nullptr, 2010); },
            [&](QWidget* window) {
                EXPECT_EQ(Button(window, kIdOk)->isHidden(), c.question);
                if (c.question) {
                    EXPECT_EQ(Button(window, kIdYes)->text(), "&Yes");
                    EXPECT_EQ(Button(window, kIdNo)->text(), "&No");
                }
                if (c.action == kClickYes || c.action == kClickNo)
                    QTest::mouseClick(Button(window, c.action == kClickYes ? kIdYes : kIdNo),
                                      Qt::LeftButton);
                else if (c.action == kCloseBox)
                    window->close();
                else
                    QTest::keyClick(window, c.action == kEscape ? Qt::Key_Escape : Qt::Key_Return);
            });
        ASSERT_TRUE(run.ok()) << run.error;
        EXPECT_FALSE(run.closedByDriver);
        EXPECT_EQ(run.result, c.expected);
    }
}

TEST_F(MessageDialogTest, FallsBackToThePlatformBoxWhenTheTemplateCannotBeMade) {
    ASSERT_TRUE(HasDialogTemplate(kTemplateMessage));
    RegisterDialogTemplate(kTemplateMessage, [](QWidget*) { return false; });
    bool sawPlatformBox = false;
    const auto run = RunModal([] { return ShowError(nullptr, 2006); },
                              [&](QWidget* window) {
                                  auto* box = qobject_cast<QMessageBox*>(window);
                                  sawPlatformBox = box != nullptr;
                                  if (box != nullptr) {
                                      EXPECT_TRUE(box->text().startsWith("Password is incorrect."));
                                      box->button(QMessageBox::Ok)->click();
                                  }
                              });
    RegisterDialogTemplate(kTemplateMessage, &BuildMessageDialogTemplate);
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_TRUE(sawPlatformBox);
    EXPECT_EQ(run.result, 1);
}

class MessageDialogLayout : public MessageDialogTest {};

// Every kind of box as the program shows it: sound layout, and a picture.
TEST_F(MessageDialogLayout, BoxesLookRightAndArePictured) {
    ASSERT_EQ(ConfigWriteString("Links", "Error", kErrorLink), kConfigOk);
    const std::pair<const char*, int (*)()> cases[] = {
        {"message_error", [] { return MapPluginError(nullptr, 160); }},
        {"message_question", [] { return AskQuestion(nullptr, 2200); }},
        {"message_information", [] { return ShowInformation(nullptr, 2119); }},
    };
    for (const auto& [name, show] : cases) {
        SCOPED_TRACE(name);
        std::string picture;
        const auto run = RunModal(show, [&](QWidget* window) {
            auto* dialog = dynamic_cast<MessageDialog*>(FindDlg(window));
            ASSERT_NE(dialog, nullptr);
            ExpectSoundLayout(*dialog);
            window->repaint();
            picture = testing::SavePicture(window, name);
        });
        ASSERT_TRUE(run.ok()) << run.error;
        EXPECT_FALSE(picture.empty());
    }
}

// Texts short, long, of many lines or with one endless address all stay inside.
TEST_F(MessageDialogLayout, TextsOfAnyLengthStayInside) {
    std::string forty;
    const char* words[] = {"token", "certificate", "password",  "signature", "reader",
                           "the",   "a",           "directory", "encrypt",   "is"};
    for (int i = 0; i < 40; ++i)
        forty += std::string(i ? " " : "") + words[i % 10];
    std::string many;
    for (int i = 0; i < 30; ++i)
        many += "Line " + std::to_string(i) + "\n";
    many += "https://" + std::string(120, 'x') + ".example/path";
    const struct {
        const char* name;
        std::string text;
        int style;
        size_t lines;  // 0: more than two
        size_t linkParts;
    } cases[] = {
        {"message_short", "Ok.", kMbIconInformation, 1, 0},
        {"message_forty_words", forty, kMbIconInformation, 0, 0},
        {"message_many_lines", many, kMbIconStop, 16, 0},
        {"message_long_link", "short\n\nhttps://" + std::string(150, 'y'), kMbIconExclamation, 0,
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageDialog dialog(nullptr, "Message", c.text, c.style);
        const auto check = [&](QWidget* window) {
            const size_t lines = dialog.Lines().size();
            EXPECT_TRUE(c.lines == 0 ? lines > 2 : lines == c.lines) << lines;
            if (c.lines == 1) {
                EXPECT_EQ(dialog.TextArea().width(), 200);  // the minimum
            }
            EXPECT_GE(dialog.LinkRects().size(), c.linkParts);
            ExpectSoundLayout(dialog);
            testing::SavePicture(window, c.name);
        };
        const auto run = RunModal([&] { return dialog.DoModal(); }, check);
        ASSERT_TRUE(run.ok()) << run.error;
    }
}

}  // namespace
}  // namespace orx
