// The wizard against the scriptable fake module: the pages, the calls it makes,
// the names it proposes and every failure message, driven with keys and clicks.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base64.h"
#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/language.h"
#include "core/trace.h"
#include "fake_plugin_fixture.h"
#include "fileop/file_op_texts.h"
#include "support/gui/file_dialog_answers.h"
#include "support/gui/message_sink.h"
#include "support/test_environment.h"
#include "support/write_failures.h"
#include "token/token_application.h"
#include "wizard_driver.h"

namespace orx {
namespace {

using message_testing::ScopedMessageSink;
using orx::ui_testing::RunModal;
using testing::FakePluginFolder;
using testing::IsolatedEnvironment;
using testing::PathExists;
using testing::ReadFile;
using testing::RunCommand;
using testing::WizardDriver;
using testing::WriteFile;

// A self-signed end-entity certificate made by openssl, as Base64 DER.
std::string MakeCertificate(const IsolatedEnvironment& env, const std::string& name, bool ca) {
    std::string file = name;
    std::replace(file.begin(), file.end(), ' ', '_');
    const std::string der = env / (file + ".der");
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -keyout " + env / (file + ".key") + " -out " +
        der + " -outform DER -days 30 -subj '/CN=" + name +
        "' -addext basicConstraints=critical,CA:" + (ca ? "TRUE" : "FALSE") +
        " -addext keyUsage=digitalSignature,keyEncipherment" +
        " -addext extendedKeyUsage=emailProtection 2>/dev/null";
    if (RunCommand(command) != 0)
        return {};
    return Base64Encode(testing::ReadBytes(der));
}

class WizardFakeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        certificate_ = MakeCertificate(env_, "Alice Signer", false);
        ASSERT_FALSE(certificate_.empty());
    }
    // A file of the test's folder with that content; its path.
    std::string Input(const std::string& name, std::string_view content) {
        WriteFile(env_ / name, content);
        return env_ / name;
    }
    void OfferSigner() { fake_.AnswerEnum("Certificate", 0, "101;0;Alice;x;" + certificate_); }

    // Runs the wizard; `act` drives it. False when it did not appear or would not close.
    bool Run(int operation, const std::string& input,
             const std::function<void(WizardDriver&)>& act) {
        app_.StartPlugin();
        const auto run = RunModal([&] { return RunFileOpWizard(app_, operation, input); },
                                  [&](QWidget* window) {
                                      WizardDriver driver(window);
                                      act(driver);
                                  },
                                  20000);
        result_ = run.result;
        EXPECT_TRUE(run.ok()) << run.error;
        return run.ok() && !run.closedByDriver;
    }

