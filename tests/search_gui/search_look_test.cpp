// How the dialog looks: both tabs with results, in every language, at 100 % (and,
// run again with QT_SCALE_FACTOR=2, at 200 %), in a light and a dark theme.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPalette>
#include <QTabWidget>

#include "client_gui/layout_checks.h"
#include "core/language.h"
#include "search/search_dialog_ids.h"
#include "search_dialog_fixture.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"
#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

using testing::SearchDialogTest;

const std::string& LookBranch() {
    static const std::string base =
        testing::DirectoryBranch("look", {{"Anna Andersson", "anna.andersson@example.org"},
                                          {"J\xC3\xB6rg M\xC3\xBCller-L\xC3\xBC"
                                           "denscheid",
                                           "joerg.mueller-luedenscheid@example.org"},
                                          {"Zo\xC3\xAB Zimmermann", "zoe@example.org"}});
    return base;
}

class SearchDialogLook : public SearchDialogTest {
  protected:
    QTabWidget* Tabs() const { return ItemAs<QTabWidget>(kIdSearchTabs); }

    // Every label and button of both tabs fits, and nothing leaves the window.
    void ExpectBothTabsSound() {
        for (int tab : {0, 1}) {
            SCOPED_TRACE(tab);
            Tabs()->setCurrentIndex(tab);
            testing::ExpectSoundLayout(dialog_->Window());
        }
        Tabs()->setCurrentIndex(0);
    }
};

TEST_F(SearchDialogLook, BothTabsWithResults) {
    ASSERT_TRUE(testing::SharedSlapd().running());
    UseDirectory(testing::SharedSlapd().url(), LookBranch(), "", 1, "Example directory");
    UseDirectory("ldap://ldap.example.com", "o=Example", "", 2, "Second directory");
    Open();
    Type(kIdNameEdit, "e");
    ASSERT_TRUE(SearchAndWait());
    ASSERT_EQ(Rows().size(), 3u);
    EXPECT_EQ(Status(), "3 found");
    SelectRows({1});
    EXPECT_TRUE(Item(kIdInstall)->isEnabled());
    ExpectBothTabsSound();
    EXPECT_FALSE(testing::SavePicture(dialog_->Window(), "search_certificates_criteria").empty());
    Tabs()->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_FALSE(testing::SavePicture(dialog_->Window(), "search_certificates_directory").empty());
    // The window can be made small and large; the list takes what is left.
    QWidget* window = dialog_->Window();
    const int listHeight = dialog_->Results()->height();
    window->resize(window->width() + 200, window->height() + 200);
    QApplication::processEvents();
    EXPECT_GE(dialog_->Results()->height(), listHeight + 150);
    window->resize(10, 10);
    QApplication::processEvents();
    ExpectBothTabsSound();
}

TEST_F(SearchDialogLook, TheDirectoryPropertyDialog) {
    UseDirectory("ldap://ldap.example.com:389", "ou=People,o=Example", "(mail=*)", 1,
                 "Example directory");
    Open();
    Tabs()->setCurrentIndex(1);
    const auto run = ui_testing::RunModal(
        [&] {
            Click(kIdEditDirectory);
            return 0;
        },
        [&](QWidget* window) {
            testing::ExpectSoundLayout(window);
            EXPECT_FALSE(testing::SavePicture(window, "directory_property").empty());
            EXPECT_EQ(ToUtf8(FindItemAs<QLabel>(window, kIdUrlLabel)->text()), "&Directory:");
            QTest::keyClick(window, Qt::Key_Escape);
        });
    EXPECT_TRUE(run.ok()) << run.error;
}

TEST_F(SearchDialogLook, EveryLanguageFits) {
    UseDirectory("ldap://ldap.example.com", "o=Example", "", 1, "Example directory");
    std::string name;
    std::vector<std::string> languages;
    for (int index = 0; EnumLanguageName(name, 256, index);)
        languages.push_back(name);
    ASSERT_EQ(languages.size(), 11u);
    for (const std::string& language : languages) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(SelectLanguage(language));
        Open();
        EXPECT_EQ(ToUtf8(dialog_->Window()->windowTitle()), GetTitleText(kTextSearchCertificates));
        EXPECT_EQ(ToUtf8(Tabs()->tabText(1)), GetText(kTextDirectoryTab));
        ExpectBothTabsSound();
        ASSERT_TRUE(Close());
        dialog_.reset();
    }
}

