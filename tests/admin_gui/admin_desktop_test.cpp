// What a desktop user meets beside the window's contents: icons from the icon
// theme or sharp ones of the program's own at any scale, message boxes centred on
// their owner, Qt's own texts in the chosen language, the file dialog's columns and
// filter whole, readable light and dark palettes, and every command by keyboard.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "admin/admin_commands.h"
#include "admin_fixture.h"
#include "core/config_file.h"
#include "core/language.h"
#include "dialogs/message_dialog.h"
#include "dialogs/message_style.h"
#include "ui/file_dialog.h"
#include "support/gui/file_dialog_answers.h"
#include "ui/icons.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"
#include "ui/qt_translations.h"
#include "support/gui/modal_driver.h"
#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

using testing::AdminWindowTest;
using testing::WithPopup;
using ui_testing::RunModal;
using Texts = std::vector<std::string>;

// A theme of the test's own folder, so that no icon depends on the machine's themes.
class ScopedIconTheme {
  public:
    ScopedIconTheme(const std::string& folder, const std::string& name)
        : paths_(QIcon::themeSearchPaths()), name_(QIcon::themeName()) {
        QIcon::setThemeSearchPaths({ToQString(folder)});
        QIcon::setThemeName(ToQString(name));
    }
    ~ScopedIconTheme() {
        QIcon::setThemeSearchPaths(paths_);
        QIcon::setThemeName(name_);
    }

  private:
    QStringList paths_;
    QString name_;
};

// A theme with a red scalable "dialog-warning" and a 24-pixel "dialog-error" only.
void WriteTheme(const std::string& root, const std::string& name) {
    const std::string theme = root + "/" + name;
    ASSERT_TRUE(testing::MakePath(theme + "/scalable/status"));
    ASSERT_TRUE(testing::MakePath(theme + "/24x24/status"));
    testing::WriteFile(theme + "/index.theme",
                       "[Icon Theme]\nName=" + name +
                           "\nDirectories=scalable/status,24x24/status\n\n[scalable/status]\n"
                           "Size=32\nMinSize=8\nMaxSize=512\nType=Scalable\n\n"
                           "[24x24/status]\nSize=24\nType=Fixed\n");
    testing::WriteFile(theme + "/scalable/status/dialog-warning.svg",
                       "<svg xmlns='http://www.w3.org/2000/svg' width='32' height='32'>"
                       "<rect width='32' height='32' fill='#ff0000'/></svg>");
    QImage small(24, 24, QImage::Format_ARGB32);
    small.fill(QColor(0, 0, 255));
    ASSERT_TRUE(small.save(ToQString(theme + "/24x24/status/dialog-error.png")));
}

QColor Middle(const QIcon& icon) {
    return icon.pixmap(QSize(32, 32), 1.0).toImage().pixelColor(16, 16);
}

TEST(AdminDesktopIcons, MessageIconsFromTheThemeWhenItHasThemSharp) {
    testing::IsolatedEnvironment env;
    WriteTheme(env / "icons", "orx-test");
    ScopedIconTheme theme(env / "icons", "orx-test");
    // Scalable in the theme: the theme's.
    EXPECT_EQ(Middle(LoadMessageIcon(MessageIconKind::Warning)), QColor(255, 0, 0));
    // At 24 pixels only it would blur at 200 %: the program's own.
    const QIcon error = LoadMessageIcon(MessageIconKind::Error);
    EXPECT_NE(Middle(error), QColor(0, 0, 255));
    EXPECT_TRUE(IsSharpAtDoubleScale(error, kLargeIconSize));
    // Not in the theme at all: the program's own.
    for (MessageIconKind kind : {MessageIconKind::Information, MessageIconKind::Question}) {
        const QIcon icon = LoadMessageIcon(kind);
        EXPECT_TRUE(IsSharpAtDoubleScale(icon, kLargeIconSize));
        EXPECT_GT(Middle(icon).alpha(), 0);
    }
}

class AdminDesktopWindowTest : public AdminWindowTest {
  protected:
    void OpenWithToken() {
        AnswerList("SlotCard", {"1;Reader A;Card", "2;Reader A;Card", "3;Reader A;Card"});
        AnswerList("SlotSoft", {"100;Alice;alice"});
        AnswerList("Token", {"1;Card (Auth)", "100;Alice"});
        fake_.AnswerGet("TokenInfo", "100;Alice;0A1B 2C3D;Valdoran;Soft Token");
        fake_.AnswerEnum("CertificateEx", 0,
                         "100;Alice;00;Alice Example;2.5.4.3=Example CA;0A;2025-01-01;2027-01-31;"
                         "160;0;MIIB");
        Open();
        frame_->List()->SelectSlot(100);
    }
};