    static void Enter(WizardDriver& w, int times) {
        for (int i = 0; i < times; ++i)
            w.key(Qt::Key_Return);
    }
    std::vector<std::string> Calls(std::string_view prefix) const {
        std::vector<std::string> found;
        for (const std::string& call : fake_.Calls()) {
            if (call.rfind(prefix, 0) == 0)
                found.push_back(call);
        }
        return found;
    }
    bool Called(const std::string& call) const {
        const auto calls = fake_.Calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
    // The string id of each message shown, 0 for a text that is none of the wizard's.
    std::vector<int> MessageIds() const {
        std::vector<int> ids;
        for (const auto& message : sink_.Messages()) {
            int found = 0;
            for (int id : {2002, 2027, 2028, 2029, 2030, 2031, 2035, 2044, 2209}) {
                if (message.text.find(GetText(id)) != std::string::npos)
                    found = id;
            }
            ids.push_back(found);
        }
        return ids;
    }

    IsolatedEnvironment env_;
    FakePluginFolder fake_{env_};
    TokenApplication app_;
    ScopedMessageSink sink_;
    std::string certificate_;
    int result_ = -1;
};

TEST_F(WizardFakeTest, SignsWithEnterOnEveryPage) {
    const std::string input = Input("report.txt", "quarterly figures\n");
    fake_.AnswerGet("Signature", Base64Encode(std::string_view("SIGNED-BYTES")));
    OfferSigner();
    ASSERT_TRUE(Run(kFileOpSign, input, [&](WizardDriver& w) {
        EXPECT_EQ(w.page(), 0);
        EXPECT_EQ(w.window()->windowTitle().toStdString().rfind("Sign - ", 0), 0u);
        EXPECT_EQ(w.text(kIdPageTitle), "Sign");
        EXPECT_EQ(w.item(kIdBack), nullptr);  // hidden on the first page
        EXPECT_EQ(w.text(kIdNext), "&Next >");
        w.picture("wizard_sign_page0");
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 1);
        EXPECT_EQ(w.text(kIdPathEdit), input);
        EXPECT_EQ(ItemId(w.focus()), kIdPathEdit);
        w.picture("wizard_sign_page1");
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 2);
        EXPECT_EQ(w.text(kIdCertificateCombo), "Alice Signer");
        EXPECT_EQ(w.text(kIdNext), "&Sign");
        EXPECT_EQ(w.item(kIdAlgorithmCombo), nullptr);
        w.picture("wizard_sign_page2");
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 3);
        EXPECT_EQ(w.text(kIdPathEdit), input + ".p7s");
        EXPECT_EQ(w.text(kIdNext), "&Finish");
        EXPECT_FALSE(w.enabled(kIdBack));
        w.picture("wizard_sign_page3");
        w.key(Qt::Key_Return);
    }));
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(ReadFile(input + ".p7s"), "SIGNED-BYTES");
    EXPECT_TRUE(sink_.Messages().empty());
    EXPECT_TRUE(Called("PlgSetProperty\tFileName\treport.txt"));
    EXPECT_TRUE(Called("PlgSetProperty\tBase64\ttrue"));
    EXPECT_TRUE(Called("PlgSetProperty\tMIME\tfalse"));
    EXPECT_TRUE(Called("PlgSetProperty\tKeyUsage\t192"));
    EXPECT_EQ(Calls("PlgInvoke\tSign").size(), 1u);
    // The certificate went to the module as the operation's signer.
    EXPECT_TRUE(Called("PlgSetProperty\tCertificate\t" + certificate_));
}

TEST_F(WizardFakeTest, EncryptsWithTheChosenAlgorithmAndRemembersIt) {
    ConfigWriteString("Encryption", "DefaultAlgorithm", "2.16.840.1.101.3.4.1.2");
    // The same certificate once more, and a CA certificate: neither is offered.
    fake_.AnswerEnum("Certificate", 1, "101;0;Alice;x;" + certificate_);
    fake_.AnswerEnum("Certificate", 2, "101;0;CA;x;" + MakeCertificate(env_, "Some CA", true));
    const std::string trace = env_ / "wizard.trace";
    TraceSetFile(trace);
    const std::string input = Input("data.bin", "secret");
    OfferSigner();
    ASSERT_TRUE(Run(kFileOpEncrypt, input, [&](WizardDriver& w) {
        Enter(w, 2);
        ASSERT_EQ(w.page(), 2);
        auto* certificates = qobject_cast<QComboBox*>(w.item(kIdCertificateCombo));
        ASSERT_NE(certificates, nullptr);
        EXPECT_EQ(certificates->count(), 1);
        EXPECT_EQ(w.text(kIdAlgorithmCombo), "AES (128 bit)");
        EXPECT_EQ(w.text(kIdNext), "&Encrypt");
        // Down arrow in the algorithm list: AES (192 bit).
        ASSERT_TRUE(w.tabTo(kIdAlgorithmCombo));
        w.key(Qt::Key_Down);
        EXPECT_EQ(w.text(kIdAlgorithmCombo), "AES (192 bit)");
        w.picture("wizard_encrypt_page2");
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 3);
        EXPECT_EQ(w.text(kIdPathEdit), input + ".p7m");
        w.picture("wizard_encrypt_page3");
        w.key(Qt::Key_Return);
    }));
    // The fake answers "Data" with what it was given: the bytes went there and back.
    EXPECT_EQ(ReadFile(input + ".p7m"), "secret");
    EXPECT_TRUE(Called("PlgSetProperty\tAlgorithm\t2.16.840.1.101.3.4.1.22"));
    std::string stored;
    ConfigReadString("Encryption", "DefaultAlgorithm", stored);
    EXPECT_EQ(stored, "2.16.840.1.101.3.4.1.22");
    // Offered once from the token; the copy of the second pass and the CA are left out.
    EXPECT_EQ(testing::CountTraceLines(trace, "FileOp - Add current: '2.5.4.3=Alice Signer'"), 1);
    EXPECT_EQ(testing::CountTraceLines(trace, "FileOp - Add other"), 0);
    EXPECT_EQ(testing::CountTraceLines(trace, "Some CA"), 0);
    TraceSetFile("");
}

