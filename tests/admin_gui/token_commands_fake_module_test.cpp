// The token commands against the scriptable fake module: what they say when there
// is nothing to act on, the calls a password command makes for a card's slot, the
// data box written as one object with every description property in its place,
// a soft token's inputs cleared after it is made, and module failures told and
// taken back.
#include <QLineEdit>
#include <QTabBar>
#include <QTest>

#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "admin/data_box.h"
#include "admin/token_dialog_ids.h"
#include "admin_fixture.h"
#include "core/base64.h"
#include "support/gui/file_dialog_answers.h"
#include "support/gui/modal_driver.h"
#include "ui/item_registry.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using Texts = std::vector<std::string>;

const std::string kSoftInfo = "100;Alice;0A1B 2C3D 4E5F 6071;Valdoran;Soft Token;/tmp/Alice.tkn";
const std::string kCardInfo = "1;Work Card (Authentication);1F2E 3D4C;Valdoran;Smart Card";

class FakeModuleCommandsTest : public ::testing::Test {
  protected:
    void TearDown() override { frame_.reset(); }
    void Answer(std::initializer_list<std::string> softTokens,
                std::initializer_list<std::string> cards = {}) {
        int index = 0;
        for (const std::string& entry : softTokens)
            fake_.AnswerEnum("SlotSoft", index++, entry);
        index = 0;
        for (const std::string& entry : cards)
            fake_.AnswerEnum("SlotCard", index++, entry);
    }
    void Open() {
        LoadSettings(settings_);
        app_.StartPlugin();
        frame_ = std::make_unique<CAdminMain>(app_, settings_);
        ASSERT_TRUE(frame_->Create());
        frame_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_.get()));
        frame_->List()->OnTimer(kFirstPollTimer);
    }
    Texts Messages() const {
        Texts texts;
        for (const MessageRecord& m : messages_.Messages())
            texts.push_back(m.text);
        return texts;
    }
    // The properties set and the operations invoked, from the first call that
    // begins with `from` to the first after it that begins with `to`, both included.
    Texts CallsBetween(const std::string& from, const std::string& to) const {
        Texts found;
        for (const std::string& call : fake_.Calls()) {
            const bool input = call.rfind("PlgSetProperty\t", 0) == 0 &&
                               call.rfind("PlgSetProperty\tActiveSlot\t", 0) != 0;
            const bool operation = call.rfind("PlgInvoke\t", 0) == 0 && call != "PlgInvoke\tReset";
            if ((!input && !operation) || (found.empty() && call.rfind(from, 0) != 0))
                continue;
            found.push_back(call);
            if (found.size() > 1 && call.rfind(to, 0) == 0)
                break;
        }
        return found;
    }
    Texts Column(int column) const { return testing::ContentColumn(frame_->View(), column); }
    // Runs the command with the Data Properties dialog answered.
    void WithEntry(int command, const std::string& description, const std::string& value) {
        const auto run = ui_testing::RunModal(
            [&] {
                frame_->OnCommand(command);
                return 0;
            },
            [&](QWidget* dialog) {
                auto* first = FindItemAs<QLineEdit>(dialog, kIdDataDescriptionEdit);
                auto* second = FindItemAs<QLineEdit>(dialog, kIdDataValueEdit);
                first->setText(ToQString(description));
                second->setText(ToQString(value));
                QTest::keyClick(second, Qt::Key_Return);
            });
        EXPECT_TRUE(run.ok() && !run.closedByDriver) << run.error;
    }

    testing::IsolatedEnvironment env_;
    testing::FakePluginFolder fake_{env_};
    TokenApplication app_;
    AdminSettings settings_;
    message_testing::ScopedMessageSink messages_;
    file_dialog_testing::ScopedFileDialogAnswers files_;
    std::unique_ptr<CAdminMain> frame_;
};

