#include "ui/file_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "core/config_file.h"
#include "core/language.h"
#include "support/gui/file_dialog_answers.h"
#include "support/gui/modal_driver.h"
#include "support/test_environment.h"

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

// The real dialog driven as a person would: `typed` into its name field, then `key`.
struct RealDialogRun {
    ui_testing::ModalRun run;
    QStringList filters;
    QString folder;
    QString shown;  // in the name field when the dialog came up
    bool nativeOff = false;
};

RealDialogRun TypeIntoRealDialog(const std::function<bool()>& open, const std::string& typed,
                                 Qt::Key key = Qt::Key_Return) {
    RealDialogRun seen;
    const auto act = [&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        seen.filters = dialog->nameFilters();
        seen.folder = dialog->directory().absolutePath();
        seen.nativeOff = dialog->testOption(QFileDialog::DontUseNativeDialog);
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        seen.shown = edit->text();
        if (!typed.empty())
            edit->setText(QString::fromStdString(typed));
        QTest::keyClick(edit, key);
    };
    // The desktop's own dialog could not be driven: these runs keep Qt's.
    file_dialog_testing::SetKeepQtDialog(true);
    seen.run = ui_testing::RunModal([&] { return open() ? 1 : 0; }, act);
    file_dialog_testing::SetKeepQtDialog(false);
    return seen;
}

TEST(FileDialog, TheRealDialogTakesATypedNameStartsAtHomeAndRemembersTheFolder) {
    IsolatedEnvironment env;
    const QString folder = QString::fromStdString(env / "cards");
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string chosen = (folder + "/alice").toStdString();
    std::string name;
    const auto first = TypeIntoRealDialog(
        [&] { return FileDialog(nullptr, "VCard", false, GetText(1664), "vcf", name); }, chosen);
    ASSERT_TRUE(first.run.ok()) << first.run.error;
    EXPECT_FALSE(first.run.closedByDriver);
    EXPECT_EQ(first.run.result, 1);
    EXPECT_EQ(name, chosen + ".vcf");
    EXPECT_EQ(LastPath("VCard"), folder.toStdString());
    EXPECT_EQ(first.filters, QStringList{"Buisness card (*.vcf)"});
    EXPECT_EQ(first.folder, QDir::homePath());
    EXPECT_TRUE(first.nativeOff);
    // The dialog is gone once FileDialog returns.
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<QFileDialog*>(window), nullptr);

    // The next one opens where the last choice was; an open dialog needs an existing
    // file, and with a text without parentheses shows every file.
    const std::string existing = (folder + "/trace").toStdString();
    testing::WriteFile(existing, "x");
    std::string opened;
    const auto second = TypeIntoRealDialog(
        [&] { return FileDialog(nullptr, "VCard", true, "Trace", "", opened); }, existing);
    ASSERT_TRUE(second.run.ok()) << second.run.error;
    EXPECT_EQ(second.run.result, 1);
    EXPECT_EQ(opened, existing);
    EXPECT_EQ(second.folder, folder);
    EXPECT_EQ(second.filters, QStringList{"Trace (*)"});
}

// An open dialog takes no name of a file that does not exist: it warns and stays.
TEST(FileDialog, TheRealOpenDialogRefusesAFileThatDoesNotExist) {
    IsolatedEnvironment env;
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
    warningCloser.start();
    const auto seen = TypeIntoRealDialog(
        [&] { return FileDialog(nullptr, "Import", true, "Certificate (*.cer)", "cer", name); },
        env / "missing.cer");
    warningCloser.stop();
    ASSERT_TRUE(seen.run.ok()) << seen.run.error;
    EXPECT_TRUE(warned);
    EXPECT_TRUE(seen.run.closedByDriver);  // still open after the name was typed
    EXPECT_EQ(seen.run.result, 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(LastPath("Import"), "");
}

TEST(FileDialog, TheRealDialogCancelledChangesNothingRemembered) {
    IsolatedEnvironment env;
    ASSERT_EQ(ConfigWriteString("Last Path", "VCard", env.root()), 0);
    std::string name = env / "proposed";
    const auto seen = TypeIntoRealDialog(
        [&] { return FileDialog(nullptr, "VCard", false, "Card (*.vcf)", "vcf", name); }, "",
        Qt::Key_Escape);
    ASSERT_TRUE(seen.run.ok()) << seen.run.error;
    EXPECT_EQ(seen.run.result, 0);
    EXPECT_EQ(seen.shown, "proposed");
    EXPECT_EQ(name, env / "proposed.vcf");
    EXPECT_EQ(LastPath("VCard"), env.root());
}

}  // namespace
}  // namespace orx
