// The certificate commands over the real module: a password asked again after
// three wrong ones, a certificate the token holds refused in every form, export,
// delete and add back, the client program showing one, dropped files, and the
// certificates whose private key is on the token told without a login.
#include <QTest>

#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "core/base64.h"
#include "support/gui/modal_driver.h"
#include "token_commands_fixture.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using testing::MadeCertificate;
using testing::Texts;

const std::string kPassword = "alice-pass-1";

class CertificateCommandsTest : public testing::TokenCommandsTest {
  protected:
    // A token holding these certificates, and the window over a new context.
    int32_t TokenWith(const std::vector<const MadeCertificate*>& certificates) {
        const int32_t slot = CreateToken("Alice", kPassword);
        EXPECT_GE(slot, 100);
        // The first write logs in; the login lasts for the context.
        Pins({"pin " + kPassword});
        for (const MadeCertificate* certificate : certificates)
            EXPECT_EQ(WriteCertificate(slot, certificate->bytes), 0);
        CloseWindow();
        OpenWindow();
        frame_->List()->SelectSlot(slot);
        EXPECT_EQ(View()->Mode(), kModeToken);
        return slot;
    }
    void SelectCertificateRow(int row) {
        COwnerDrawList* list = View()->ContentList();
        list->clearSelection();
        list->setCurrentItem(list->topLevelItem(row));
        list->topLevelItem(row)->setSelected(true);
    }
};

TEST_F(CertificateCommandsTest, ThreeWrongPasswordsThenTheRightOneImportTheCertificateOnce) {
    const MadeCertificate alice = MakeCertificate("Alice Example");
    const int32_t slot = TokenWith({});

    // A cancelled password question ends the command.
    files_.QueueChoice(alice.der);
    Pins({"cancel"});
    Command(kCmdCertificateAdd);
    EXPECT_EQ(MessageTexts(), Texts{"Operation canceled. (E3)"});
    EXPECT_TRUE(StoredCertificates(slot).empty());

    ClearMessages();
    files_.QueueChoice(alice.der);
    Pins({"pin wrong-1", "pin wrong-2", "pin wrong-3", "pin " + kPassword});
    Command(kCmdCertificateAdd);
    EXPECT_EQ(MessageTexts(), (Texts{"Password is incorrect. (E6)",
                                     "The import of the certificate was successful. (M1)"}));
    EXPECT_EQ(PinsLeft(), "");
    EXPECT_EQ(StoredCertificates(slot), Texts{Base64Encode(alice.bytes)});
    EXPECT_EQ(Column(0), Texts{"Alice Example, Example AB"});

    ASSERT_EQ(files_.Requests().size(), 2u);
    EXPECT_TRUE(files_.Requests()[0].open);
    EXPECT_EQ(files_.Requests()[0].description, "Certificate (*.cer;*.crt;*.p7s;*.p12;*.pfx)");
}

TEST_F(CertificateCommandsTest, ACertificateTheTokenHoldsIsRefusedInEveryForm) {
    const MadeCertificate alice = MakeCertificate("Alice Example");
    const std::string base64 = env_ / "alice.b64";
    testing::WriteFile(base64, Base64Encode(alice.bytes));
    const int32_t slot = TokenWith({&alice});
    const std::vector<uint8_t> before = testing::ReadBytes(TokenFilePath(slot));
    // Any password question would take this answer and the write would be made.
    Pins({"pin " + kPassword});
    for (const std::string& file : {alice.der, alice.pem, base64}) {
        ClearMessages();
        files_.QueueChoice(file);
        Command(kCmdCertificateAdd);
        EXPECT_EQ(MessageTexts(), Texts{"Certificate already exists. (E45)"}) << file;
    }
    EXPECT_EQ(testing::ReadBytes(TokenFilePath(slot)), before);
    EXPECT_EQ(PinsLeft(), "pin " + kPassword + "\n");
    EXPECT_EQ(Column(0).size(), 1u);
}