TEST_F(FakeModuleCommandsTest, NothingToActOnIsToldByWhatIsMissing) {
    const struct {
        const char* name;
        std::vector<std::string> soft;
        std::vector<std::string> cards;
        int32_t shown;  // 0: the Components entry
        int command;
        const char* message;
    } cases[] = {
        {"no token to add to",
         {},
         {},
         0,
         kCmdCertificateAdd,
         "No token is available. Install a card reader or add a soft token. (E43)"},
        {"no token to view",
         {},
         {},
         0,
         kCmdCertificateView,
         "No token is available. Install a card reader or add a soft token. (E43)"},
        {"no box",
         {},
         {},
         0,
         kCmdPublicAdd,
         "No token is available. Install a card reader or add a soft token. (E43)"},
        {"no token to export", {}, {}, 0, kCmdSoftTokenExport, "No token is available. (E33)"},
        {"no token to delete", {}, {}, 0, kCmdSoftTokenDelete, "No token is available. (E33)"},
        {"none chosen to export",
         {"100;Alice;alice"},
         {},
         0,
         kCmdSoftTokenExport,
         "No soft token chosen, select a soft token and try again. (E41)"},
        {"a card to export",
         {"100;Alice;alice"},
         {"1;Reader;Work Card"},
         1,
         kCmdSoftTokenExport,
         "Only soft tokens may be exported. (E36)"},
        {"a card to delete",
         {"100;Alice;alice"},
         {"1;Reader;Work Card"},
         1,
         kCmdSoftTokenDelete,
         "No soft token chosen, select a soft token and try again. (E41)"},
        {"no certificate",
         {"100;Alice;alice"},
         {},
         100,
         kCmdCertificateExport,
         "No certificate is chosen. Select a certificate from the list and try again. (E39)"},
    };
    for (const auto& c : cases) {
        frame_.reset();
        fake_.ClearCalls();
        testing::WriteFile(fake_.controlFolder() + "/answers", "");
        int index = 0;
        for (const std::string& entry : c.soft)
            fake_.AnswerEnum("SlotSoft", index++, entry);
        index = 0;
        for (const std::string& entry : c.cards)
            fake_.AnswerEnum("SlotCard", index++, entry);
        fake_.AnswerGet("TokenInfo", c.shown == 1 ? kCardInfo : kSoftInfo);
        app_.Finalize();
        Open();
        frame_->List()->SelectSlot(c.shown == 0 ? 999 : c.shown);
        const size_t before = messages_.Messages().size();
        frame_->OnCommand(c.command);
        ASSERT_EQ(messages_.Messages().size(), before + 1) << c.name;
        EXPECT_EQ(messages_.Messages().back().text, c.message) << c.name;
        EXPECT_TRUE(files_.Requests().empty()) << c.name;
        // Nothing was changed.
        for (const std::string& call : fake_.Calls()) {
            EXPECT_TRUE(call.rfind("PlgInvoke\tWrite", 0) != 0 &&
                        call.rfind("PlgInvoke\tDelete", 0) != 0 &&
                        call.rfind("PlgInvoke\tUpdate", 0) != 0)
                << c.name << ": " << call;
        }
    }
}

TEST_F(FakeModuleCommandsTest, AShortTokenInfoIsAnUnexpectedError) {
    Answer({"100;Alice;alice"});
    fake_.AnswerGet("TokenInfo", "100;Alice;0A1B;Valdoran;Soft Token");
    Open();
    frame_->List()->SelectSlot(100);
    frame_->OnCommand(kCmdSoftTokenExport);
    EXPECT_EQ(Messages(), Texts{"Unexpected error in underlying security system. (E0)"});
    // A token file that is gone ends the export without a word.
    const std::string gone = "100;Alice;0A1B;Valdoran;Soft Token;" + env_ / "gone.tkn";
    app_.SetProperty("TokenInfo", gone.c_str());
    frame_->OnCommand(kCmdSoftTokenExport);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(files_.Requests().empty());
}

