// The file operations and the PKCS#12 / PKCS#7 import through the real orx.so and
// the real binding, with the scripted pinentry, checked with the openssl command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "cms/cms_file_name.h"
#include "cms_module_fixture.h"
#include "core/config_file.h"

namespace orx::testing {
namespace {

std::span<const uint8_t> Span(const std::string& text) {
    return AsBytes(text);
}

// Byte for byte, whatever the signedness of char.
bool Contains(const std::vector<uint8_t>& haystack, std::string_view needle) {
    const std::span<const uint8_t> bytes = AsBytes(needle);
    return !bytes.empty() && std::search(haystack.begin(), haystack.end(), bytes.begin(),
                                         bytes.end()) != haystack.end();
}

class CmsModuleTest : public CmsModuleFixture, public CmsFilesSuite {
  protected:
    static void SetUpTestSuite() { MakeFiles(); }
    static void TearDownTestSuite() { RemoveFiles(); }

    void TokenWithAlice() { TokenWith(Files().alice, "Alice token"); }
};

// One context signing again and again names its signer each time: the certificate
// kept decoded from the last signature never stands in for another one.
TEST_F(CmsModuleTest, EachSignatureIsMadeByTheCertificateItNames) {
    TokenWithAlice();
    TokenWith(Files().bob, "Bob token");  // both logged in by their imports
    for (const TestIdentity* signer : {&Files().alice, &Files().bob, &Files().alice}) {
        SCOPED_TRACE(signer->certPath);
        const std::optional<std::string> signature =
            Run("Sign", "content", false, CertDer(*signer));
        ASSERT_TRUE(signature) << lastResult_;
        app_->Invoke("Reset");
        app_->SetProperty("Base64", "true");
        app_->SetPropertyBytes("Data", Span(Decoded(*signature)));
        std::string der = CertDer(*signer);
        std::string list;
        Base64Append({Span(der)}, list);
        EXPECT_EQ(list + ";", Get("Certificate").value_or(""));
        app_->Invoke("Reset");
    }
}

TEST_F(CmsModuleTest, ImportedPkcs12SignsAndItsKeyStaysSealed) {
    TokenWithAlice();
    ASSERT_EQ(0, RunCommand("openssl pkcs8 -topk8 -nocrypt -outform DER -in " +
                            Quote(Files().alice.keyPath) + " -out " + Quote(Path("key.der"))));
    const std::string key = ReadFile(Path("key.der"));
    const std::vector<std::string> files = {TokenFolder() + "Alice token.tkn"};
    const std::vector<uint8_t> token = ReadBytes(files[0]);
    ASSERT_FALSE(token.empty());
    EXPECT_TRUE(Contains(token, CertDer(Files().alice)));
    EXPECT_FALSE(Contains(token, key));
    EXPECT_FALSE(Contains(token, std::string_view(key).substr(key.size() / 2, 32)));

    // A new context: signing asks for the token's password once.
    app_ = Start();
    Script({"pin token-pass"});
    const std::string content = SampleContent(20000);
    const std::optional<std::string> signature =
        Run("Sign", content, false, CertDer(Files().alice));
    ASSERT_TRUE(signature) << lastResult_;
    EXPECT_EQ("", ScriptLeft());
    WriteFile(Path("signed.p7s"), Decoded(*signature));
    ASSERT_EQ(0,
              RunCommand("openssl cms -verify -binary -purpose any -inform DER -in " +
                         Quote(Path("signed.p7s")) + " -CAfile " + Quote(Files().alice.certPath) +
                         " -out " + Quote(Path("out")) + " 2>/dev/null"));
    EXPECT_TRUE(ReadFile(Path("out")) == content);

    // Verify gives the content back; the certificates inside are listed.
    app_->Invoke("Reset");
    app_->SetProperty("Base64", "true");
    app_->SetPropertyBytes("Data", Span(ReadFile(Path("signed.p7s"))));
    std::string der = CertDer(Files().alice);
    std::string list;
    Base64Append({Span(der)}, list);
    EXPECT_EQ(list + ";", Get("Certificate").value_or(""));
    const std::optional<std::string> verified = Run("Verify", ReadFile(Path("signed.p7s")), false);
    ASSERT_TRUE(verified);
    EXPECT_TRUE(Decoded(*verified) == content);
}

TEST_F(CmsModuleTest, WrongPkcs12PasswordAnswers160AndStoresNothing) {
    ASSERT_EQ(0, Create("Alice token", "token-pass"));
    const std::vector<uint8_t> before = ReadBytes(TokenFolder() + "Alice token.tkn");
    Script({"pin wrong-1", "pin wrong-2", "pin wrong-3"});
    app_->SetPropertyBytes("Certificate", Span(MakePkcs12(Files().alice, "p12-pass")));
    EXPECT_EQ(160, app_->Invoke("WriteCertificate"));
    EXPECT_EQ(before, ReadBytes(TokenFolder() + "Alice token.tkn"));

    Script({"cancel"});
    app_->SetPropertyBytes("Certificate", Span(MakePkcs12(Files().alice, "p12-pass")));
    EXPECT_EQ(1, app_->Invoke("WriteCertificate"));
}

TEST_F(CmsModuleTest, Pkcs12FilesOfOlderProgramsImportAndSign) {
    ASSERT_EQ(0, Create("Alice token", "token-pass"));
    // 40-bit RC2 for the certificates: only the legacy provider reads it.
    const std::string p12 = MakePkcs12(Files().alice, "old-pass", "-legacy");
    Script({"pin wrong", "pin old-pass", "pin token-pass"});
    app_->SetPropertyBytes("Certificate", Span(p12));
    ASSERT_EQ(0, app_->Invoke("WriteCertificate"));
    EXPECT_EQ("", ScriptLeft());
    app_ = Start();
    Script({"pin token-pass"});
    EXPECT_TRUE(Run("Sign", "signed with an old key file", false, CertDer(Files().alice)))
        << lastResult_;
}

TEST_F(CmsModuleTest, Pkcs7ImportsItsCertificatesAndOtherBytesAre19) {
    ASSERT_EQ(0, Create("Alice token", "token-pass"));
    ASSERT_EQ(
        0, RunCommand("cat " + Quote(Files().alice.certPath) + " " + Quote(Files().bob.certPath) +
                      " > " + Quote(Path("both.pem")) + " && openssl crl2pkcs7 -nocrl -certfile " +
                      Quote(Path("both.pem")) + " -outform DER -out " + Quote(Path("both.p7b"))));
    Script({"pin token-pass"});
    app_->SetPropertyBytes("Certificate", Span(ReadFile(Path("both.p7b"))));
    ASSERT_EQ(0, app_->Invoke("WriteCertificate"));
    const std::vector<uint8_t> token = ReadBytes(TokenFolder() + "Alice token.tkn");
    EXPECT_TRUE(Contains(token, CertDer(Files().alice)));
    EXPECT_TRUE(Contains(token, CertDer(Files().bob)));

    app_->SetPropertyBytes("Certificate", Span(std::string("just some bytes, no certificate")));
    EXPECT_EQ(19, app_->Invoke("WriteCertificate"));
}

TEST_F(CmsModuleTest, EncryptedFilesRoundTripWithOpensslAndTheirName) {
    TokenWithAlice();
    const std::string content = SampleContent(30000);
    for (const bool mime : {false, true}) {
        SCOPED_TRACE(mime);
        app_->SetProperty("FileName", "report.txt");
        app_->SetProperty("Algorithm", "2.16.840.1.101.3.4.1.42");
        const std::optional<std::string> encrypted =
            Run("Encrypt", content, mime, CertDer(Files().bob));
        ASSERT_TRUE(encrypted) << lastResult_;
        WriteFile(Path("enc"), mime ? *encrypted : Decoded(*encrypted));
        ASSERT_EQ(
            0, RunCommand("openssl cms -decrypt -binary -inform " +
                          std::string(mime ? "SMIME" : "DER") + " -in " + Quote(Path("enc")) +
                          " -inkey " + Quote(Files().bob.keyPath) + " -out " + Quote(Path("dec"))));
        EXPECT_TRUE(ReadFile(Path("dec")) == content);
        // Alice's token holds no key for Bob's file: a result code, no bytes.
        app_->Invoke("Reset");
        EXPECT_FALSE(Run("Decrypt", ReadFile(Path("enc")), false));
        EXPECT_EQ(0x60, lastResult_);
    }

    // To Alice, with the name recorded: decrypted on her token, the name comes back.
    ASSERT_EQ(kConfigOk, ConfigWriteInt("Encryption", "RecordFileName", 1));
    app_->Invoke("Reset");
    app_->SetProperty("FileName", "notes.odt");
    const std::optional<std::string> toAlice =
        Run("Encrypt", content, false, CertDer(Files().alice));
    ASSERT_TRUE(toAlice);
    const std::string envelope = Decoded(*toAlice);
    app_->Invoke("Reset");
    app_->SetProperty("FileName", "envelope.p7m");
    const std::optional<std::string> plain = Run("Decrypt", envelope, false);
    ASSERT_TRUE(plain) << lastResult_;
    EXPECT_TRUE(Decoded(*plain) == content);
    EXPECT_EQ("notes.odt", Get("FileName").value_or(""));

    // A file that openssl encrypted carries no name: none is answered.
    WriteFile(Path("in"), content);
    ASSERT_EQ(
        0, RunCommand("openssl cms -encrypt -des3 -binary -outform DER -in " + Quote(Path("in")) +
                      " -out " + Quote(Path("enc")) + " " + Quote(Files().alice.certPath)));
    app_->Invoke("Reset");
    app_->SetProperty("FileName", "envelope.p7m");
    const std::optional<std::string> fromOpenssl = Run("Decrypt", ReadFile(Path("enc")), false);
    ASSERT_TRUE(fromOpenssl) << lastResult_;
    EXPECT_TRUE(Decoded(*fromOpenssl) == content);
    EXPECT_EQ("", Get("FileName").value_or(""));
}

// The name in clear would tell anyone who sees the envelope what it holds, and
// readers of the older PKCS#7 format refuse an envelope with the attribute: it is
// there only when the configuration asks for it.
TEST_F(CmsModuleTest, EnvelopesCarryTheFileNameOnlyWhenConfigured) {
    TokenWithAlice();
    const std::string content = SampleContent(5000);
    struct Case {
        std::optional<int32_t> setting;  // "Encryption"/"RecordFileName"; none: not set
        bool mime;
        bool recorded;
    };
    const Case cases[] = {
        {std::nullopt, false, false},
        {std::nullopt, true, false},
        {0, false, false},
        {0, true, false},
        {1, false, true},
        {1, true, true},
        {7, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "setting " << c.setting.value_or(-1) << ", mime " << c.mime);
        if (c.setting)
            ASSERT_EQ(kConfigOk, ConfigWriteInt("Encryption", "RecordFileName", *c.setting));
        else
            ConfigDeleteKey("Encryption", "RecordFileName");
        app_->Invoke("Reset");
        app_->SetProperty("FileName", "/home/user/notes.odt");
        const std::optional<std::string> encrypted =
            Run("Encrypt", content, c.mime, CertDer(Files().alice));
        ASSERT_TRUE(encrypted) << lastResult_;
        const std::string file = AsFile(*encrypted, c.mime);
        const std::string der = c.mime ? SmimeBody(file) : file;
        ASSERT_FALSE(der.empty());
        EXPECT_EQ(c.recorded ? "notes.odt" : "", ReadFileNameAttribute(AsBytes(der)));

        WriteFile(Path("enc"), file);
        std::remove(Path("dec").c_str());
        const int smime = RunCommand(
            "openssl smime -decrypt -binary -inform " + std::string(c.mime ? "SMIME" : "DER") +
            " -in " + Quote(Path("enc")) + " -inkey " + Quote(Files().alice.keyPath) + " -out " +
            Quote(Path("dec")) + " 2>/dev/null");
        if (!c.recorded) {
            EXPECT_EQ(0, smime);
            EXPECT_TRUE(ReadFile(Path("dec")) == content);
        }

        app_->Invoke("Reset");
        app_->SetProperty("FileName", "envelope.p7m");
        const std::optional<std::string> plain = Run("Decrypt", file, false);
        ASSERT_TRUE(plain) << lastResult_;
        EXPECT_TRUE(Decoded(*plain) == content);
        EXPECT_EQ(c.recorded ? std::optional<std::string>("notes.odt") : std::nullopt,
                  Get("FileName"));
    }
}

TEST_F(CmsModuleTest, SigningWithoutTheKeyOrWithoutDataFails) {
    ASSERT_EQ(0, Create("Empty token", "token-pass"));
    // The password program started ahead for a token not logged in is never asked
    // when no token holds the key, and it is gone with the operation.
    app_ = Start();
    Script({"pin token-pass"});
    const size_t logged = PinentryLog().size();
    EXPECT_FALSE(Run("Sign", "content", false, CertDer(Files().alice)));
    EXPECT_EQ(0x60, lastResult_);
    EXPECT_EQ("pin token-pass\n", ScriptLeft());
    const std::string log = PinentryLog().substr(logged);
    EXPECT_EQ(std::string::npos, log.find("GETPIN"));
    EXPECT_NE(std::string::npos, log.find("BYE"));
    app_->Invoke("Reset");
    EXPECT_FALSE(Run("Sign", "", false, CertDer(Files().alice)));
    EXPECT_EQ(7, lastResult_);
    app_->Invoke("Reset");
    EXPECT_FALSE(Run("Verify", "no signature at all", false));
    EXPECT_EQ(19, lastResult_);
}

}  // namespace
}  // namespace orx::testing