// Every icon the window shows can be drawn at 200 % from a picture of at least
// 64 pixels or a scalable one; at 200 % the pictures drawn are that sharp.
TEST_F(AdminDesktopWindowTest, AdminDesktopNoIconIsBlownUp) {
    // A theme without any of the icons: the program's own are checked.
    ScopedIconTheme theme(env_ / "no-icons", "orx-none");
    OpenWithToken();
    const qreal ratio = frame_->devicePixelRatioF();
    std::vector<std::pair<std::string, QIcon>> icons = {
        {"window", frame_->windowIcon()},
        {"product", GetProductIcon(false)},
        {"product small", GetProductIcon(true)},
    };
    for (int row = 0; row < frame_->List()->count(); ++row)
        icons.emplace_back("slot " + std::to_string(row), frame_->List()->item(row)->icon());
    for (int i = 0; i < frame_->View()->SmallIcons().size(); ++i)
        icons.emplace_back("small " + std::to_string(i), frame_->View()->SmallIcons()[i]);
    for (MessageIconKind kind : {MessageIconKind::Information, MessageIconKind::Question,
                                 MessageIconKind::Warning, MessageIconKind::Error})
        icons.emplace_back("message", LoadMessageIcon(kind));
    icons.emplace_back("valid signature", LoadIcon(kIconValidSignature));
    for (const auto& [name, icon] : icons) {
        EXPECT_TRUE(IsSharpAtDoubleScale(icon, kLargeIconSize)) << name;
        const QPixmap drawn = icon.pixmap(QSize(kLargeIconSize, kLargeIconSize), ratio);
        EXPECT_GE(drawn.width(), static_cast<int>(kLargeIconSize * ratio)) << name;
    }
    EXPECT_EQ(frame_->List()->iconSize(), QSize(kLargeIconSize, kLargeIconSize));
}

TEST_F(AdminDesktopWindowTest, AdminDesktopMessagesCentredOnTheirOwner) {
    Open();
    frame_->move(300, 200);
    const QRect owner = frame_->frameGeometry();
    for (int style : {kMbIconExclamation | kMbOk, kMbIconQuestion | kMbYesNo}) {
        MessageDialog dialog(frame_->View(), "Caption", "A message for the owner.", style);
        QRect shown;
        const auto run = RunModal([&] { return dialog.DoModal(); },
                                  [&](QWidget* window) { shown = window->frameGeometry(); });
        ASSERT_TRUE(run.ok()) << run.error;
        EXPECT_LE(std::abs(shown.center().x() - owner.center().x()), 2) << style;
        EXPECT_LE(std::abs(shown.center().y() - owner.center().y()), 2) << style;
    }
}

TEST(AdminDesktopLanguage, QtTextsInEveryLanguageOfTheTables) {
    for (int language : {1030, 1031, 1035, 1036, 1045, 1050, 1053, 1055, 2068, 2070}) {
        EXPECT_FALSE(QtLanguageCodes(language).empty()) << language;
        EXPECT_TRUE(InstallQtTranslations(language)) << language;
        QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::Cancel);
        EXPECT_NE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("&Cancel"))
            << language;
    }
    ASSERT_TRUE(InstallQtTranslations(1031));
    QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::No);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Ja"));
    EXPECT_TRUE(InstallQtTranslations(kLanguageEnglish));
    QDialogButtonBox english(QDialogButtonBox::Yes);
    EXPECT_EQ(english.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Yes"));
}

// The Qt dialog, as tests drive it: every column heading and the filter's name whole.
TEST(AdminDesktopFileDialog, ColumnsAndFilterShowWhole) {
    testing::IsolatedEnvironment env;
    testing::WriteFile(env / "home/alice.cer", "x");
    file_dialog_testing::SetKeepQtDialog(true);
    for (const char* language : {"English", "Deutsch"}) {
        ASSERT_TRUE(SelectLanguage(language));
        InstallQtTranslations(GetCurrentLanguageId());
        std::string chosen = "alice.cer";
        const auto run = RunModal(
            [&] { return FileDialog(nullptr, "AddCert", true, GetText(1506), "cer", chosen); },
            [&](QWidget* window) {
                auto* details = window->findChild<QTreeView*>(QStringLiteral("treeView"));
                auto* types = window->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                ASSERT_NE(details, nullptr);
                ASSERT_NE(types, nullptr);
                EXPECT_TRUE(details->isVisible()) << language;
                // The folder's one file, once it is listed.
                ASSERT_TRUE(ui_testing::WaitFor([&] {
                    const QModelIndex root = details->rootIndex();
                    return details->model()->rowCount(root) == 1 && details->columnWidth(1) > 0;
                }));
                ui_testing::WaitFor([] { return false; }, 200);  // the columns follow the files
                QHeaderView* header = details->header();
                const QModelIndex file = details->model()->index(0, 0, details->rootIndex());
                for (int s = 0; s < header->count(); ++s) {
                    if (header->isSectionHidden(s))
                        continue;
                    EXPECT_GE(header->sectionSize(s), header->sectionSizeHint(s))
                        << language << " column " << s;
                    const QString cell = file.siblingAtColumn(s).data().toString();
                    EXPECT_GT(header->sectionSize(s),
                              details->fontMetrics().horizontalAdvance(cell))
                        << language << " " << ToUtf8(cell);
                    EXPECT_LE(header->sectionViewportPosition(s) + header->sectionSize(s),
                              details->viewport()->width())
                        << language << " column " << s << " off the view";
                }
                EXPECT_GE(types->width(), types->sizeHint().width()) << language;
                EXPECT_NE(types->currentText().indexOf(QStringLiteral("*.pfx")), -1);
                testing::SavePicture(window, std::string("file_dialog_") + language);
            });
        EXPECT_TRUE(run.ok()) << run.error;
    }
    file_dialog_testing::SetKeepQtDialog(false);
    SelectLanguage("English");
    InstallQtTranslations(kLanguageEnglish);

    // Left alone, the desktop's own dialog is asked for (this platform has none, so
    // Qt's shows all the same).
    std::string chosen;
    bool nativeOff = true;
    const auto run = RunModal([&] { return FileDialog(nullptr, "", true, "Any", "", chosen); },
                              [&](QWidget* window) {
                                  nativeOff = qobject_cast<QFileDialog*>(window)->testOption(
                                      QFileDialog::DontUseNativeDialog);
                              });
    EXPECT_TRUE(run.ok()) << run.error;
    EXPECT_FALSE(nativeOff);
}