TEST_F(FakeModuleCommandsTest, ACardsLaterSlotsHandTheActiveSlotBackToTheFirst) {
    Answer({"100;Alice;alice"}, {"1;Reader;Work Card", "2;Reader;Work Card", "3;Reader;Work Card"});
    fake_.AnswerGet("TokenInfo", kCardInfo);
    Open();
    const struct {
        int command;
        const char* operation;
        const char* selected;
        const char* after;
    } cases[] = {
        {kCmdChangePassword + 2, "ChangePassword", "2", "1"},
        {kCmdUnlockPassword + 3, "UnlockPassword", "3", "1"},
        {kCmdChangePassword + 1, "ChangePassword", "1", "1"},
        {kCmdChangePassword + 100, "ChangePassword", "100", "100"},
    };
    for (const auto& c : cases) {
        fake_.ClearCalls();
        frame_->OnCommand(c.command);
        const Texts calls = fake_.Calls();
        const auto invoked =
            std::find(calls.begin(), calls.end(), std::string("PlgInvoke\t") + c.operation);
        ASSERT_NE(invoked, calls.end()) << c.command;
        // The slot was chosen before the operation; the last one chosen is the group's first.
        EXPECT_NE(std::find(calls.begin(), invoked,
                            std::string("PlgSetProperty\tActiveSlot\t") + c.selected),
                  invoked)
            << c.command;
        std::string last;
        for (const std::string& call : calls) {
            if (call.rfind("PlgSetProperty\tActiveSlot\t", 0) == 0)
                last = call.substr(call.rfind('\t') + 1);
        }
        EXPECT_EQ(last, c.after) << c.command;
        EXPECT_EQ(app_.GetPropertyString("ActiveSlot"), c.after) << c.command;
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FakeModuleCommandsTest, TheBoxIsWrittenAsOneObjectAndAFailureTakesTheChangeBack) {
    Answer({"100;Alice;alice"});
    fake_.AnswerGet("TokenInfo", kSoftInfo);
    fake_.AnswerGet("LoggedIn", "true");
    fake_.AnswerEnum("Object", 0,
                     "Orvex;" + Base64Encode(testing::DataBoxBlob({{"A", "1"}, {"B", "2"}})));
    Open();
    frame_->List()->SelectSlot(100);
    frame_->View()->Tabs()->setCurrentIndex(kTabPublicBox);
    ASSERT_EQ(Column(0), (Texts{"A", "B"}));
    fake_.ClearCalls();
    WithEntry(kCmdPublicAdd, "Phone", "12345");
    // The box is read once more before it is written: the write's own calls are
    // the last ones before the operation.
    Texts calls = CallsBetween("PlgSetProperty\tCKA_CLASS", "PlgInvoke\tUpdateObject");
    ASSERT_GE(calls.size(), 9u);
    calls.erase(calls.begin(), calls.end() - 9);
    const std::string value = "PlgSetProperty\tCKA_VALUE\t";
    ASSERT_EQ(calls[7].rfind(value, 0), 0u);
    const std::vector<uint8_t> blob = Base64Decode(calls[7].substr(value.size()));
    EXPECT_EQ(blob.size(), 64u);
    const std::vector<DataBoxEntry> stored = ParseDataBox(blob);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[2].description, "Phone");
    EXPECT_EQ(stored[2].value, "12345");
    EXPECT_EQ(Texts(calls.begin(), calls.begin() + 7),
              (Texts{"PlgSetProperty\tCKA_CLASS\t0x00000000", "PlgSetProperty\tCKA_TOKEN\t0x01",
                     "PlgSetProperty\tCKA_LABEL\t", "PlgSetProperty\tCKA_PRIVATE\t0x00",
                     "PlgSetProperty\tBase64\tfalse", "PlgSetProperty\tCKA_APPLICATION\tOrvex",
                     "PlgSetProperty\tBase64\ttrue"}));
    EXPECT_EQ(calls[8], "PlgInvoke\tUpdateObject");
    EXPECT_EQ(Column(0), (Texts{"A", "B", "Phone"}));

    // The module refuses: the error, and the entry is gone again.
    frame_.reset();
    fake_.AnswerInvoke("UpdateObject", 6);
    app_.Finalize();
    Open();
    frame_->List()->SelectSlot(100);
    frame_->View()->Tabs()->setCurrentIndex(kTabPublicBox);
    WithEntry(kCmdPublicAdd, "Room", "B 12");
    EXPECT_EQ(Messages(), Texts{"Operation failed. (E10)"});
    EXPECT_EQ(Column(0), (Texts{"A", "B"}));
}

TEST_F(FakeModuleCommandsTest, ASoftTokensInputsAreClearedOnceItIsMade) {
    const std::string file = env_ / "backup.tkn";
    testing::WriteFile(file, "token bytes");
    Answer({"100;Alice;alice"});
    fake_.AnswerGet("TokenInfo", kSoftInfo);
    Open();
    files_.QueueChoice(file);
    fake_.ClearCalls();
    const auto run = ui_testing::RunModal(
        [&] {
            frame_->OnCommand(kCmdSoftTokenAdd);
            return 0;
        },
        [](QWidget* dialog) {
            QTest::keyClick(FindItem(dialog, kIdTokenNameEdit), Qt::Key_Return);
        });
    ASSERT_TRUE(run.ok()) << run.error;
    const Texts calls = CallsBetween("PlgSetProperty\tTokenData", "PlgSetProperty\tTokenData");
    EXPECT_EQ(calls,
              (Texts{"PlgSetProperty\tTokenData\t" + Base64Encode(std::string("token bytes")),
                     "PlgSetProperty\tTokenLabel\tbackup", "PlgInvoke\tCreateToken",
                     "PlgSetProperty\tTokenLabel\t", "PlgSetProperty\tTokenData\t"}));
    EXPECT_EQ(Messages(), Texts{"The import of the soft token was successful. (M3)"});

    // A failed delete is told, after the question.
    fake_.AnswerInvoke("DeleteToken", 6);
    frame_.reset();
    app_.Finalize();
    Open();
    frame_->List()->SelectSlot(100);
    messages_.QueueAnswer(6);
    frame_->OnCommand(kCmdSoftTokenDelete);
    EXPECT_EQ(Messages().back(), "Operation failed. (E10)");
}

}  // namespace
}  // namespace orx
