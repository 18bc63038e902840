// Tokens that the program itself made and filled (orx.so through the binding, with
// the scripted pinentry), used through orx-pkcs11.so: an EC key imported from
// PKCS#12 signs; and neither the password nor a private key's value reaches an
// attribute, the trace or any file.
#include <openssl/bn.h>
#include <openssl/core_names.h>

#include <filesystem>

#include "pkcs11/p11_fixture.h"
#include "token/token_application.h"

namespace orx::testing {
namespace {

namespace fs = std::filesystem;

class P11ProgramTokens : public P11Test {
  protected:
    void SetUp() override {
        P11Test::SetUp();
        script_ = *env_ / "pinentry.script";
        vars_.push_back(std::make_unique<ScopedEnv>("ORX_PINENTRY", ORX_FAKE_PINENTRY));
        vars_.push_back(std::make_unique<ScopedEnv>("FAKE_PINENTRY_SCRIPT", script_.c_str()));
        app_ = std::make_unique<TokenApplication>();
        app_->StartPlugin();
        ASSERT_TRUE(app_->IsInitialized());
    }
    void TearDown() override {
        app_.reset();
        P11Test::TearDown();
    }
    // A token made by the program, holding the pair imported from a PKCS#12 file.
    void ProgramToken(const std::string& label, const std::string& password,
                      const TestKeyPair& pair) {
        WriteFile(script_, "pin " + password + "\npin " + password + "\n");
        app_->SetProperty("TokenLabel", label.c_str());
        ASSERT_EQ(0, app_->Invoke("CreateToken"));
        const std::string p12 = *env_ / "id.p12";
        ASSERT_EQ(0,
                  RunCommand("openssl pkcs12 -export -in '" + pair.certPath + "' -inkey '" +
                             pair.keyPath + "' -name Imported -passout pass:p12-pass -out " + p12));
        const std::string bytes = ReadFile(p12);
        WriteFile(script_, "pin p12-pass\npin " + password + "\n");
        app_->SetPropertyBytes(
            "Certificate",
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        ASSERT_EQ(0, app_->Invoke("WriteCertificate"));
        app_->Invoke("Reset");
    }

    std::string script_;
    std::unique_ptr<TokenApplication> app_;
};

TEST_F(P11ProgramTokens, AnEcKeyImportedFromPkcs12Signs) {
    ProgramToken("Imported", "token-pass", EcPair());
    Initialize();
    const std::vector<CK_SLOT_ID> slots = Slots();
    ASSERT_EQ(1u, slots.size());
    const CK_SESSION_HANDLE session = Open(slots[0]);
    ASSERT_EQ(CKR_OK, Login(session, "token-pass"));
    const std::vector<CK_OBJECT_HANDLE> keys = FindClass(session, CKO_PRIVATE_KEY);
    ASSERT_EQ(1u, keys.size());
    EXPECT_EQ(CKK_EC, UlongAttribute(session, keys[0], CKA_KEY_TYPE));
    CK_MECHANISM mechanism{CKM_ECDSA_SHA256, nullptr, 0};
    ASSERT_EQ(CKR_OK, p11()->C_SignInit(session, &mechanism, keys[0]));
    std::vector<uint8_t> data = {'e', 'c'};
    std::vector<uint8_t> signature(64);
    CK_ULONG size = signature.size();
    ASSERT_EQ(CKR_OK, p11()->C_Sign(session, data.data(), data.size(), signature.data(), &size));
    EXPECT_TRUE(VerifyWithOpenSsl(EcPair().key, "SHA256", 0, data, signature));
}

TEST_F(P11ProgramTokens, NoPasswordOrKeyInAnAttributeTheTraceOrAFile) {
    const std::string password = "Sekrit-Pin-5521";
    ProgramToken("Secret", password, RsaPair());
    const std::string trace = *env_ / "p11-trace.log";
    WriteFile(env_->userConfigPath(), "[Trace]\nFile=" + trace + "\n");
    Initialize();
    const CK_SESSION_HANDLE session = Open(Slots().at(0), true);
    EXPECT_EQ(CKR_PIN_INCORRECT, Login(session, "Sekrit-Wrong-1"));
    ASSERT_EQ(CKR_OK, Login(session, password));

    // The secret parts of the key, as OpenSSL has them.
    BIGNUM* d = nullptr;
    ASSERT_EQ(1, EVP_PKEY_get_bn_param(RsaPair().key, OSSL_PKEY_PARAM_RSA_D, &d));
    std::vector<uint8_t> exponent(static_cast<size_t>(BN_num_bytes(d)));
    BN_bn2bin(d, exponent.data());
    BN_free(d);
    const std::string secretBytes(exponent.begin(), exponent.begin() + 32);
    // The end of the PKCS#8 encoding is the CRT coefficient, a secret part too.
    const std::string pkcs8Start(RsaPair().pkcs8.end() - 32, RsaPair().pkcs8.end());

    // Every attribute of every object, asked for as a whole.
    static const CK_ATTRIBUTE_TYPE kTypes[] = {
        CKA_VALUE,           CKA_LABEL,           CKA_ID,
        CKA_MODULUS,         CKA_PUBLIC_EXPONENT, CKA_PRIVATE_EXPONENT,
        CKA_PRIME_1,         CKA_PRIME_2,         CKA_COEFFICIENT,
        CKA_PUBLIC_KEY_INFO, CKA_SUBJECT,         CKA_APPLICATION};
    for (CK_OBJECT_HANDLE object : Find(session)) {
        for (CK_ATTRIBUTE_TYPE type : kTypes) {
            std::vector<uint8_t> value(70000);
            CK_ATTRIBUTE entry{type, value.data(), value.size()};
            if (p11()->C_GetAttributeValue(session, object, &entry, 1) != CKR_OK)
                continue;
            const std::string text(value.begin(), value.begin() + entry.ulValueLen);
            EXPECT_EQ(std::string::npos, text.find(secretBytes)) << type;
            EXPECT_EQ(std::string::npos, text.find(pkcs8Start)) << type;
            EXPECT_EQ(std::string::npos, text.find(password)) << type;
        }
    }
    Finalize();

    const std::string traced = ReadFile(trace);
    EXPECT_NE(std::string::npos, traced.find("P11 - C_Login failed")) << traced;
    EXPECT_NE(std::string::npos, traced.find("P11 - C_Login ... done")) << traced;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(env_->root())) {
        if (!entry.is_regular_file() || entry.path() == script_)
            continue;
        ++files;
        const std::string content = ReadFile(entry.path());
        EXPECT_EQ(std::string::npos, content.find("Sekrit")) << entry.path();
        EXPECT_EQ(std::string::npos, content.find(secretBytes)) << entry.path();
        EXPECT_EQ(std::string::npos, content.find(pkcs8Start)) << entry.path();
    }
    EXPECT_GE(files, 3);  // the token, the slot index, the trace
}

}  // namespace
}  // namespace orx::testing
