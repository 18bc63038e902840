#include "ui/file_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <string>

#include "core/config_file.h"
#include "core/language.h"
#include "support/test_environment.h"
#include "ui/testing/modal_driver.h"

namespace orx {
namespace {

using file_dialog_testing::ScopedFileDialogAnswers;
using testing::IsolatedEnvironment;

std::string LastPath(const std::string& key) {
    std::string value;
    ConfigReadString("Last Path", key, value, 260);
    return value;
}

TEST(FileDialogPattern, IsWhatStandsInTheLastParentheses) {
    struct Case {
        const char* filter;
        const char* pattern;
    };
    const Case cases[] = {
        {"Buisness card (*.vcf)", "*.vcf"},
        {"All files", "*.*"},
        {"", "*.*"},
        {"Certificates (*.cer;*.crt;*.der)", "*.cer;*.crt;*.der"},
        {"Key (PKCS#12) (*.p12)", "*.p12"},
        {"Odd (*.p7m", "*.p7"},  // the last character is taken as the closing one
        {"Nothing ()", ""},
        {"Open (", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(FileDialogPattern(c.filter), c.pattern);
    }
}

TEST(FileDialog, TheBusinessCardTextOffersVcfAndATextWithoutParenthesesEveryFile) {
    IsolatedEnvironment env;
    const std::string vcard = GetText(1664);
    ASSERT_EQ(vcard, "Buisness card (*.vcf)");
    ScopedFileDialogAnswers answers;
    std::string name;
    EXPECT_FALSE(FileDialog(nullptr, "", false, vcard, "vcf", name));
    EXPECT_FALSE(FileDialog(nullptr, "", true, "Trace", "", name));
    ASSERT_EQ(answers.Requests().size(), 2u);
    EXPECT_EQ(answers.Requests()[0].pattern, "*.vcf");
    EXPECT_EQ(answers.Requests()[0].description, vcard);
    EXPECT_FALSE(answers.Requests()[0].open);
    EXPECT_EQ(answers.Requests()[1].pattern, "*.*");
    EXPECT_TRUE(answers.Requests()[1].open);
}

TEST(FileDialog, RemembersTheChosenFolderUnderItsKey) {
    IsolatedEnvironment env;
    const std::string home = QDir::homePath().toStdString();
    ScopedFileDialogAnswers answers;
    answers.QueueChoice("/srv/cards/alice.vcf");
    answers.QueueChoice("/srv/other/bob.vcf");
    answers.QueueCancel();
    answers.QueueChoice("/opt/x/trace.log");

    std::string name = "alice";
    ASSERT_TRUE(FileDialog(nullptr, "Export", false, "Buisness card (*.vcf)", "vcf", name));
    EXPECT_EQ(name, "/srv/cards/alice.vcf");
    EXPECT_EQ(LastPath("Export"), "/srv/cards");

    std::string second;
    ASSERT_TRUE(FileDialog(nullptr, "Export", false, "Buisness card (*.vcf)", "vcf", second));
    EXPECT_EQ(LastPath("Export"), "/srv/other");

    std::string cancelled;
    EXPECT_FALSE(FileDialog(nullptr, "Export", true, "All", "", cancelled));
    EXPECT_EQ(LastPath("Export"), "/srv/other");  // a cancelled dialog remembers nothing

    std::string unkeyed;
    ASSERT_TRUE(FileDialog(nullptr, "", true, "All", "", unkeyed));
    EXPECT_EQ(unkeyed, "/opt/x/trace.log");

    const auto& requests = answers.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].folder, home);  // nothing remembered yet: the home folder
    EXPECT_EQ(requests[0].proposed, "alice");
    EXPECT_EQ(requests[1].folder, "/srv/cards");
    EXPECT_EQ(requests[2].folder, "/srv/other");
    EXPECT_EQ(requests[3].folder, home);  // without a key nothing is looked up
    EXPECT_EQ(LastPath(""), "");
    EXPECT_EQ(LastPath("Export"), "/srv/other");
}

TEST(FileDialog, ANameWithoutExtensionGetsTheDefaultOne) {
    struct Case {
        const char* name;
        bool chosen;  // else cancelled with this as the proposed name
        const char* extension;
        const char* result;
    };
    const Case cases[] = {
        {"/srv/cards/alice", true, "vcf", "/srv/cards/alice.vcf"},
        {"/srv/cards/alice.txt", true, "vcf", "/srv/cards/alice.txt"},
        {"/srv/my.cards/alice", true, "vcf", "/srv/my.cards/alice.vcf"},
        {"/srv/cards/alice.", true, "vcf", "/srv/cards/alice."},
        {"/srv/cards/alice", true, "", "/srv/cards/alice"},
        {"/srv/cards/alice", false, "vcf", "/srv/cards/alice.vcf"},
        {"alice", false, "vcf", "alice"},  // no folder in it: left as proposed
        {"", false, "vcf", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IsolatedEnvironment env;
        ScopedFileDialogAnswers answers;
        std::string name;
        if (c.chosen)
            answers.QueueChoice(c.name);
        else
            name = c.name;
        EXPECT_EQ(FileDialog(nullptr, "Key", false, "Card (*.vcf)", c.extension, name), c.chosen);
        EXPECT_EQ(name, c.result);
    }
}

TEST(FileDialog, TheChosenPathIsCutToTheCapacity) {
    IsolatedEnvironment env;
    ScopedFileDialogAnswers answers;
    answers.QueueChoice("/srv/cards/alice");
    answers.QueueChoice("/srv/cards/alicé");
    std::string name;
    ASSERT_TRUE(FileDialog(nullptr, "", false, "Card (*.vcf)", "vcf", name, 14));
    EXPECT_EQ(name, "/srv/cards/al");  // cut first; the extension no longer fits
    std::string accented;
    ASSERT_TRUE(FileDialog(nullptr, "", false, "Card (*.vcf)", "", accented, 17));
    EXPECT_EQ(accented, "/srv/cards/alic");  // never half of a character
}

// The real dialog, driven as a person would: the path typed into its name field.
TEST(FileDialog, TheRealDialogTakesATypedNameStartsAtHomeAndRemembersTheFolder) {
    IsolatedEnvironment env;
    const QString folder = QString::fromStdString(env / "cards");
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string chosen = (folder + "/alice").toStdString();

    std::string name;
    QStringList filters;
    QString startFolder;
    bool nativeOff = false;
    const ui_testing::ModalRun run = ui_testing::RunModal(
        [&]() { return FileDialog(nullptr, "VCard", false, GetText(1664), "vcf", name) ? 1 : 0; },
        [&](QWidget* window) {
            auto* dialog = qobject_cast<QFileDialog*>(window);
            ASSERT_NE(dialog, nullptr);
            filters = dialog->nameFilters();
            startFolder = dialog->directory().absolutePath();
            nativeOff = dialog->testOption(QFileDialog::DontUseNativeDialog);
            auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            edit->setText(QString::fromStdString(chosen));
            QTest::keyClick(edit, Qt::Key_Return);
        });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_FALSE(run.closedByDriver);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(name, chosen + ".vcf");
    EXPECT_EQ(LastPath("VCard"), folder.toStdString());
    EXPECT_EQ(filters, QStringList{"Buisness card (*.vcf)"});
    EXPECT_EQ(startFolder, QDir::homePath());
    EXPECT_TRUE(nativeOff);
    EXPECT_EQ(file_dialog_testing::CurrentFileDialog(), nullptr);

    // The next one opens where the last choice was; an open dialog needs an existing
    // file, and with a text without parentheses shows every file.
    const std::string existing = (folder + "/trace").toStdString();
    testing::WriteFile(existing, "x");
    std::string opened;
    QString secondStart;
    QStringList secondFilters;
    const ui_testing::ModalRun second = ui_testing::RunModal(
        [&]() { return FileDialog(nullptr, "VCard", true, "Trace", "", opened) ? 1 : 0; },
        [&](QWidget* window) {
            auto* dialog = qobject_cast<QFileDialog*>(window);
            ASSERT_NE(dialog, nullptr);
            secondStart = dialog->directory().absolutePath();
            secondFilters = dialog->nameFilters();
            auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            edit->setText(QString::fromStdString(existing));
            QTest::keyClick(edit, Qt::Key_Return);
        });
    ASSERT_TRUE(second.ok()) << second.error;
    EXPECT_EQ(second.result, 1);
    EXPECT_EQ(opened, existing);
    EXPECT_EQ(secondStart, folder);
    EXPECT_EQ(secondFilters, QStringList{"Trace (*)"});
}

// An open dialog takes no name of a file that does not exist: it warns and stays.
TEST(FileDialog, TheRealOpenDialogRefusesAFileThatDoesNotExist) {
    IsolatedEnvironment env;
    const std::string missing = env / "missing.cer";
    std::string name;
    bool warned = false;
    QTimer warningCloser;
    warningCloser.setInterval(20);
    QObject::connect(&warningCloser, &QTimer::timeout, [&]() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            warned = true;
            box->done(QMessageBox::Ok);
        }
    });
    const ui_testing::ModalRun run = ui_testing::RunModal(
        [&]() { return FileDialog(nullptr, "Import", true, "Certificate (*.cer)", "cer", name); },
        [&](QWidget* window) {
            auto* edit = window->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            edit->setText(QString::fromStdString(missing));
            warningCloser.start();
            QTest::keyClick(edit, Qt::Key_Return);
            warningCloser.stop();
        });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_TRUE(warned);
    EXPECT_TRUE(run.closedByDriver);  // still open after the name was typed
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(LastPath("Import"), "");
}

TEST(FileDialog, TheRealDialogCancelledChangesNothingRemembered) {
    IsolatedEnvironment env;
    ASSERT_EQ(ConfigWriteString("Last Path", "VCard", env.root()), 0);
    std::string name = env / "proposed";
    const ui_testing::ModalRun run = ui_testing::RunModal(
        [&]() { return FileDialog(nullptr, "VCard", false, "Card (*.vcf)", "vcf", name) ? 1 : 0; },
        [&](QWidget* window) {
            auto* edit = window->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            QTest::keyClick(edit, Qt::Key_Escape);
        });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(name, env / "proposed.vcf");
    EXPECT_EQ(LastPath("VCard"), env.root());
}

}  // namespace
}  // namespace orx
