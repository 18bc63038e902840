// The soft token commands over the real module: a token exported, deleted and
// added back from its file holds what it held; a PKCS#12 file made by openssl
// becomes a token that signs in the file wizard; the name dialog's name is what
// the token is called.
#include <QLineEdit>
#include <QTest>

#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "admin/token_dialog_ids.h"
#include "admin_fixture.h"
#include "core/base64.h"
#include "fileop/file_op_texts.h"
#include "fileop/file_op_wizard.h"
#include "support/gui/modal_driver.h"
#include "token_commands_fixture.h"
#include "ui/item_registry.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"
#include "wizard_gui/wizard_driver.h"

namespace orx {
namespace {

using testing::MadeCertificate;
using testing::Texts;

const std::string kPassword = "token-pass-1";

class SoftTokenCommandsTest : public testing::TokenCommandsTest {
  protected:
    // Answers the name dialog: `name` typed over the proposal, which is noted.
    std::function<void(QWidget*)> NameAs(const std::string& name, std::string* proposed = nullptr) {
        return [name, proposed](QWidget* dialog) {
            auto* edit = FindItemAs<QLineEdit>(dialog, kIdTokenNameEdit);
            ASSERT_NE(edit, nullptr);
            if (proposed != nullptr)
                *proposed = ToUtf8(edit->text());
            edit->selectAll();
            QTest::keyClicks(edit, ToQString(name));
            QTest::keyClick(edit, Qt::Key_Return);
        };
    }
    std::vector<int32_t> SoftSlots() {
        std::vector<int32_t> found;
        for (int row = 0; row < frame_->List()->count(); ++row) {
            const int32_t slot = frame_->List()->SlotOf(frame_->List()->item(row));
            if (slot >= 100)
                found.push_back(slot);
        }
        return found;
    }
};

TEST_F(SoftTokenCommandsTest, ExportedDeletedAndAddedBackItHoldsWhatItHeld) {
    const MadeCertificate alice = MakeCertificate("Alice Example");
    const MadeCertificate bob = MakeCertificate("Bob Example");
    const int32_t slot = CreateToken("Alice", kPassword);
    Pins({"pin " + kPassword});
    ASSERT_EQ(WriteCertificate(slot, alice.bytes), 0);
    ASSERT_EQ(WriteCertificate(slot, bob.bytes), 0);
    const std::string publicBox = testing::DataBoxBlob({{"Phone", "+46 8 123"}});
    const std::string privateBox = testing::DataBoxBlob({{"PIN hint", "blue"}, {"Door", "4711"}});
    ASSERT_EQ(WriteBox(slot, false, publicBox), 0);
    ASSERT_EQ(WriteBox(slot, true, privateBox), 0);
    const Texts certificates = StoredCertificates(slot);
    const std::string tokenFile = TokenFilePath(slot);
    CloseWindow();
    OpenWindow();
    frame_->List()->SelectSlot(slot);

    const std::string exported = env_ / "backup/alice.tkn";
    ASSERT_TRUE(testing::MakePath(env_ / "backup"));
    files_.QueueChoice(exported);
    Command(kCmdSoftTokenExport);
    EXPECT_EQ(testing::ReadBytes(exported), testing::ReadBytes(tokenFile));
    ASSERT_EQ(files_.Requests().size(), 1u);
    EXPECT_EQ(files_.Requests()[0].proposed, "Alice.tkn");
    EXPECT_EQ(files_.Requests()[0].description, "Soft Token (*.tkn)");
    EXPECT_TRUE(MessageTexts().empty());

    messages_.QueueAnswer(6);
    Command(kCmdSoftTokenDelete);
    EXPECT_FALSE(testing::PathExists(tokenFile));
    ASSERT_EQ(MessageTexts().size(), 2u);
    EXPECT_EQ(MessageTexts()[0].rfind("You will not be able to verify signatures or decrypt "
                                      "messages encrypted with this soft token",
                                      0),
              0u);
    EXPECT_EQ(MessageTexts()[1], "The delete of the soft token was successful. (M4)");
    EXPECT_TRUE(SoftSlots().empty());

    // Added back: the token's own password opens the file; its name is the new one.
    ClearMessages();
    files_.QueueChoice(exported);
    Pins({"pin " + kPassword});
    std::string proposed;
    const auto run =
        WithDialog([&] { Command(kCmdSoftTokenAdd); }, NameAs("Alice Again", &proposed));
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_FALSE(run.closedByDriver);
    EXPECT_EQ(proposed, "alice");
    EXPECT_EQ(files_.Requests().back().description, "Soft Token (*.tkn;*.p12;*.pfx)");
    EXPECT_EQ(MessageTexts(), Texts{"The import of the soft token was successful. (M3)"});
    ASSERT_EQ(SoftSlots().size(), 1u);
    const int32_t again = SoftSlots().front();
    EXPECT_EQ(View()->CurrentSlot(), again);
    EXPECT_EQ(View()->HeaderLine(1), "Alice Again");
    EXPECT_EQ(StoredCertificates(again), certificates);
    EXPECT_EQ(StoredBox(again, false), std::vector<uint8_t>(publicBox.begin(), publicBox.end()));
    EXPECT_EQ(StoredBox(again, true, kPassword),
              std::vector<uint8_t>(privateBox.begin(), privateBox.end()));
}

TEST_F(SoftTokenCommandsTest, APkcs12FileBecomesATokenThatSigns) {
    const MadeCertificate user = MakeCertificate("Wizard User", "rsa");
    const std::string p12 = MakePkcs12(user, "p12-pass");
    OpenWindow();
    files_.QueueChoice(p12);
    // The new token's password twice, then the file's password.
    Pins({"pin " + kPassword, "pin " + kPassword, "pin p12-pass", "pin " + kPassword});
    std::string proposed;
    const auto run = WithDialog([&] { Command(kCmdSoftTokenAdd); }, NameAs("Wizard", &proposed));
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(proposed, "Wizard_User");
    EXPECT_EQ(MessageTexts(), (Texts{"The import of the soft token was successful. (M3)",
                                     "The import of the certificate was successful. (M1)"}));
    ASSERT_EQ(SoftSlots().size(), 1u);
    const int32_t slot = SoftSlots().front();
    EXPECT_EQ(StoredCertificates(slot), Texts{Base64Encode(user.bytes)});
    EXPECT_EQ(View()->ContentList()->ItemImage(0), kImageCertificateWithKey);

    // The file wizard signs with the new token's key; openssl checks the signature.
    const std::string input = env_ / "report.txt";
    testing::WriteFile(input, "Quarterly figures\n");
    Pins({"pin " + kPassword});
    const auto signing =
        ui_testing::RunModal([&] { return RunFileOpWizard(app_, kFileOpSign, input); },
                             [&](QWidget* window) {
                                 testing::WizardDriver wizard(window);
                                 for (int page = 0; page < 4; ++page)
                                     wizard.key(Qt::Key_Return);
                             },
                             30000);
    ASSERT_TRUE(signing.ok()) << signing.error;
    EXPECT_EQ(signing.result, 1);
    std::string verified;
    EXPECT_EQ(testing::RunCommand("openssl cms -verify -inform DER -in '" + input +
                                      ".p7s' -CAfile '" + user.pem + "' 2>/dev/null",
                                  &verified),
              0);
    EXPECT_EQ(verified, "Quarterly figures\n");
}

TEST_F(SoftTokenCommandsTest, ANewTokenIsCalledWhatTheDialogSays) {
    OpenWindow();
    Pins({"pin " + kPassword, "pin " + kPassword});
    const auto run =
        WithDialog([&] { Command(kCmdSoftTokenNew); }, NameAs("  My (new) \"token\"  "));
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(MessageTexts(), Texts{"The import of the soft token was successful. (M3)"});
    ASSERT_EQ(SoftSlots().size(), 1u);
    EXPECT_EQ(View()->HeaderLine(1), "My  new   token");
    EXPECT_TRUE(files_.Requests().empty());

    // A cancelled dialog makes nothing; a cancelled password neither, and says so.
    const auto cancelled =
        WithDialog([&] { Command(kCmdSoftTokenNew); },
                   [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    ASSERT_TRUE(cancelled.ok()) << cancelled.error;
    EXPECT_EQ(SoftSlots().size(), 1u);
    ClearMessages();
    Pins({"cancel"});
    ASSERT_TRUE(WithDialog([&] { Command(kCmdSoftTokenNew); }, NameAs("Second")).ok());
    EXPECT_EQ(MessageTexts(), Texts{"Operation canceled. (E3)"});
    EXPECT_EQ(SoftSlots().size(), 1u);
}

}  // namespace
}  // namespace orx
