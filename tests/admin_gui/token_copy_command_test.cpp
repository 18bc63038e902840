// Ctrl+C over the real module: the certificates tab as text, each certificate's PEM
// block exactly as `openssl x509 -outform PEM` prints it; the components view with
// the configuration's "Components" values; a data box's rows.
#include <QApplication>
#include <QTabBar>
#include <QTest>

#include "admin/admin_list.h"
#include "admin_fixture.h"
#include "core/config_file.h"
#include "token_commands_fixture.h"
#include "ui/clipboard.h"
#include "ui/owner_draw_list.h"

namespace orx {
namespace {

using testing::MadeCertificate;
using testing::Texts;

const std::string kPassword = "copy-pass-1";

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

class CopyCommandTest : public testing::TokenCommandsTest {
  protected:
    void PressCtrlC() {
        frame_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
        View()->ContentList()->setFocus();
        SetClipboardText("");
        QTest::keyClick(View()->ContentList(), Qt::Key_C, Qt::ControlModifier);
    }
    std::string OpensslPem(const MadeCertificate& certificate) {
        std::string pem;
        EXPECT_EQ(testing::RunCommand(
                      "openssl x509 -inform DER -in '" + certificate.der + "' -outform PEM", &pem),
                  0);
        return pem;
    }
};

TEST_F(CopyCommandTest, TheCertificatesTabWithItsPemBlocks) {
    const MadeCertificate alice = MakeCertificate("Alice Example");
    const MadeCertificate bob = MakeCertificate("Bob Example", "rsa");
    const int32_t slot = CreateToken("Alice", kPassword);
    Pins({"pin " + kPassword});
    ASSERT_EQ(WriteCertificate(slot, alice.bytes), 0);
    ASSERT_EQ(WriteCertificate(slot, bob.bytes), 0);
    CloseWindow();
    OpenWindow();
    frame_->List()->SelectSlot(slot);
    PressCtrlC();

    const Texts subjects = Column(0), issuers = Column(1), dates = Column(2);
    ASSERT_EQ(subjects, (Texts{"Alice Example, Example AB", "Bob Example, Example AB"}));
    std::string expected = "Alice\r\n" + View()->HeaderLine(2) + "\r\n\r\n";
    const MadeCertificate* made[] = {&alice, &bob};
    for (size_t row = 0; row < 2; ++row) {
        expected += subjects[row] + "\t" + issuers[row] + "\t" + dates[row] + "\t\r\n";
        expected += WithCrLf(OpensslPem(*made[row])) + "\r\n";
    }
    EXPECT_EQ(GetClipboardText(), expected);
    // The RSA certificate's block runs over many lines of 64 characters.
    EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 20);
}

TEST_F(CopyCommandTest, TheComponentsWithTheirConfiguredValuesAndADataBox) {
    ASSERT_EQ(ConfigWriteString("Components", "Module", "orx.so 4.2.0.0"), kConfigOk);
    ASSERT_EQ(ConfigWriteString("Components", "Client", "orx 4.2.0.0"), kConfigOk);
    const int32_t slot = CreateToken("Boxes", kPassword);
    Pins({"pin " + kPassword});
    ASSERT_EQ(WriteBox(slot, false, testing::DataBoxBlob({{"Phone", "+46 8 123"}})), 0);
    CloseWindow();
    OpenWindow();

    frame_->List()->SelectSlot(999);  // the Components entry
    ASSERT_EQ(View()->Mode(), kModeComponents);
    PressCtrlC();
    const std::string text = GetClipboardText();
    EXPECT_EQ(text.rfind("Orvex\r\n" + View()->HeaderLine(2) + "\r\n\r\n", 0), 0u) << text;
    const std::string values = "\r\n\r\norx.so 4.2.0.0\r\norx 4.2.0.0\r\n";
    ASSERT_GE(text.size(), values.size());
    EXPECT_EQ(text.substr(text.size() - values.size()), values) << text;
    // One line per component row, with its four cells.
    const Texts files = Column(0);
    ASSERT_FALSE(files.empty());
    EXPECT_NE(text.find("\r\n" + files[0] + "\t"), std::string::npos);

    frame_->List()->SelectSlot(slot);
    View()->Tabs()->setCurrentIndex(kTabPublicBox);
    PressCtrlC();
    EXPECT_EQ(GetClipboardText(),
              "Boxes\r\n" + View()->HeaderLine(2) + "\r\n\r\nPhone\t+46 8 123\t\r\n");
}

}  // namespace
}  // namespace orx
