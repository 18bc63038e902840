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
#include "dialogs/account_seam.h"
#include "dialogs/link_opener.h"
#include "dialogs/message_box.h"
#include "dialogs/plugin_error.h"
#include "ui/dialog_templates.h"
#include "ui/item_registry.h"
#include "ui/testing/modal_driver.h"
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

TEST_F(MessageDialogTest, ErrorLinkOpensHelpPageWithLanguageAndCode) {
    ASSERT_EQ(ConfigWriteString("Links", "Error", kErrorLink), kConfigOk);
    ASSERT_EQ(ConfigWriteString("Language", "Current", "English"), kConfigOk);
    const std::string text = PrepareMessageText(GetText(2006), kErrorLink);
    MessageDialog dialog(nullptr, GetTitleText(1005), text, kMbIconExclamation);
    std::string picture;
    const auto run = RunModal([&] { return dialog.DoModal(); },
                              [&](QWidget* window) {
                                  ASSERT_EQ(dialog.LinkRects().size(), 1u);
                                  ExpectSoundLayout(dialog);
                                  EXPECT_EQ(window->windowTitle().toStdString(), "Error - Orvex");
                                  const QPoint onLink = dialog.LinkRects()[0].center();
                                  EXPECT_TRUE(MoveTo(dialog, window, QPoint(2, 2)));
                                  EXPECT_FALSE(dialog.IsHovering());
                                  EXPECT_TRUE(MoveTo(dialog, window, onLink));
                                  EXPECT_TRUE(dialog.IsHovering());
                                  EXPECT_EQ(window->cursor().shape(), Qt::PointingHandCursor);
                                  window->repaint();
                                  picture = testing::SavePicture(window, "message_error_link");
                                  QTest::mouseClick(window, Qt::LeftButton, {}, onLink);
                                  EXPECT_TRUE(MoveTo(dialog, window, QPoint(2, 2)));
                                  EXPECT_FALSE(dialog.IsHovering());
                                  EXPECT_NE(window->cursor().shape(), Qt::PointingHandCursor);
                                  QTest::mouseClick(Button(window, kIdOk), Qt::LeftButton);
                              });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_FALSE(run.closedByDriver);
    EXPECT_EQ(run.result, 1);
    EXPECT_FALSE(picture.empty());
    EXPECT_EQ(dialog.Link(), kErrorLink);
    ASSERT_EQ(links.Opened().size(), 1u);
    EXPECT_EQ(links.Opened()[0], std::string(kErrorLink) + "?language=English&code=E6");
}

TEST_F(MessageDialogTest, LinkClicksOpenOnlyWhatTheyMay) {
    struct Case {
        const char* what;
        std::string text;
        bool systemAccount;
        bool beside;         // click just below the link
        const char* opened;  // nullptr: nothing
    };
    const Case cases[] = {
        {"beside", std::string("Bad content. (E37)\n\n") + kErrorLink, false, true, nullptr},
        {"system account", std::string("x (E6)\n\n") + kErrorLink, true, false, nullptr},
        {"no language", std::string("Note\n\n") + kErrorLink + ".", false, false, "?language="},
    };
    for (const Case& c : cases) {
        account_testing::SetSystemAccount(c.systemAccount);
        const size_t before = links.Opened().size();
        MessageDialog dialog(nullptr, "Error", c.text, kMbIconExclamation);
        const auto run =
            RunModal([&] { return dialog.DoModal(); },
                     [&](QWidget* window) {
                         ASSERT_EQ(dialog.LinkRects().size(), 1u);
                         const QRect link = dialog.LinkRects()[0];
                         const QPoint point(link.center().x(),
                                            c.beside ? link.bottom() + 4 : link.center().y());
                         HoverAndClick(dialog, window, point);
                     });
        ASSERT_TRUE(run.ok()) << c.what << ": " << run.error;
        ASSERT_EQ(links.Opened().size(), before + (c.opened ? 1 : 0)) << c.what;
        if (c.opened) {
            EXPECT_EQ(links.Opened().back(), std::string(kErrorLink) + c.opened) << c.what;
        }
    }
}