TEST_F(SearchDialogLook, TabPagesFollowTheThemesBaseColour) {
    const QPalette original = QApplication::palette();
    UseDirectory("ldap://ldap.example.com", "o=Example");
    Open();
    QWidget* page = Item(kIdCriteriaPage);
    QWidget* label = Item(kIdNameLabel);
    QWidget* edit = Item(kIdNameEdit);
    QWidget* status = Item(kIdStatus);
    EXPECT_EQ(page->palette().color(QPalette::Window), original.color(QPalette::Base));
    EXPECT_EQ(label->palette().color(QPalette::Window), original.color(QPalette::Base));

    // A dark desktop theme: light text on dark faces everywhere.
    QPalette dark = original;
    const QColor light(0xEE, 0xEE, 0xEE);
    for (const auto& [role, color] : std::initializer_list<std::pair<QPalette::ColorRole, QColor>>{
             {QPalette::Window, QColor(0x30, 0x30, 0x30)},
             {QPalette::WindowText, light},
             {QPalette::Base, QColor(0x1E, 0x1E, 0x1E)},
             {QPalette::AlternateBase, QColor(0x28, 0x28, 0x28)},
             {QPalette::Text, light},
             {QPalette::Button, QColor(0x3A, 0x3A, 0x3A)},
             {QPalette::ButtonText, light},
             {QPalette::Light, QColor(0x50, 0x50, 0x50)},
             {QPalette::Midlight, QColor(0x44, 0x44, 0x44)},
             {QPalette::Mid, QColor(0x2A, 0x2A, 0x2A)},
             {QPalette::Dark, QColor(0x20, 0x20, 0x20)},
             {QPalette::Shadow, QColor(0x10, 0x10, 0x10)},
             {QPalette::Highlight, QColor(0x2A, 0x82, 0xDA)},
             {QPalette::HighlightedText, QColor(0xFF, 0xFF, 0xFF)},
             {QPalette::PlaceholderText, QColor(0x99, 0x99, 0x99)}}) {
        dark.setColor(QPalette::All, role, color);
    }
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x77, 0x77, 0x77));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x77, 0x77, 0x77));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x77, 0x77, 0x77));
    QApplication::setPalette(dark);
    QApplication::processEvents();
    EXPECT_EQ(page->palette().color(QPalette::Window), QColor(0x1E, 0x1E, 0x1E));
    EXPECT_EQ(Item(kIdDirectoryPage)->palette().color(QPalette::Window), QColor(0x1E, 0x1E, 0x1E));
    EXPECT_EQ(label->palette().color(QPalette::Window), QColor(0x1E, 0x1E, 0x1E));
    // The text stays readable on it, and controls off the page keep the dialog's.
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0xEE, 0xEE, 0xEE));
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(0x1E, 0x1E, 0x1E));
    EXPECT_EQ(status->palette().color(QPalette::Window), QColor(0x30, 0x30, 0x30));
    // Controls on the page let it show through instead of painting a face of their own.
    EXPECT_FALSE(Item(kIdSimple)->autoFillBackground());
    EXPECT_TRUE(page->autoFillBackground());
    EXPECT_FALSE(testing::SavePicture(dialog_->Window(), "search_certificates_dark").empty());
    QApplication::setPalette(original);
    QApplication::processEvents();
    EXPECT_EQ(page->palette().color(QPalette::Window), original.color(QPalette::Base));
}

TEST_F(SearchDialogLook, KeyboardReachesTheForm) {
    UseDirectory("ldap://ldap.example.com", "o=Example", "(cn=*)");
    Open();
    QWidget* window = dialog_->Window();
    // Mnemonics of the labels lead to their edits.
    QTest::keyClick(window, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), Item(kIdEmailEdit));
    QTest::keyClick(window, Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), Item(kIdNameEdit));
    // Ctrl+Tab turns the tabs.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Tabs()->currentIndex(), 1);
    // Every button can take the focus from the keyboard.
    for (int id : {kIdOk, kIdView, kIdInstall, kIdExport, kIdCancel, kIdAddDirectory,
                   kIdEditDirectory, kIdDeleteDirectory})
        EXPECT_TRUE(Item(id)->focusPolicy() & Qt::TabFocus) << id;
}

}  // namespace
}  // namespace orx
