// OpenSC's pkcs11-tool with the module: listing, objects, signatures and decryption,
// each result checked with the openssl command line and the key files.
#include "pkcs11/interop_fixture.h"

namespace orx::testing {
namespace {

class OpenScTool : public P11Interop {
  protected:
    std::string Tool(const std::string& arguments) {
        return "pkcs11-tool --module " + QuotedModule() + " " + arguments;
    }
    std::string LoggedIn(const std::string& arguments) {
        return Tool("--slot " + std::to_string(slot_) + " --login --pin " + kPin + " " + arguments);
    }
};

TEST_F(OpenScTool, ListsTheSlotsAndTokens) {
    std::string output;
    ASSERT_EQ(0, Run(Tool("-L"), &output));
    EXPECT_NE(std::string::npos, output.find("token label        : Interop")) << output;
    EXPECT_NE(std::string::npos, output.find("token model        : Soft Token")) << output;
    EXPECT_NE(std::string::npos, output.find("pin min/max        : 6/64")) << output;
    EXPECT_NE(std::string::npos, output.find("(0x64)")) << output;  // slot 100
}

TEST_F(OpenScTool, ListsTheObjects) {
    std::string output;
    ASSERT_EQ(0, Run(Tool("--slot " + std::to_string(slot_) + " --list-objects"), &output));
    EXPECT_NE(std::string::npos, output.find("Certificate Object")) << output;
    EXPECT_EQ(std::string::npos, output.find("Private Key Object")) << output;
    ASSERT_EQ(0, Run(LoggedIn("--list-objects"), &output));
    for (const char* wanted :
         {"Private Key Object; RSA", "Private Key Object; EC", "Public Key Object; RSA 2048 bits",
          "Public Key Object; EC", "label:      Rsa Signer", "subject:    DN: CN=Ec Signer"})
        EXPECT_NE(std::string::npos, output.find(wanted)) << wanted << "\n" << output;
    EXPECT_NE(std::string::npos, output.find("ID:         " + HexId(RsaPair()))) << output;
}

TEST_F(OpenScTool, SignsWhatOpenSslVerifies) {
    WriteFile(Path("message.txt"), "the data to sign\n");
    struct Case {
        const TestKeyPair* pair;
        const char* mechanism;
        const char* extra;
        const char* verify;
    } cases[] = {
        {&RsaPair(), "SHA256-RSA-PKCS", "", "-sha256"},
        {&RsaPair(), "SHA384-RSA-PKCS-PSS", "--salt-len -1",
         "-sha384 -sigopt rsa_padding_mode:pss -sigopt rsa_pss_saltlen:-1"},
        {&EcPair(), "ECDSA-SHA256", "--signature-format openssl", "-sha256"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mechanism);
        ASSERT_EQ(0, Run(LoggedIn(std::string("--sign --mechanism ") + c.mechanism + " " + c.extra +
                                  " --id " + HexId(*c.pair) + " -i " + Path("message.txt") +
                                  " -o " + Path("signature"))));
        ASSERT_EQ(0, Run("openssl x509 -in '" + c.pair->certPath + "' -pubkey -noout > " +
                         Path("public.pem")));
        std::string output;
        EXPECT_EQ(0,
                  Run(std::string("openssl dgst ") + c.verify + " -verify " + Path("public.pem") +
                          " -signature " + Path("signature") + " " + Path("message.txt"),
                      &output));
        EXPECT_NE(std::string::npos, output.find("Verified OK")) << output;
    }
}

TEST_F(OpenScTool, DecryptsWhatOpenSslEncrypted) {
    WriteFile(Path("secret"), "a content key of some bytes");
    ASSERT_EQ(0, Run("openssl x509 -in '" + RsaPair().certPath + "' -pubkey -noout > " +
                     Path("public.pem")));
    struct Case {
        const char* mechanism;
        const char* openssl;
    } cases[] = {
        {"RSA-PKCS", ""},
        {"RSA-PKCS-OAEP --hash-algorithm SHA256 --mgf MGF1-SHA256",
         "-pkeyopt rsa_padding_mode:oaep -pkeyopt rsa_oaep_md:sha256 -pkeyopt rsa_mgf1_md:sha256"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mechanism);
        std::remove(Path("plain").c_str());
        ASSERT_EQ(0,
                  Run(std::string("openssl pkeyutl -encrypt -pubin -inkey ") + Path("public.pem") +
                      " " + c.openssl + " -in " + Path("secret") + " -out " + Path("encrypted")));
        ASSERT_EQ(0, Run(LoggedIn(std::string("--decrypt --mechanism ") + c.mechanism + " --id " +
                                  HexId(RsaPair()) + " -i " + Path("encrypted") + " -o " +
                                  Path("plain"))));
        EXPECT_EQ(ReadFile(Path("secret")), ReadFile(Path("plain")));
    }
}

TEST_F(OpenScTool, AWrongPinIsRefused) {
    std::string output;
    EXPECT_NE(
        0, Run(Tool("--slot " + std::to_string(slot_) + " --login --pin wrong-pin --list-objects"),
               &output));
    EXPECT_NE(std::string::npos, output.find("CKR_PIN_INCORRECT")) << output;
}

}  // namespace
}  // namespace orx::testing