TEST_F(WizardFakeTest, VerifyShowsTheSignersAndProposesTheOriginalName) {
    const std::string input = Input("report.txt.p7s", std::string("\x30\x80signed", 8));
    fake_.AnswerGet("Certificate", certificate_ + ";");
    ASSERT_TRUE(Run(kFileOpVerify, input, [&](WizardDriver& w) {
        w.key(Qt::Key_Return);
        w.picture("wizard_verify_page1");
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 2);
        EXPECT_EQ(w.text(kIdCertificateCombo), "Alice Signer");
        EXPECT_EQ(w.text(kIdNext), "&Verify");
        w.picture("wizard_verify_page2");
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 3);
        EXPECT_NE(w.item(kIdValidIcon), nullptr);
        EXPECT_EQ(w.text(kIdPathEdit), env_ / "report.txt");
        w.picture("wizard_verify_page3");
        w.key(Qt::Key_Return);
    }));
    EXPECT_TRUE(PathExists(env_ / "report.txt"));
    EXPECT_EQ(Calls("PlgInvoke\tVerify").size(), 1u);
    EXPECT_TRUE(Called("PlgSetProperty\tAllowExternalCert\ttrue"));
}

TEST_F(WizardFakeTest, DecryptTakesTheOriginalNameFromTheModule) {
    const std::string input = Input("letter.P7M", "envelope");
    ASSERT_TRUE(Run(kFileOpDecrypt, input, [&](WizardDriver& w) {
        Enter(w, 2);
        ASSERT_EQ(w.page(), 2);
        EXPECT_EQ(w.item(kIdAlgorithmCombo), nullptr);  // hidden for decrypting
        EXPECT_EQ(w.text(kIdNext), "&Decrypt");
        w.picture("wizard_decrypt_page2");
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 3);
        // The module answered the name the wizard told it: the envelope's own.
        EXPECT_EQ(w.text(kIdPathEdit), env_ / "letter");
        w.key(Qt::Key_Return);
    }));
    EXPECT_EQ(ReadFile(env_ / "letter"), "envelope");
    EXPECT_TRUE(sink_.Messages().empty()) << sink_.Messages().front().text;
}

