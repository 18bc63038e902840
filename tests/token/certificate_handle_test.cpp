// Certificates of the token plug-in as handles: GetCertificateAt, and orxxctl
// token certs printing a token's certificates, against the fake module.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/base64.h"
#include "der/cert_inspection.h"
#include "der/cert_summary.h"
#include "fake_plugin_fixture.h"
#include "token/token_application.h"

namespace orx {
namespace {

using orx::testing::FakePluginFolder;

class TokenCertificateTest : public ::testing::Test {
  protected:
    // A self-signed certificate made by openssl, as DER.
    std::vector<uint8_t> MakeCertificate(const std::string& cn) {
        const std::string path = env_ / (cn + ".der");
        EXPECT_EQ(
            orx::testing::RunCommand("openssl req -x509 -newkey rsa:1024 -nodes -keyout '" +
                                     (env_ / "k.pem") + "' -subj '/CN=" + cn +
                                     "' -days 5 -outform DER -out '" + path + "' 2>/dev/null"),
            0);
        return orx::testing::ReadBytes(path);
    }

    orx::testing::IsolatedEnvironment env_;
    FakePluginFolder fake_{env_};
};

TEST_F(TokenCertificateTest, GetCertificateAtGivesHandlesWithTheirSlot) {
    const std::vector<uint8_t> alice = MakeCertificate("Alice");
    std::string base64 = Base64Encode(alice);
    fake_.AnswerEnum("Certificate", 0, "3;Alice;Reader;Alice signing;" + base64);
    // Line breaks inside the Base64 text are dropped by the decoder.
    base64.insert(40, "\\n");
    base64.insert(10, "\\n ");
    fake_.AnswerEnum("Certificate", 1, "101;Alice;Soft;copy;" + base64);
    fake_.AnswerEnum("Certificate", 2, "4;x;y;not a certificate;MAA=");
    TokenApplication app;
    ASSERT_EQ(app.Initialize(0, 0, 0, 0), kPluginOk);

    std::string field3;
    const CertHandle first = app.GetCertificateAt(0, 0xC0, false, &field3, 64);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->ownerSlotId, 3);
    EXPECT_EQ(field3, "Alice signing");
    const CertHandle expected = CertCreate(alice);
    EXPECT_TRUE(CertEqual(first.get(), expected.get()));
    EXPECT_EQ(*first->certificate.NameText(kSubject), "2.5.4.3=Alice");

    const CertHandle second = app.GetCertificateAt(1, 0xC0, false);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->ownerSlotId, 101);
    EXPECT_TRUE(CertEqual(second.get(), expected.get()));

    // Bytes that are no certificate end the enumeration, as an absent entry does.
    EXPECT_FALSE(app.GetCertificateAt(2, 0xC0, false));
    EXPECT_FALSE(app.GetCertificateAt(3, 0xC0, false));
}

TEST_F(TokenCertificateTest, TokenCertsPrintsTheSlotGroupsCertificates) {
    const std::vector<uint8_t> alice = MakeCertificate("Alice");
    const std::vector<uint8_t> bob = MakeCertificate("Bob");
    const std::vector<uint8_t> soft = MakeCertificate("Soft");
    // The card in slots 1 to 3 holds Alice (slot 1) and Bob (slot 3).
    fake_.AnswerEnum("CertificateEx", 0, "1;a;b;Alice;c;d;e;2030-01-01;" + Base64Encode(alice));
    fake_.AnswerEnum("CertificateEx", 1, "4;a;b;Other card;c;d;e;f;" + Base64Encode(soft));
    fake_.AnswerEnum("CertificateEx", 2, "3;a;b;Bob;c;d;e;f;" + Base64Encode(bob));
    fake_.AnswerEnum("CertificateEx", 3, "100;a;b;Soft;c;d;e;f;" + Base64Encode(soft));
    const std::string program = fake_.programFolder() + "/orxxctl";
    std::filesystem::copy_file(orx::testing::BinPath("orxxctl"), program,
                               std::filesystem::copy_options::overwrite_existing);
    auto run = [&](const std::string& arguments, std::string* output) {
        output->clear();
        return orx::testing::RunCommand("'" + program + "' " + arguments + " 2>/dev/null", output);
    };

    const std::string aliceText = CertSummary(*CertCreate(alice));
    const std::string bobText = CertSummary(*CertCreate(bob));
    const std::string softText = CertSummary(*CertCreate(soft));
    std::string output;
    EXPECT_EQ(run("token certs 2", &output), 0);
    EXPECT_EQ(output, aliceText + "\n" + bobText);
    EXPECT_NE(output.find("subject: 2.5.4.3=Bob\n"), std::string::npos);
    EXPECT_EQ(run("token certs 1", &output), 0);
    EXPECT_EQ(output, aliceText + "\n" + bobText);
    EXPECT_EQ(run("token certs 100", &output), 0);
    EXPECT_EQ(output, softText);
    EXPECT_EQ(run("token certs 101", &output), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(run("token certs 0", &output), 2);
    EXPECT_EQ(run("token certs card", &output), 2);
    EXPECT_EQ(run("token certs", &output), 2);
}

}  // namespace
}  // namespace orx
