#include "ui/file_dialog.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <string>

#include "core/config_file.h"
#include "support/test_environment.h"
#include "ui/testing/modal_driver.h"

namespace orx {
namespace {

using file_dialog_testing::Request;

TEST(FileDialogText, PatternFromTheFilterText) {
    const struct {
        const char* filter;
        const char* pattern;
    } cases[] = {
        {"Buisness card (*.vcf)", "*.vcf"},
        {"Soft Token (*.tkn;*.p12;*.pfx)", "*.tkn;*.p12;*.pfx"},
        {"All Files (*.*)", "*.*"},
        {"No parentheses", "*.*"},
        {"Two (a) groups (*.txt)", "*.txt"},
        {"Unclosed (*.der", "*.de"},  // the last character is taken for the ")"
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilterPattern(c.filter), c.pattern) << c.filter;
}

TEST(FileDialogText, DefaultExtension) {
    EXPECT_EQ(WithDefaultExtension("/home/u/card", "vcf"), "/home/u/card.vcf");
    EXPECT_EQ(WithDefaultExtension("/home/u/card.txt", "vcf"), "/home/u/card.txt");
    EXPECT_EQ(WithDefaultExtension("/home/u.d/card", "vcf"), "/home/u.d/card.vcf");
    EXPECT_EQ(WithDefaultExtension("card", "vcf"), "card");  // no folder: left alone
    EXPECT_EQ(WithDefaultExtension("/home/u/card", ""), "/home/u/card");
}

class FileDialogTest : public ::testing::Test {
  protected:
    testing::IsolatedEnvironment env;
    std::vector<Request> requests;
    void Answer(std::optional<std::string> answer) {
        file_dialog_testing::SetAnswerer([this, answer](const Request& r) {
            requests.push_back(r);
            return answer;
        });
    }
    void TearDown() override { file_dialog_testing::SetAnswerer(nullptr); }
};

TEST_F(FileDialogTest, KeepsTheLastFolderPerKey) {
    Answer(env / "cards/alice");
    std::string name = "alice";
    EXPECT_TRUE(FileDialog(nullptr, "SearchCert", false, "Buisness card (*.vcf)", "vcf", name));
    EXPECT_EQ(name, env / "cards/alice.vcf");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].open);
    EXPECT_EQ(requests[0].pattern, "*.vcf");
    EXPECT_EQ(requests[0].folder, env / "home");  // HOME before anything was kept
    std::string kept;
    ASSERT_EQ(ConfigReadString("Last Path", "SearchCert", kept), kConfigOk);
    EXPECT_EQ(kept, env / "cards");

    std::string next = "bob";
    FileDialog(nullptr, "SearchCert", false, "Buisness card (*.vcf)", "vcf", next);
    EXPECT_EQ(requests[1].folder, env / "cards");
    // Another key has its own folder; no key keeps nothing.
    std::string other = "x";
    FileDialog(nullptr, "FileOp", true, "All Files (*.*)", "", other);
    EXPECT_EQ(requests[2].folder, env / "home");
    std::string none = "y";
    FileDialog(nullptr, "", true, "All Files (*.*)", "", none);
    EXPECT_EQ(requests[3].folder, env / "home");
}

TEST_F(FileDialogTest, CancelKeepsTheProposedNameWithExtension) {
    Answer(std::nullopt);
    std::string name = "/data/export";
    EXPECT_FALSE(
        FileDialog(nullptr, "AddSlot", true, "Soft Token (*.tkn;*.p12;*.pfx)", "tkn", name));
    EXPECT_EQ(name, "/data/export.tkn");
    EXPECT_EQ(requests[0].folder, "/data");  // a proposed path opens in its folder
    std::string kept;
    EXPECT_NE(ConfigReadString("Last Path", "AddSlot", kept), kConfigOk);
}

TEST_F(FileDialogTest, ChosenPathIsCutToCapacity) {
    Answer("/" + std::string(300, 'a') + "/\xC3\xA9.txt");
    std::string name;
    EXPECT_TRUE(FileDialog(nullptr, "", true, "All Files (*.*)", "", name, 260));
    EXPECT_EQ(name.size(), 259u);
    Answer("/d/" + std::string(255, 'b') + "\xC3\xA9");  // the "é" would be split at 259
    EXPECT_TRUE(FileDialog(nullptr, "", true, "All Files (*.*)", "", name, 260));
    EXPECT_EQ(name.size(), 258u);
}

TEST_F(FileDialogTest, RealDialogTakesTheTypedPath) {
    const std::string target = env / "typed.vcf";
    std::string name = "proposal";
    bool matched = false;
    const auto run = ui_testing::RunModal(
        [&] {
            return FileDialog(nullptr, "SearchCert", false, "Buisness card (*.vcf)", "vcf", name)
                       ? 1
                       : 0;
        },
        [&](QWidget* window) {
            auto* dialog = qobject_cast<QFileDialog*>(window);
            ASSERT_NE(dialog, nullptr);
            matched = dialog->nameFilters().join(";").contains("*.vcf");
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->text(), "proposal");
            edit->setText(QString::fromStdString(target));
            QTest::keyClick(edit, Qt::Key_Return);
        });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(matched);
    EXPECT_EQ(name, target);
    std::string kept;
    ASSERT_EQ(ConfigReadString("Last Path", "SearchCert", kept), kConfigOk);
    EXPECT_EQ(kept, env.root());
}

TEST_F(FileDialogTest, OpenDialogRefusesAMissingFile) {
    std::string name;
    bool warned = false;
    const auto run = ui_testing::RunModal(
        [&] { return FileDialog(nullptr, "", true, "All Files (*.*)", "", name) ? 1 : 0; },
        [&](QWidget* window) {
            auto* edit = window->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(edit, nullptr);
            edit->setText(QString::fromStdString(env / "missing.bin"));
            // The dialog warns in a box of its own and stays open.
            const auto warning = ui_testing::RunModal(
                [&] {
                    QTest::keyClick(edit, Qt::Key_Return);
                    return 0;
                },
                [&](QWidget* box) { warned = qobject_cast<QMessageBox*>(box) != nullptr; });
            EXPECT_TRUE(warning.ok()) << warning.error;
            EXPECT_TRUE(window->isVisible());
        });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_TRUE(warned);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.closedByDriver);
}

}  // namespace
}  // namespace orx
