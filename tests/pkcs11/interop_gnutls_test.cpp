// GnuTLS with the module: p11tool lists the token's objects, and certtool signs a
// file with the token's key into a PKCS#7 signature that OpenSSL verifies.
#include "pkcs11/interop_fixture.h"

namespace orx::testing {
namespace {

class GnuTls : public P11Interop {};

TEST_F(GnuTls, P11toolListsEveryObject) {
    std::string output;
    ASSERT_EQ(0, Run("GNUTLS_PIN=" + std::string(kPin) + " p11tool --provider " + QuotedModule() +
                         " --login --list-all 'pkcs11:token=Interop'",
                     &output));
    for (const char* wanted :
         {"Type: X.509 Certificate", "Type: Private key (RSA-2048)",
          "Type: Private key (EC/ECDSA-SECP256R1)", "Type: Public key (RSA-2048)",
          "Label: Rsa Signer", "Label: Ec Signer"})
        EXPECT_NE(std::string::npos, output.find(wanted)) << wanted << "\n" << output;
    // Without a login, the certificates only.
    ASSERT_EQ(0, Run("p11tool --provider " + QuotedModule() + " --list-all 'pkcs11:token=Interop'",
                     &output));
    EXPECT_NE(std::string::npos, output.find("Type: X.509 Certificate")) << output;
    EXPECT_EQ(std::string::npos, output.find("Private key")) << output;
}

TEST_F(GnuTls, CerttoolSignsWithTheTokensKey) {
    WriteFile(Path("message.txt"), "signed through GnuTLS\n");
    for (const TestKeyPair* pair : {&RsaPair(), &EcPair()}) {
        SCOPED_TRACE(pair->name);
        std::string uri = "pkcs11:token=Interop;type=private;id=";
        const std::string hex = HexId(*pair);
        for (size_t i = 0; i < hex.size(); i += 2)
            uri += "%" + hex.substr(i, 2);
        ASSERT_EQ(0, Run("GNUTLS_PIN=" + std::string(kPin) + " certtool --provider " +
                         QuotedModule() + " --p7-detached-sign --load-privkey '" + uri +
                         "' --load-certificate '" + pair->certPath + "' --infile " +
                         Path("message.txt") + " --outfile " + Path("signature.p7")));
        std::string output;
        EXPECT_EQ(0,
                  Run("openssl cms -verify -inform PEM -in " + Path("signature.p7") + " -content " +
                          Path("message.txt") + " -binary -noverify -out /dev/null",
                      &output));
        EXPECT_NE(std::string::npos, output.find("Verification successful")) << output;
    }
}

}  // namespace
}  // namespace orx::testing
