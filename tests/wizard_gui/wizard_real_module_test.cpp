// The wizard through the real module, with a soft token that holds a certificate
// and its key, and the scripted pinentry answering the token's password. What it
// writes is checked with the openssl command line, and what openssl makes is read
// back through it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/config_file.h"
#include "core/language.h"
#include "fileop/file_op_texts.h"
#include "support/gui/message_sink.h"
#include "support/test_environment.h"
#include "token/token_application.h"
#include "token_setup.h"
#include "wizard_driver.h"

namespace orx {
namespace {

using message_testing::ScopedMessageSink;
using orx::ui_testing::RunModal;
using testing::IsolatedEnvironment;
using testing::ReadFile;
using testing::RunCommand;
using testing::ScopedEnv;
using testing::WizardDriver;
using testing::WriteFile;

constexpr const char* kPassword = "wizard-pass-1";
const std::string kContent = "Quarterly figures\nline two\n\x01\x02 binary tail";

class WizardRealModuleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string script;
        for (int i = 0; i < 40; ++i)
            script += std::string("pin ") + kPassword + "\n";
        WriteFile(env_ / "pin-script", script);
        const std::string key = env_ / "key.pem";
        const std::string cert = env_ / "cert.pem";
        ASSERT_EQ(RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + key + " -out " +
                             cert +
                             " -days 30 -subj '/CN=Wizard User/emailAddress=wizard@example.org'"
                             " -addext basicConstraints=critical,CA:FALSE"
                             " -addext keyUsage=digitalSignature,keyEncipherment"
                             " -addext extendedKeyUsage=emailProtection 2>/dev/null"),
                  0);
        ASSERT_EQ(RunCommand("openssl pkcs12 -export -inkey " + key + " -in " + cert + " -out " +
                             env_ / "user.p12" + " -passout pass:" + kPassword),
                  0);
        app_.StartPlugin();
        ASSERT_EQ(CreateTokenWithPkcs12(app_, "Wizard", testing::ReadBytes(env_ / "user.p12")), 0);
        std::filesystem::create_directories(env_ / "in");
        WriteFile(env_ / "in/report.txt", kContent);
    }

    // Enter on every page; `output` typed on the last one when given.
    bool RunThrough(int operation, const std::string& input, const std::string& output = {},
                    std::string* proposed = nullptr, const std::string& picturePrefix = {}) {
        const auto run =
            RunModal([&] { return RunFileOpWizard(app_, operation, input); },
                     [&](QWidget* window) {
                         WizardDriver w(window);
                         for (int page = 0; page < 3; ++page) {
                             if (!picturePrefix.empty())
                                 w.picture(picturePrefix + "_page" + std::to_string(page));
                             w.key(Qt::Key_Return);
                             if (w.page() != page + 1)
                                 return;
                         }
                         if (proposed != nullptr)
                             *proposed = w.text(kIdPathEdit);
                         if (!picturePrefix.empty())
                             w.picture(picturePrefix + "_page3");
                         if (!output.empty())
                             w.typePath(output);
                         w.key(Qt::Key_Return);
                     },
                     30000);
        EXPECT_TRUE(run.ok()) << run.error;
        for (const auto& message : sink_.Messages())
            ADD_FAILURE() << "message: " << message.text;
        return run.ok() && !run.closedByDriver && run.result == 1;
    }

    std::string Openssl(const std::string& arguments) {
        std::string out;
        const int status = RunCommand("openssl " + arguments + " 2>/dev/null", &out);
        return status == 0 ? out : "<openssl failed " + std::to_string(status) + ">";
    }

    IsolatedEnvironment env_;
    ScopedEnv pinentry_{"ORX_PINENTRY", ORX_FAKE_PINENTRY};
    ScopedEnv script_{"FAKE_PINENTRY_SCRIPT", (env_ / "pin-script").c_str()};
    TokenApplication app_;
    ScopedMessageSink sink_;
};

TEST_F(WizardRealModuleTest, SignThenVerifyGivesTheOriginalBack) {
    const std::string input = env_ / "in/report.txt";
    std::string proposed;
    ASSERT_TRUE(RunThrough(kFileOpSign, input, {}, &proposed, "wizard_real_sign"));
    EXPECT_EQ(proposed, input + ".p7s");
    EXPECT_EQ(Openssl("cms -verify -inform DER -in " + input + ".p7s -CAfile " + env_ / "cert.pem"),
              kContent);

    const std::string verified = env_ / "in/verified.txt";
    ASSERT_TRUE(
        RunThrough(kFileOpVerify, input + ".p7s", verified, &proposed, "wizard_real_verify"));
    EXPECT_EQ(proposed, input);
    EXPECT_EQ(ReadFile(verified), kContent);
}

