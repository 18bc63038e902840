// The file operations and the PKCS#12 / PKCS#7 import through the real orx.so and
// the real binding, with the scripted pinentry, checked with the openssl command line.
#include <gtest/gtest.h>

#include <algorithm>

#include "cms/cms_text.h"
#include "cms_test_support.h"
#include "module_fixture.h"

namespace orx::testing {
namespace {

std::string Decoded(std::string text) {
    EXPECT_TRUE(Base64DecodeInPlace(text));
    return text;
}

std::span<const uint8_t> Span(const std::string& text) {
    return AsBytes(text);
}

// Byte for byte, whatever the signedness of char.
bool Contains(const std::vector<uint8_t>& haystack, std::string_view needle) {
    const std::span<const uint8_t> bytes = AsBytes(needle);
    return !bytes.empty() && std::search(haystack.begin(), haystack.end(), bytes.begin(),
                                         bytes.end()) != haystack.end();
}

class CmsModuleTest : public ModuleTest, public CmsFilesSuite {
  protected:
    static void SetUpTestSuite() { MakeFiles(); }
    static void TearDownTestSuite() { RemoveFiles(); }

    std::string Path(std::string_view name) const { return *env_ / name; }

    std::string MakePkcs12(const TestIdentity& id, const std::string& password,
                           const std::string& options = "") {
        const std::string path = Path("id.p12");
        EXPECT_EQ(0, RunCommand("openssl pkcs12 -export " + options + " -in " + Quote(id.certPath) +
                                " -inkey " + Quote(id.keyPath) +
                                " -name 'Imported key' -passout pass:" + password + " -out " +
                                Quote(path)));
        return ReadFile(path);
    }

    std::string CertDer(const TestIdentity& id) {
        EXPECT_EQ(0, RunCommand("openssl x509 -in " + Quote(id.certPath) + " -outform DER -out " +
                                Quote(Path("cert.der"))));
        return ReadFile(Path("cert.der"));
    }

    // A soft token holding Alice's key and certificate, imported from PKCS#12; the
    // token stays logged in in this context.
    void TokenWithAlice() {
        ASSERT_EQ(0, Create("Alice token", "token-pass"));
        const std::string p12 = MakePkcs12(Files().alice, "p12-pass");
        Script({"pin p12-pass", "pin token-pass"});
        app_->SetPropertyBytes("Certificate", Span(p12));
        ASSERT_EQ(0, app_->Invoke("WriteCertificate"));
        app_->Invoke("Reset");
    }

    // The wizard's calls for one operation; the answer property's text.
    std::optional<std::string> Run(const char* operation, const std::string& data, bool mime,
                                   const std::string& certificate = {},
                                   const char* detached = "false") {
        app_->SetProperty("UrlEncode", "false");
        app_->SetPropertyBytes("Data", Span(data));
        app_->SetProperty("Base64", mime ? "false" : "true");
        app_->SetProperty("MIME", mime ? "true" : "false");
        app_->SetProperty("Detached", detached);
        if (!certificate.empty())
            app_->SetPropertyBytes("Certificate", Span(certificate));
        const int result = app_->Invoke(operation);
        lastResult_ = result;
        if (result != 0)
            return std::nullopt;
        return Get(std::string_view(operation) == "Sign" ? "Signature" : "Data");
    }

    int lastResult_ = 0;
};

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

    // To Alice: decrypted on her token, the name comes back.
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