struct QuestionCase {
    int button;  // 0: closed by the window manager
    int expected;
};

TEST_F(MessageDialogTest, QuestionReturnsYesNoOrClosed) {
    for (const QuestionCase c :
         {QuestionCase{kIdYes, 6}, QuestionCase{kIdNo, 7}, QuestionCase{0, 2}}) {
        const auto run =
            RunModal([] { return AskQuestion(nullptr, 2209); },
                     [&](QWidget* window) {
                         EXPECT_TRUE(Button(window, kIdOk)->isHidden());
                         EXPECT_EQ(Button(window, kIdYes)->text(), "&Yes");
                         EXPECT_EQ(Button(window, kIdNo)->text(), "&No");
                         if (c.button != 0) {
                             QTest::mouseClick(Button(window, c.button), Qt::LeftButton);
                         } else {
                             window->close();
                         }
                     });
        ASSERT_TRUE(run.ok()) << run.error;
        EXPECT_FALSE(run.closedByDriver);
        EXPECT_EQ(run.result, c.expected) << c.button;
    }
}

TEST_F(MessageDialogTest, EscapeClosesWithTwo) {
    const auto run = RunModal([] { return ShowError(nullptr, 2010); },
                              [](QWidget* window) { QTest::keyClick(window, Qt::Key_Escape); });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(run.result, 2);
}

TEST_F(MessageDialogTest, EnterPressesTheDefaultButton) {
    const auto run = RunModal([] { return AskQuestion(nullptr, 2209); },
                              [](QWidget* window) { QTest::keyClick(window, Qt::Key_Return); });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(run.result, 6);
}

TEST_F(MessageDialogTest, SingleBreaksJoinDoubleBreaksSplit) {
    const std::string shown = PrepareMessageText(GetText(2200), "");
    MessageDialog dialog(nullptr, "Question", shown, kMbIconQuestion | kMbYesNo);
    const auto run = RunModal([&] { return dialog.DoModal(); },
                              [&](QWidget*) {
                                  const auto& lines = dialog.Lines();
                                  // One empty line: the single paragraph break.
                                  int empty = 0;
                                  size_t lastEmpty = 0;
                                  for (size_t i = 0; i < lines.size(); ++i) {
                                      if (lines[i].text.isEmpty()) {
                                          ++empty;
                                          lastEmpty = i;
                                      }
                                  }
                                  EXPECT_EQ(empty, 1);
                                  ASSERT_EQ(lastEmpty + 2, lines.size());
                                  EXPECT_EQ(lines.back().text, "Would you like to continue?");
                                  // The first paragraph fills its lines: the former line
                                  // break after "messages" is a blank inside a line.
                                  QString first;
                                  for (size_t i = 0; i < lastEmpty; ++i) {
                                      first += lines[i].text + " ";
                                  }
                                  EXPECT_TRUE(first.contains("decrypt messages encrypted"));
                                  ExpectSoundLayout(dialog);
                              });
    ASSERT_TRUE(run.ok()) << run.error;
}

TEST_F(MessageDialogTest, FallsBackToThePlatformBoxWithoutTemplate) {
    const TemplateBuilder builder = template_testing::Unregister(kTemplateMessage);
    ASSERT_NE(builder, nullptr);
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
    RegisterDialogTemplate(kTemplateMessage, builder);
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_TRUE(sawPlatformBox);
    EXPECT_EQ(run.result, 1);
}

class MessageDialogLayout : public MessageDialogTest {};

std::string FortyWords() {
    std::string text;
    const char* words[] = {"token", "certificate", "password",  "signature", "reader",
                           "the",   "a",           "directory", "encrypt",   "is"};
    for (int i = 0; i < 40; ++i) {
        if (i)
            text += ' ';
        text += words[i % 10];
    }
    return text;
}