TEST_F(WizardRealModuleTest, EncryptThenDecryptGivesTheOriginalNameAndBytes) {
    ASSERT_EQ(ConfigWriteInt("Encryption", "RecordFileName", 1), kConfigOk);
    const std::string input = env_ / "in/report.txt";
    ASSERT_TRUE(RunThrough(kFileOpEncrypt, input, {}, nullptr, "wizard_real_encrypt"));
    EXPECT_EQ(Openssl("cms -decrypt -inform DER -in " + input + ".p7m -inkey " + env_ / "key.pem" +
                      " -recip " + env_ / "cert.pem"),
              kContent);

    // Elsewhere and under another name, the envelope still knows its file's name.
    std::filesystem::create_directories(env_ / "out");
    std::filesystem::rename(input + ".p7m", env_ / "out/renamed.p7m");
    std::string proposed;
    ASSERT_TRUE(
        RunThrough(kFileOpDecrypt, env_ / "out/renamed.p7m", {}, &proposed, "wizard_real_decrypt"));
    EXPECT_EQ(proposed, env_ / "out/report.txt");
    EXPECT_EQ(ReadFile(env_ / "out/report.txt"), kContent);
}

// By default the envelope keeps no name: every S/MIME reader opens it, and a renamed
// one is proposed under its own name less the extension.
TEST_F(WizardRealModuleTest, ARenamedEnvelopeWithoutItsNameKeepsTheNewOne) {
    const std::string input = env_ / "in/report.txt";
    ASSERT_TRUE(RunThrough(kFileOpEncrypt, input));
    EXPECT_EQ(Openssl("smime -decrypt -binary -inform DER -in " + input + ".p7m -inkey " +
                      env_ / "key.pem"),
              kContent);
    std::filesystem::create_directories(env_ / "out");
    std::filesystem::rename(input + ".p7m", env_ / "out/renamed.p7m");
    std::string proposed;
    ASSERT_TRUE(RunThrough(kFileOpDecrypt, env_ / "out/renamed.p7m", {}, &proposed));
    EXPECT_EQ(proposed, env_ / "out/renamed");
    EXPECT_EQ(ReadFile(env_ / "out/renamed"), kContent);
}

// Decrypted content is written for its owner alone, even under a umask that would
// let everyone read it; what is encrypted follows the umask as files do.
TEST_F(WizardRealModuleTest, DecryptedFilesAreTheOwnersOnly) {
    const std::string input = env_ / "in/report.txt";
    const mode_t old = ::umask(0);
    const bool encrypted = RunThrough(kFileOpEncrypt, input);
    const std::string output = env_ / "in/plain.txt";
    const bool decrypted = encrypted && RunThrough(kFileOpDecrypt, input + ".p7m", output);
    ::umask(old);
    ASSERT_TRUE(encrypted);
    ASSERT_TRUE(decrypted);
    EXPECT_EQ(ReadFile(output), kContent);
    struct stat info {};
    ASSERT_EQ(::stat(output.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat((input + ".p7m").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0666u);
}

TEST_F(WizardRealModuleTest, DecryptsEnvelopesMadeByOpenssl) {
    for (const char* name : {"data.P7M", "archive.bin"}) {
        const std::string envelope = env_ / name;
        ASSERT_EQ(
            RunCommand("openssl cms -encrypt -binary -aes256 -outform DER -in " +
                       env_ / "in/report.txt" + " -out " + envelope + " " + env_ / "cert.pem"),
            0);
        const std::string expected = std::string(name) == "data.P7M" ? env_ / "data" : envelope;
        const std::string output = env_ / (std::string(name) + ".plain");
        std::string proposed;
        ASSERT_TRUE(RunThrough(kFileOpDecrypt, envelope, output, &proposed)) << name;
        EXPECT_EQ(proposed, expected);
        EXPECT_EQ(ReadFile(output), kContent) << name;
    }
}

TEST_F(WizardRealModuleTest, SmimeFormatsVerifyWithOpensslSmime) {
    const std::string input = env_ / "in/report.txt";
    for (int format : {1, 2}) {
        ConfigWriteInt("Encryption", "Format", format);
        const std::string output = env_ / ("in/smime" + std::to_string(format) + ".p7s");
        ASSERT_TRUE(RunThrough(kFileOpSign, input, output)) << format;
        const std::string text = ReadFile(output);
        EXPECT_EQ(text.rfind("MIME-Version:", 0), 0u) << text.substr(0, 80);
        const std::string verified =
            Openssl("smime -verify -in " + output + " -CAfile " + env_ / "cert.pem");
        // S/MIME carries text with canonical line ends.
        std::string canonical = verified;
        for (size_t at; (at = canonical.find("\r\n")) != std::string::npos;)
            canonical.erase(at, 1);
        EXPECT_EQ(canonical, kContent) << format << "\n" << verified;
    }
}

}  // namespace
}  // namespace orx