TEST_F(CertificateCommandsTest, ExportDeleteAndAddBack) {
    const MadeCertificate alice = MakeCertificate("Alice Example");
    const MadeCertificate bob = MakeCertificate("Bob Example", "rsa");
    const int32_t slot = TokenWith({&alice, &bob});
    const Texts stored = StoredCertificates(slot);
    ASSERT_EQ(stored.size(), 2u);
    SelectCertificateRow(1);

    // Export: a DER file; only .cer and .crt are offered, the subject proposed.
    const std::string out = env_ / "bob.cer";
    files_.QueueChoice(out);
    Command(kCmdCertificateExport);
    EXPECT_EQ(testing::ReadBytes(out), bob.bytes);
    ASSERT_EQ(files_.Requests().size(), 1u);
    EXPECT_FALSE(files_.Requests()[0].open);
    EXPECT_EQ(files_.Requests()[0].description, "Certificate (*.cer;*.crt)");
    EXPECT_EQ(files_.Requests()[0].proposed, "Bob Example, Example AB.cer");

    // An existing file is replaced only when the user says so; otherwise the
    // dialog comes again.
    testing::WriteFile(out, "kept");
    ClearMessages();
    files_.QueueChoice(out);
    messages_.QueueAnswer(7);
    files_.QueueCancel();
    Command(kCmdCertificateExport);
    EXPECT_EQ(testing::ReadFile(out), "kept");
    EXPECT_EQ(MessageTexts(), Texts{"File exists. Do you want to replace the existing file?"});
    EXPECT_EQ(files_.Requests().size(), 3u);
    files_.QueueChoice(out);
    messages_.QueueAnswer(6);
    Command(kCmdCertificateExport);
    EXPECT_EQ(testing::ReadBytes(out), bob.bytes);

    // A file that cannot be written: the error, and the dialog again.
    testing::WriteFile(env_ / "plain", "a file, no folder");
    ClearMessages();
    files_.QueueChoice(env_ / "plain/bob.cer");
    files_.QueueCancel();
    Command(kCmdCertificateExport);
    EXPECT_EQ(MessageTexts(),
              Texts{"Save failed, is there enough free memory and do you have write permission "
                    "in the specified folder? (E35)"});
    EXPECT_EQ(files_.Requests().size(), 6u);

    // Delete asks first; No keeps the certificate.
    ClearMessages();
    messages_.QueueAnswer(7);
    Command(kCmdCertificateDelete);
    EXPECT_EQ(StoredCertificates(slot), stored);
    ASSERT_EQ(MessageTexts().size(), 1u);
    EXPECT_EQ(MessageTexts()[0].rfind("You will not be able to verify signatures", 0), 0u);
    ClearMessages();
    messages_.QueueAnswer(6);
    Pins({"pin " + kPassword});
    Command(kCmdCertificateDelete);
    EXPECT_EQ(StoredCertificates(slot), Texts{stored[0]});
    EXPECT_EQ(MessageTexts().back(), "The delete of the certificate was successful. (M2)");
    EXPECT_EQ(Column(0), Texts{"Alice Example, Example AB"});

    // The exported file brings it back, byte for byte.
    ClearMessages();
    files_.QueueChoice(out);
    Command(kCmdCertificateAdd);
    EXPECT_EQ(StoredCertificates(slot), stored);
    EXPECT_EQ(MessageTexts(), Texts{"The import of the certificate was successful. (M1)"});
}

TEST_F(CertificateCommandsTest, ViewHandsTheCertificateToTheClientProgram) {
    const MadeCertificate alice = MakeCertificate("Alice Example");
    TokenWith({&alice});
    // A double-click on the row views it, as the menu command does.
    COwnerDrawList* list = View()->ContentList();
    const QRect row = list->visualItemRect(list->topLevelItem(0));
    // A click, then the double-click, as a hand gives them.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    // The client program's line is whole once its newline is there.
    ASSERT_TRUE(ui_testing::WaitFor(
        [&] {
            const std::string line = ClientLog();
            return !line.empty() && line.back() == '\n';
        },
        5000));
    const std::string log = ClientLog();
    ASSERT_EQ(log.rfind("-view ", 0), 0u) << log;
    const std::string file = log.substr(6, log.size() - 7);
    EXPECT_EQ(file.substr(file.size() - 4), ".cer");
    const std::string copy = env_ / ("seen/" + file.substr(file.rfind('/') + 1));
    ASSERT_TRUE(ui_testing::WaitFor([&] { return testing::PathExists(copy); }, 5000));
    EXPECT_EQ(testing::ReadBytes(copy), alice.bytes);
}

TEST_F(CertificateCommandsTest, DroppedFilesAreAddedAndDuplicatesRefused) {
    const MadeCertificate alice = MakeCertificate("Alice Example");
    const MadeCertificate bob = MakeCertificate("Bob Example");
    const int32_t slot = TokenWith({});
    Pins({"pin " + kPassword});
    View()->OnDropFiles({ToQString(alice.pem), ToQString(bob.der)});
    EXPECT_EQ(StoredCertificates(slot),
              (Texts{Base64Encode(alice.bytes), Base64Encode(bob.bytes)}));
    ClearMessages();
    View()->OnDropFiles({ToQString(bob.pem)});
    EXPECT_EQ(MessageTexts(), Texts{"Certificate already exists. (E45)"});
    EXPECT_EQ(StoredCertificates(slot).size(), 2u);
}

TEST_F(CertificateCommandsTest, CertificatesWithTheirKeyOnTheTokenStandOutWithoutALogin) {
    const MadeCertificate alice = MakeCertificate("Alice Example");
    const MadeCertificate bob = MakeCertificate("Bob Example");
    const std::string p12 = MakePkcs12(alice, "p12-pass");
    const int32_t slot = TokenWith({&bob});
    files_.QueueChoice(p12);
    Pins({"pin p12-pass", "pin " + kPassword});
    Command(kCmdCertificateAdd);
    EXPECT_EQ(MessageTexts(), Texts{"The import of the certificate was successful. (M1)"});

    CloseWindow();
    OpenWindow();
    frame_->List()->SelectSlot(slot);
    app_.SetActiveSlot(slot);
    EXPECT_FALSE(app_.IsLoggedIn());
    COwnerDrawList* list = View()->ContentList();
    ASSERT_EQ(Column(0), (Texts{"Bob Example, Example AB", "Alice Example, Example AB"}));
    EXPECT_EQ(list->ItemImage(0), kImageCertificate);
    EXPECT_EQ(list->ItemImage(1), kImageCertificateWithKey);
    EXPECT_TRUE(list->topLevelItem(0)->toolTip(0).isEmpty());
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(ToUtf8(list->topLevelItem(1)->toolTip(column)),
                  "The private key of this certificate is on the token.");
    }
    // The two icons differ where a person sees them.
    const QList<QIcon>& icons = View()->SmallIcons();
    ASSERT_GT(icons.size(), kImageCertificateWithKey);
    EXPECT_NE(icons[kImageCertificate].pixmap(16).toImage(),
              icons[kImageCertificateWithKey].pixmap(16).toImage());
}

}  // namespace
}  // namespace orx