TEST_F(WizardFakeTest, FailuresShowTheirMessageAndStayOnThePage) {
    const std::string input = env_ / "report.txt";
    WriteFile(env_ / "empty.txt", "");
    WriteFile(input, "text");
    WriteFile(env_ / "plain-file", "x");
    fake_.AnswerGet("Signature", Base64Encode(std::string_view("SIG")));
    OfferSigner();
    ASSERT_TRUE(Run(kFileOpSign, "", [&](WizardDriver& w) {
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 1);
        EXPECT_EQ(w.text(kIdPathEdit), "");
        w.key(Qt::Key_Return);  // nothing typed
        EXPECT_EQ(w.page(), 1);
        w.typePath(env_ / "missing.txt");
        w.key(Qt::Key_Return);
        EXPECT_EQ(w.page(), 1);
        w.typePath(env_ / "empty.txt");
        w.key(Qt::Key_Return);
        EXPECT_EQ(w.page(), 1);
        w.typePath(input);
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 2);
        // Back and forth keeps what was typed.
        w.click(kIdBack);
        EXPECT_EQ(w.page(), 1);
        EXPECT_EQ(w.text(kIdPathEdit), input);
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 2);
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 3);
        // A path whose parent is a regular file cannot be written, even by root.
        w.typePath(env_ / "plain-file/out.p7s");
        w.key(Qt::Key_Return);
        EXPECT_EQ(w.page(), 3);
        // An existing file answered No stays; Yes replaces it.
        w.typePath(env_ / "plain-file");
        sink_.QueueAnswer(7);
        w.key(Qt::Key_Return);
        EXPECT_EQ(w.page(), 3);
        sink_.QueueAnswer(6);
        w.key(Qt::Key_Return);
    }));
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(MessageIds(),
              (std::vector<int>{kErrorOpenFile, kErrorOpenFile, kErrorOpenFile, kErrorSaveFailed,
                                kQuestionReplace, kQuestionReplace}));
    EXPECT_EQ(ReadFile(env_ / "plain-file"), "SIG");
    EXPECT_FALSE(PathExists(env_ / "report.txt.p7s"));
}

TEST_F(WizardFakeTest, NoCertificateGives2044) {
    // The module offers no certificate at all.
    const std::string input = Input("report.txt", "text");
    ASSERT_TRUE(Run(kFileOpSign, input, [&](WizardDriver& w) {
        Enter(w, 2);
        ASSERT_EQ(w.page(), 2);
        w.key(Qt::Key_Return);
        EXPECT_EQ(w.page(), 2);
        EXPECT_FALSE(w.enabled(kIdView));
        w.key(Qt::Key_Escape);
    }));
    EXPECT_EQ(result_, 2);
    EXPECT_EQ(MessageIds(), std::vector<int>{kErrorNoCertificate});
    EXPECT_TRUE(Calls("PlgInvoke\tSign").empty());
}

TEST_F(WizardFakeTest, AFailedOperationShowsItsMessage) {
    const std::string input = Input("report.txt", "text");
    fake_.AnswerInvoke("Sign", 0x101);
    OfferSigner();
    ASSERT_TRUE(Run(kFileOpSign, input, [&](WizardDriver& w) {
        Enter(w, 3);
        EXPECT_EQ(w.page(), 2);
        w.click(kIdCancel);
    }));
    EXPECT_EQ(MessageIds(), std::vector<int>{2002});
    EXPECT_FALSE(PathExists(input + ".p7s"));
}

TEST_F(WizardFakeTest, VerifyInputWithoutCertificatesGives2028) {
    const std::string input = Input("report.txt.p7s", "not signed at all");
    ASSERT_TRUE(Run(kFileOpVerify, input, [&](WizardDriver& w) {
        Enter(w, 2);
        EXPECT_EQ(w.page(), 1);
        w.key(Qt::Key_Escape);
    }));
    EXPECT_EQ(result_, 2);
    EXPECT_EQ(MessageIds(), std::vector<int>{kErrorBadContent});
}

TEST_F(WizardFakeTest, Base64InputIsDecodedBeforeTheModuleSeesIt) {
    const std::string input = env_ / "report.txt.p7s";
    // "MIIB" is how Base64 DER begins.
    WriteFile(input, "MIIBAAEC");
    fake_.AnswerGet("Certificate", certificate_ + ";");
    ASSERT_TRUE(Run(kFileOpVerify, input, [&](WizardDriver& w) {
        Enter(w, 2);
        EXPECT_EQ(w.page(), 2);
        w.key(Qt::Key_Escape);
    }));
    const std::vector<uint8_t> decoded = Base64Decode(std::string_view("MIIBAAEC"));
    EXPECT_TRUE(Called("PlgSetProperty\tData\t" + Base64Encode(decoded)));
}