// Relative luminance contrast of two colours (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

TEST_F(AdminDesktopWindowTest, AdminDesktopLightAndDarkPalettes) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x62, 0xb0));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    OpenWithToken();
    for (const auto& [name, palette] : {std::pair{"light", light}, std::pair{"dark", dark}}) {
        QApplication::setPalette(palette);
        QApplication::processEvents();
        COwnerDrawList* content = frame_->View()->ContentList();
        for (QWidget* widget :
             {static_cast<QWidget*>(frame_->View()->Form()), static_cast<QWidget*>(frame_->List()),
              static_cast<QWidget*>(content)}) {
            EXPECT_EQ(widget->palette().color(QPalette::Base), palette.color(QPalette::Base))
                << name;
            EXPECT_GE(Contrast(widget->palette().color(QPalette::WindowText),
                               widget->palette().color(QPalette::Window)),
                      4.5)
                << name;
        }
        // What is painted follows the palette: the list's empty part is its base.
        const QImage picture = content->viewport()->grab().toImage();
        EXPECT_EQ(picture.pixelColor(picture.width() - 2, picture.height() - 2),
                  palette.color(QPalette::Base))
            << name;
        testing::SavePicture(frame_.get(), std::string("admin_token_") + name);
    }
    QApplication::setPalette(light);
}

TEST_F(AdminDesktopWindowTest, AdminDesktopEveryCommandByKeyboard) {
    OpenWithToken();
    frame_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
    testing::RecordingView* view = frame_->Recorder();

    // Tab goes from the slot list into the view and round again.
    frame_->List()->setFocus();
    std::vector<QWidget*> visited;
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    EXPECT_NE(std::find(visited.begin(), visited.end(), view->ContentList()), visited.end());
    EXPECT_NE(std::find(visited.begin(), visited.end(), frame_->List()), visited.end());

    // Every top-level menu has its mnemonic, and Alt with it opens the menu.
    Texts captions;
    for (QAction* action : frame_->menuBar()->actions())
        captions.push_back(ToUtf8(action->text()));
    EXPECT_EQ(captions, (Texts{"&File", "&Action", "&Help"}));
    EXPECT_EQ(WithPopup([&] { QTest::keyClick(frame_.get(), Qt::Key_A, Qt::AltModifier); }).front(),
              "&Change password");

    // Accelerators: Insert and Delete act on the view's tab, Ctrl+C copies; in the
    // slot list Delete deletes the soft token.
    view->ContentList()->setFocus();
    view->commands.clear();
    for (Qt::Key key : {Qt::Key_Insert, Qt::Key_Delete})
        QTest::keyClick(view->ContentList(), key);
    QTest::keyClick(view->ContentList(), Qt::Key_C, Qt::ControlModifier);
    frame_->List()->setFocus();
    QTest::keyClick(frame_->List(), Qt::Key_Delete);
    EXPECT_EQ(view->commands,
              (Texts{"add certificate", "delete certificate", "copy", "delete token"}));
    fake_.ClearCalls();
    QTest::keyClick(frame_.get(), Qt::Key_F5);
    EXPECT_EQ(Calls("PlgInvoke\tRefresh").size(), 1u);

    // The context menus open on Shift+F10 and the Menu key, in both panes.
    frame_->List()->SelectSlot(100);
    for (QWidget* pane :
         {static_cast<QWidget*>(frame_->List()), static_cast<QWidget*>(view->ContentList())}) {
        pane->setFocus();
        EXPECT_FALSE(
            WithPopup([&] { QTest::keyClick(pane, Qt::Key_F10, Qt::ShiftModifier); }).empty());
        EXPECT_FALSE(WithPopup([&] { QTest::keyClick(pane, Qt::Key_Menu); }).empty());
    }
}

}  // namespace
}  // namespace orx