TEST_F(MessageDialogLayout, FortyWordsWrapInsideTheTextArea) {
    MessageDialog dialog(nullptr, "Message", FortyWords(), kMbIconInformation);
    const auto run = RunModal([&] { return dialog.DoModal(); },
                              [&](QWidget*) {
                                  EXPECT_GT(dialog.Lines().size(), 2u);
                                  ExpectSoundLayout(dialog);
                                  QString joined;
                                  for (const auto& l : dialog.Lines())
                                      joined += l.text + " ";
                                  EXPECT_EQ(joined.trimmed().toStdString(), FortyWords());
                              });
    ASSERT_TRUE(run.ok()) << run.error;
}

struct PictureCase {
    const char* name;
    int kind;  // 0 error with link, 1 question, 2 information
};

TEST_F(MessageDialogLayout, BoxesLookRightAndArePictured) {
    ASSERT_EQ(ConfigWriteString("Links", "Error", kErrorLink), kConfigOk);
    for (const PictureCase c : {PictureCase{"message_error", 0}, PictureCase{"message_question", 1},
                                PictureCase{"message_information", 2}}) {
        std::string picture;
        const auto run = RunModal(
            [&] {
                switch (c.kind) {
                    case 0:
                        return MapPluginError(nullptr, 160);
                    case 1:
                        return AskQuestion(nullptr, 2200);
                    default:
                        return ShowInformation(nullptr, 2119);
                }
            },
            [&](QWidget* window) {
                window->repaint();
                picture = testing::SavePicture(window, c.name);
                EXPECT_GE(window->width(), 200);
                for (int id : {kIdOk, kIdYes, kIdNo}) {
                    QPushButton* b = Button(window, id);
                    if (b->isHidden())
                        continue;
                    EXPECT_TRUE(window->rect().contains(b->geometry())) << c.name;
                    EXPECT_GE(b->width(), b->sizeHint().width()) << c.name;
                }
            });
        ASSERT_TRUE(run.ok()) << c.name << ": " << run.error;
        EXPECT_FALSE(picture.empty()) << c.name;
    }
}

TEST_F(MessageDialogLayout, LongLinkAndManyLinesStayInside) {
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "Line " + std::to_string(i) + "\n";
    text += "https://" + std::string(120, 'x') + ".example/path";
    MessageDialog dialog(nullptr, "Message", text, kMbIconStop);
    const auto run = RunModal([&] { return dialog.DoModal(); },
                              [&](QWidget* window) {
                                  EXPECT_EQ(dialog.Lines().size(), 16u);
                                  ExpectSoundLayout(dialog);
                                  testing::SavePicture(window, "message_many_lines");
                              });
    ASSERT_TRUE(run.ok()) << run.error;

    MessageDialog wide(nullptr, "Message", "short\n\nhttps://" + std::string(150, 'y'),
                       kMbIconExclamation);
    const auto run2 = RunModal([&] { return wide.DoModal(); },
                               [&](QWidget* window) {
                                   EXPECT_GE(wide.LinkRects().size(), 2u);
                                   ExpectSoundLayout(wide);
                                   testing::SavePicture(window, "message_long_link");
                               });
    ASSERT_TRUE(run2.ok()) << run2.error;
}

TEST_F(MessageDialogLayout, ShortTextGetsTheMinimumWidth) {
    MessageDialog dialog(nullptr, "Message", "Ok.", kMbIconInformation);
    const auto run = RunModal([&] { return dialog.DoModal(); },
                              [&](QWidget*) {
                                  EXPECT_EQ(dialog.TextArea().width(), 200);
                                  EXPECT_EQ(dialog.Lines().size(), 1u);
                                  ExpectSoundLayout(dialog);
                              });
    ASSERT_TRUE(run.ok()) << run.error;
}

}  // namespace
}  // namespace orx