TEST_F(WizardFakeTest, BrowseButtonsOpenAndSaveThroughTheFileDialog) {
    const std::string input = Input("chosen.txt", "text");
    fake_.AnswerGet("Signature", Base64Encode(std::string_view("S")));
    file_dialog_testing::ScopedFileDialogAnswers answers;
    answers.QueueChoice(input);
    answers.QueueChoice(env_ / "elsewhere.p7s");
    OfferSigner();
    ASSERT_TRUE(Run(kFileOpSign, "", [&](WizardDriver& w) {
        w.key(Qt::Key_Return);
        w.click(kIdBrowse);
        EXPECT_EQ(w.text(kIdPathEdit), input);
        Enter(w, 2);
        ASSERT_EQ(w.page(), 3);
        w.click(kIdBrowse);
        w.key(Qt::Key_Return);
    }));
    ASSERT_EQ(answers.Requests().size(), 2u);
    EXPECT_TRUE(answers.Requests()[0].open);
    EXPECT_FALSE(answers.Requests()[1].open);
    EXPECT_EQ(answers.Requests()[1].proposed, input + ".p7s");
    EXPECT_EQ(answers.Requests()[0].description, "All Files (*.*)");
    EXPECT_EQ(ReadFile(env_ / "elsewhere.p7s"), "S");
}

TEST_F(WizardFakeTest, TabWalksThePageThenTheButtons) {
    OfferSigner();
    const std::string input = Input("report.txt", "text");
    ASSERT_TRUE(Run(kFileOpSign, input, [&](WizardDriver& w) {
        // The focus on five presses of Tab, from where it is.
        const auto order = [&w] {
            std::vector<int> ids;
            for (int i = 0; i < 5; ++i) {
                ids.push_back(ItemId(w.focus()));
                w.key(Qt::Key_Tab);
            }
            return ids;
        };
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 1);
        EXPECT_EQ(order(), (std::vector<int>{kIdPathEdit, kIdBrowse, kIdBack, kIdNext, kIdCancel}));
        // Back to the edit box, then on to the certificate page.
        EXPECT_EQ(ItemId(w.focus()), kIdPathEdit);
        w.key(Qt::Key_Return);
        ASSERT_EQ(w.page(), 2);
        EXPECT_TRUE(w.enabled(kIdView));
        EXPECT_EQ(order(),
                  (std::vector<int>{kIdCertificateCombo, kIdView, kIdBack, kIdNext, kIdCancel}));
        w.key(Qt::Key_Escape);
    }));
    EXPECT_EQ(result_, 2);
}

// A write that fails half-way leaves the old file as it was and nothing beside it;
// Cancel on the last page writes nothing at all.
TEST_F(WizardFakeTest, AFailedWriteLeavesTheOldFileWhole) {
    OfferSigner();
    std::filesystem::create_directories(env_ / "out");
    const std::string input = env_ / "out/report.txt";
    const std::string output = input + ".p7s";
    WriteFile(input, "text");
    WriteFile(output, "the old signature");
    fake_.AnswerGet("Signature", Base64Encode(std::string_view("A NEW AND LONGER SIGNATURE")));
    ASSERT_TRUE(Run(kFileOpSign, input, [&](WizardDriver& w) {
        Enter(w, 3);
        ASSERT_EQ(w.page(), 3);
        file_testing::FailWritesAfter(5);
        sink_.QueueAnswer(6);
        w.key(Qt::Key_Return);
        file_testing::FailWritesAfter(-1);
        EXPECT_EQ(w.page(), 3);
        EXPECT_EQ(ReadFile(output), "the old signature");
        w.key(Qt::Key_Escape);
    }));
    EXPECT_EQ(result_, 2);
    EXPECT_EQ(MessageIds(), (std::vector<int>{kQuestionReplace, kErrorSaveFailed}));
    EXPECT_EQ(ReadFile(output), "the old signature");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(env_ / "out"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"report.txt", "report.txt.p7s"}));
}

}  // namespace
}  // namespace orx
