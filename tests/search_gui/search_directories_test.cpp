// The directory list: adding, editing and deleting directories through the
// property dialog and the module's configuration, and what the dialog keeps
// across runs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTabWidget>

#include "core/config_file.h"
#include "search/search_dialog_ids.h"
#include "search_dialog_fixture.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using testing::SearchDialogTest;

class SearchDirectories : public SearchDialogTest {
  protected:
    QComboBox* List() const { return ItemAs<QComboBox>(kIdDirectoryList); }

    std::vector<std::string> Descriptions() const {
        std::vector<std::string> texts;
        for (int i = 0; i < List()->count(); ++i)
            texts.push_back(ToUtf8(List()->itemText(i)));
        return texts;
    }

    std::string Stored(int number) const {
        std::string value;
        ConfigReadString("Directory", std::to_string(number), value, 512);
        return value;
    }

    struct Fields {
        const char* description;
        const char* url;
        const char* base;
        const char* filter;
    };

    // Presses `button` and fills in the property dialog it opens; nullptr fields
    // are left as they are. `ok` false cancels instead.
    ui_testing::ModalRun FillProperties(int button, const Fields& fields, bool ok = true,
                                        std::string* title = nullptr) {
        return ui_testing::RunModal(
            [&] {
                Click(button);
                return 0;
            },
            [&](QWidget* window) {
                if (title != nullptr)
                    *title = ToUtf8(window->windowTitle());
                auto* okButton = FindItem(window, kIdOk);
                const std::pair<int, const char*> edits[] = {
                    {kIdDescriptionEdit, fields.description},
                    {kIdUrlEdit, fields.url},
                    {kIdBaseEdit, fields.base},
                    {kIdRecordFilterEdit, fields.filter}};
                for (const auto& [id, text] : edits) {
                    if (text == nullptr)
                        continue;
                    auto* edit = FindItemAs<QLineEdit>(window, id);
                    edit->selectAll();
                    QTest::keyClick(edit, Qt::Key_Delete);
                    // OK waits for a description and a directory.
                    if (id == kIdDescriptionEdit || id == kIdUrlEdit) {
                        EXPECT_FALSE(okButton->isEnabled());
                    }
                    QTest::keyClicks(edit, QString::fromUtf8(text));
                }
                QTest::mouseClick(FindItemAs<QAbstractButton>(window, ok ? kIdOk : kIdCancel),
                                  Qt::LeftButton);
            });
    }
};

TEST_F(SearchDirectories, WithoutADirectorySearchSaysSoAndShowsTheDirectoryTab) {
    Open();
    EXPECT_EQ(List()->count(), 0);
    EXPECT_EQ(ItemAs<QTabWidget>(kIdSearchTabs)->currentIndex(), 0);
    Type(kIdNameEdit, "Jane");
    Click(kIdOk);
    EXPECT_FALSE(dialog_->Searching());
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text.rfind(
                  "No directory configured, add a directory and try again. (E34)", 0),
              0u)
        << messages_.Messages()[0].text;
    EXPECT_EQ(ItemAs<QTabWidget>(kIdSearchTabs)->currentIndex(), 1);
}

TEST_F(SearchDirectories, AddedDirectoryGetsTheSchemeAndTheFirstFreeNumber) {
    Open();
    ItemAs<QTabWidget>(kIdSearchTabs)->setCurrentIndex(1);
    std::string title;
    const auto run = FillProperties(
        kIdAddDirectory, {"Example", "ldap.example.org:3268", "dc=example,dc=org", "(cn=*)"}, true,
        &title);
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_FALSE(run.closedByDriver);
    EXPECT_EQ(title, "Add - Orvex");
    EXPECT_EQ(Stored(1), "Example|ldap://ldap.example.org:3268|dc=example,dc=org|(cn=*)");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Example"});
    EXPECT_EQ(List()->currentIndex(), 0);
    // The directory's filter becomes the advanced filter.
    EXPECT_EQ(ToUtf8(ItemAs<QLineEdit>(kIdFilterEdit)->text()), "(cn=*)");
    // A URL with a scheme is kept as typed.
    ASSERT_TRUE(
        FillProperties(kIdAddDirectory, {"Another", "ldap://other.example.org", "", ""}).ok());
    EXPECT_EQ(Stored(2), "Another|ldap://other.example.org||");
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Another", "Example"}));
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SearchDirectories, EditChangesTheRecordUnderItsNumber) {
    UseDirectory("ldap://a.example.org", "dc=a", "(cn=a)", 3, "Alpha");
    Open();
    ASSERT_EQ(Descriptions(), std::vector<std::string>{"Alpha"});
    std::string title;
    // Fields left alone keep what the record held.
    ASSERT_TRUE(
        FillProperties(kIdEditDirectory, {"Renamed", nullptr, nullptr, "(cn=b)"}, true, &title)
            .ok());
    EXPECT_EQ(title, "Edit - Orvex");
    EXPECT_EQ(Stored(3), "Renamed|ldap://a.example.org|dc=a|(cn=b)");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Renamed"});
    // Cancel changes nothing.
    ASSERT_TRUE(
        FillProperties(kIdEditDirectory, {"Dropped", nullptr, nullptr, nullptr}, false).ok());
    EXPECT_EQ(Stored(3), "Renamed|ldap://a.example.org|dc=a|(cn=b)");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Renamed"});
}

