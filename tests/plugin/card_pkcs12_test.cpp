// A PKCS#12 file imported onto a card application as onto a soft token: the key,
// its certificate and the chain in one write with the application's login, and
// the key found there by signing afterwards.
#include "card_fixture.h"
#include "cms/cms_text.h"
#include "cms_test_support.h"
#include "core/base64.h"
#include "results/module_results.h"

namespace orx::testing {
namespace {

class CardPkcs12 : public CardTest, public CmsFilesSuite {
  protected:
    static void SetUpTestSuite() { MakeFiles(); }
    static void TearDownTestSuite() { RemoveFiles(); }

    void SetUp() override {
        CardTest::SetUp();
        ASSERT_EQ(MakeCard(Path("c.card"), "Signer", "puk-12345678", "card-pass"), 0);
        ASSERT_EQ(Insert("Reader", Path("c.card")), 0);  // slots 1, 2, 3
        // Alice's key and certificate, with Bob's certificate as the chain.
        ASSERT_EQ(0, RunCommand("openssl pkcs12 -export -in " + Quote(Files().alice.certPath) +
                                " -inkey " + Quote(Files().alice.keyPath) + " -certfile " +
                                Quote(Files().bob.certPath) + " -passout pass:p12-pass -out " +
                                Quote(Path("id.p12"))));
    }

    int Import(int slot, std::initializer_list<std::string> pins) {
        Script(pins);
        app_->SetActiveSlot(slot);
        const std::string p12 = ReadFile(Path("id.p12"));
        app_->SetPropertyBytes("Certificate", AsBytes(p12));
        return app_->Invoke("WriteCertificate");
    }

    std::string CertificateDer(const TestIdentity& id) {
        EXPECT_EQ(0, RunCommand("openssl x509 -in " + Quote(id.certPath) + " -outform DER -out " +
                                Quote(Path("cert.der"))));
        return ReadFile(Path("cert.der"));
    }
};

TEST_F(CardPkcs12, KeyAndCertificatesGoOntoTheApplicationTogetherOrNotAtAll) {
    // The application's login cancelled or failed: nothing at all is stored.
    EXPECT_EQ(Import(2, {"pin p12-pass", "cancel"}), CKR_CANCEL);
    EXPECT_TRUE(Enum("CertificateEx").empty());
    EXPECT_EQ(Import(2, {"pin p12-pass", "pin wrong-1", "cancel"}), CKR_CANCEL);
    EXPECT_TRUE(Enum("CertificateEx").empty());
    EXPECT_EQ(Import(2, {"pin p12-pass", "pin card-pass"}), CKR_OK);
    EXPECT_EQ(ScriptLeft(), "");

    const std::vector<std::string> entries = Enum("CertificateEx");
    ASSERT_EQ(entries.size(), 2u);
    for (const std::string& entry : entries)
        EXPECT_EQ(FieldOf(entry, 0), "2") << entry;
    EXPECT_EQ(FieldOf(entries[0], 3), "Alice");
    EXPECT_EQ(FieldOf(entries[0], 9), "1");  // its private key is there
    EXPECT_EQ(FieldOf(entries[1], 3), "Bob");
    EXPECT_EQ(FieldOf(entries[1], 9), "0");

    // Signing with Alice's certificate finds her key on the card application.
    const std::string content = "signed on a card";
    app_->SetProperty("Data", Base64Encode(AsBytes(content)).c_str());
    app_->SetProperty("Certificate", Base64Encode(AsBytes(CertificateDer(Files().alice))).c_str());
    ASSERT_EQ(app_->Invoke("Sign"), CKR_OK);
    std::string signature = Get("Signature").value_or("");
    ASSERT_TRUE(Base64DecodeInPlace(signature));
    WriteFile(Path("s.p7s"), signature);
    std::string verified;
    ASSERT_EQ(0, RunCommand("openssl cms -verify -noverify -binary -inform DER -in " +
                                Quote(Path("s.p7s")) + " 2>/dev/null",
                            &verified));
    EXPECT_EQ(verified, content);
}

}  // namespace
}  // namespace orx::testing
