// Nothing is lost when a write fails part way: the module made to fail in the
// middle of every write (ORX_FAIL_WRITES_AFTER), each changing command shows the
// error, and the token file is byte for byte what it was, with nothing left beside
// it and the view still showing what the token holds. Files the program writes
// itself fail through the core library's seam and leave the old file.
#include <QLineEdit>
#include <QTabBar>
#include <QTest>
#include <filesystem>

#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "admin/token_dialog_ids.h"
#include "admin_fixture.h"
#include "support/write_failures.h"
#include "token_commands_fixture.h"
#include "ui/item_registry.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using testing::MadeCertificate;
using testing::Texts;

const std::string kPassword = "fail-pass-1";
const char* const kFailed = "Operation failed. (E10)";

// The names in the token folder, in order.
Texts FolderNames(const std::string& folder) {
    Texts names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class WriteFailuresTest : public testing::TokenCommandsTest {
  protected:
    void SetUp() override {
        TokenCommandsTest::SetUp();
        alice_ = MakeCertificate("Alice Example");
        bob_ = MakeCertificate("Bob Example");
        slot_ = CreateToken("Alice", kPassword);
        Pins({"pin " + kPassword});
        ASSERT_EQ(WriteCertificate(slot_, alice_.bytes), 0);
        ASSERT_EQ(WriteBox(slot_, false, testing::DataBoxBlob({{"A", "1"}, {"B", "2"}})), 0);
        ASSERT_EQ(WriteBox(slot_, true, testing::DataBoxBlob({{"Secret", "s"}})), 0);
        tokenFile_ = TokenFilePath(slot_);
        folder_ = tokenFile_.substr(0, tokenFile_.rfind('/'));
        CloseWindow();
        OpenWindow();
        frame_->List()->SelectSlot(slot_);
        // Logged in, so that every command gets as far as its write.
        Pins({"pin " + kPassword});
        ASSERT_EQ(app_.Login(), 0);
    }

    // Runs the command with every write of the module failing after a few bytes:
    // the error is shown and nothing changed.
    void ExpectNothingLost(const std::string& name, int tab, const std::function<void()>& command) {
        frame_->List()->SelectSlot(slot_);
        View()->Tabs()->setCurrentIndex(tab);
        const std::vector<uint8_t> before = testing::ReadBytes(tokenFile_);
        const Texts names = FolderNames(folder_);
        const Texts shown = Column(0);
        ClearMessages();
        {
            testing::ScopedEnv failing("ORX_FAIL_WRITES_AFTER", "100");
            command();
        }
        // Last, after any question the command asked.
        const Texts messages = MessageTexts();
        EXPECT_TRUE(!messages.empty() && messages.back() == kFailed) << name;
        EXPECT_LE(messages.size(), 2u) << name;
        EXPECT_EQ(testing::ReadBytes(tokenFile_), before) << name;
        EXPECT_EQ(FolderNames(folder_), names) << name;
        EXPECT_EQ(View()->ShownTab(), tab) << name;
        EXPECT_EQ(Column(0), shown) << name;
    }
    std::function<void()> WithEntry(int command, const std::string& description) {
        return [this, command, description]() {
            const auto run =
                WithDialog([&] { Command(command); },
                           [&](QWidget* dialog) {
                               auto* edit = FindItemAs<QLineEdit>(dialog, kIdDataDescriptionEdit);
                               edit->selectAll();
                               QTest::keyClicks(edit, ToQString(description));
                               auto* value = FindItemAs<QLineEdit>(dialog, kIdDataValueEdit);
                               QTest::keyClicks(value, QStringLiteral("x"));
                               QTest::keyClick(value, Qt::Key_Return);
                           });
            EXPECT_TRUE(run.ok() && !run.closedByDriver) << run.error;
        };
    }
    void SelectRow(int row) {
        View()->ContentList()->setCurrentItem(View()->ContentList()->topLevelItem(row));
    }

    MadeCertificate alice_, bob_;
    int32_t slot_ = -1;
    std::string tokenFile_, folder_;
};

TEST_F(WriteFailuresTest, EveryTokenWriteFailsWithNothingLost) {
    ExpectNothingLost("add certificate", kTabCertificates, [&] {
        files_.QueueChoice(bob_.der);
        Command(kCmdCertificateAdd);
    });
    ExpectNothingLost("delete certificate", kTabCertificates, [&] {
        messages_.QueueAnswer(6);
        Command(kCmdCertificateDelete);
    });
    ExpectNothingLost("add public entry", kTabPublicBox, WithEntry(kCmdPublicAdd, "C"));
    SelectRow(0);
    ExpectNothingLost("edit public entry", kTabPublicBox, WithEntry(kCmdPublicEdit, "A2"));
    SelectRow(1);
    ExpectNothingLost("delete public entry", kTabPublicBox, [&] { Command(kCmdPublicDelete); });
    ExpectNothingLost("add private entry", kTabPrivateBox, WithEntry(kCmdPrivateAdd, "More"));
    ExpectNothingLost("change password", kTabCertificates, [&] {
        Pins({"pin " + kPassword, "pin new-pass-1", "pin new-pass-1"});
        Command(kCmdChangePassword + slot_);
    });
    EXPECT_EQ(StoredCertificates(slot_).size(), 1u);
}

TEST_F(WriteFailuresTest, NoTokenIsMadeWhenItsFileCannotBeWritten) {
    const Texts names = FolderNames(folder_);
    const std::string exported = env_ / "copy.tkn";
    files_.QueueChoice(exported);
    Command(kCmdSoftTokenExport);
    ASSERT_TRUE(testing::PathExists(exported));
    testing::ScopedEnv failing("ORX_FAIL_WRITES_AFTER", "100");
    Pins({"pin a-new-pass", "pin a-new-pass"});
    ASSERT_TRUE(WithDialog([&] { Command(kCmdSoftTokenNew); },
                           [](QWidget* dialog) {
                               QTest::keyClicks(FindItem(dialog, kIdTokenNameEdit), "New");
                               QTest::keyClick(FindItem(dialog, kIdTokenNameEdit), Qt::Key_Return);
                           })
                    .ok());
    files_.QueueChoice(exported);
    Pins({"pin " + kPassword});
    ASSERT_TRUE(WithDialog([&] { Command(kCmdSoftTokenAdd); },
                           [](QWidget* dialog) {
                               QTest::keyClick(FindItem(dialog, kIdTokenNameEdit), Qt::Key_Return);
                           })
                    .ok());
    EXPECT_EQ(MessageTexts(), (Texts{kFailed, kFailed}));
    EXPECT_EQ(FolderNames(folder_), names);
}

TEST_F(WriteFailuresTest, AnExportThatCannotBeWrittenKeepsTheOldFile) {
    const std::string certificate = env_ / "alice.cer";
    const std::string token = env_ / "alice.tkn";
    testing::WriteFile(certificate, "old certificate");
    testing::WriteFile(token, "old token");
    file_testing::FailWritesAfter(10);
    files_.QueueChoice(certificate);
    messages_.QueueAnswer(6);
    files_.QueueCancel();
    Command(kCmdCertificateExport);
    files_.QueueChoice(token);
    messages_.QueueAnswer(6);
    files_.QueueCancel();
    Command(kCmdSoftTokenExport);
    file_testing::FailWritesAfter(-1);
    const std::string saveFailed =
        "Save failed, is there enough free memory and do you have write permission in the "
        "specified folder? (E35)";
    const std::string replace = "File exists. Do you want to replace the existing file?";
    EXPECT_EQ(MessageTexts(), (Texts{replace, saveFailed, replace, saveFailed}));
    EXPECT_EQ(testing::ReadFile(certificate), "old certificate");
    EXPECT_EQ(testing::ReadFile(token), "old token");
}

}  // namespace
}  // namespace orx