TEST_F(SearchDirectories, DeleteFreesTheNumberForTheNextDirectory) {
    UseDirectory("ldap://a", "", "", 1, "Alpha");
    UseDirectory("ldap://b", "", "", 2, "Bravo");
    Open();
    ASSERT_EQ(Descriptions(), (std::vector<std::string>{"Alpha", "Bravo"}));
    List()->setCurrentIndex(0);
    Click(kIdDeleteDirectory);
    EXPECT_EQ(Stored(1), "");
    EXPECT_EQ(Stored(2), "Bravo|ldap://b||");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Bravo"});
    ASSERT_TRUE(FillProperties(kIdAddDirectory, {"Charlie", "c.example.org", "", ""}).ok());
    EXPECT_EQ(Stored(1), "Charlie|ldap://c.example.org||");
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Bravo", "Charlie"}));
    // Nothing left to delete: the list is empty and Delete says it failed.
    Click(kIdDeleteDirectory);
    Click(kIdDeleteDirectory);
    EXPECT_EQ(List()->count(), 0);
    Click(kIdDeleteDirectory);
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_NE(messages_.Messages()[0].text.find("(E46)"), std::string::npos)
        << messages_.Messages()[0].text;
}

TEST_F(SearchDirectories, AConfigurationThatCannotBeWrittenIsReported) {
    Open();
    // The per-user file's folder is a regular file: nothing can be stored there.
    testing::WriteFile(env_ / "blocked", "");
    testing::ScopedEnv blocked("configorx", (env_ / "blocked/user.cfg").c_str());
    ASSERT_TRUE(FillProperties(kIdAddDirectory, {"Example", "ldap.example.org", "", ""}).ok());
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text.rfind("Failed to modify the configuration for "
                                                 "directories",
                                                 0),
              0u);
    EXPECT_EQ(List()->count(), 0);
}

TEST_F(SearchDirectories, TheSelectedDirectoryAndColumnWidthsAreKeptAcrossRuns) {
    UseDirectory("ldap://z", "", "", 1, "Zulu");
    UseDirectory("ldap://a", "", "", 2, "Alpha");
    Open();
    // A sorted list: the stored order is not the shown one.
    ASSERT_EQ(Descriptions(), (std::vector<std::string>{"Alpha", "Zulu"}));
    List()->setCurrentIndex(1);
    QHeaderView* header = dialog_->Results()->header();
    EXPECT_EQ(header->sectionSize(0), 140);
    EXPECT_EQ(header->sectionSize(2), 75);
    header->resizeSection(0, 200);
    header->resizeSection(2, 90);
    ASSERT_TRUE(Close());
    int32_t value = 0;
    EXPECT_EQ(ConfigReadInt("Directory", "Last", value), kConfigOk);
    EXPECT_EQ(value, 1);

    Open();
    EXPECT_EQ(List()->currentIndex(), 1);
    header = dialog_->Results()->header();
    EXPECT_EQ(header->sectionSize(0), 200);
    EXPECT_EQ(header->sectionSize(1), 220);
    EXPECT_EQ(header->sectionSize(2), 90);
    // "Last" is the section's setting, never a directory of its own.
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Alpha", "Zulu"}));
}

}  // namespace
}  // namespace orx
