// Signatures and decryption through the module, each checked by OpenSSL with the
// certificate's public key: every mechanism, with the data hashed by the caller or
// in the token, in one part or several, and the length rules of PKCS#11.
#include <openssl/rsa.h>

#include "pkcs11/p11_fixture.h"

namespace orx::testing {
namespace {

class P11Signing : public P11Test {
  protected:
    void SetUp() override {
        P11Test::SetUp();
        slot_ = MakeSoftToken("Signer", "secret-1", {&RsaPair(), &EcPair()});
        Initialize();
        session_ = Open(slot_);
        ASSERT_EQ(CKR_OK, Login(session_, "secret-1"));
    }
    CK_OBJECT_HANDLE KeyOf(CK_KEY_TYPE type) {
        const std::vector<CK_OBJECT_HANDLE> keys =
            Find(session_,
                 {Entry(CKA_CLASS, CK_OBJECT_CLASS(CKO_PRIVATE_KEY)), Entry(CKA_KEY_TYPE, type)});
        EXPECT_EQ(1u, keys.size());
        return keys.empty() ? CK_INVALID_HANDLE : keys[0];
    }
    static std::vector<uint8_t> Hash(const char* digest, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> out(EVP_MAX_MD_SIZE);
        unsigned int size = 0;
        EVP_Digest(data.data(), data.size(), out.data(), &size, EVP_get_digestbyname(digest),
                   nullptr);
        out.resize(size);
        return out;
    }
    std::vector<uint8_t> Sign(CK_MECHANISM mechanism, CK_OBJECT_HANDLE key,
                              const std::vector<uint8_t>& input, bool inParts, CK_RV* result) {
        *result = p11()->C_SignInit(session_, &mechanism, key);
        if (*result != CKR_OK)
            return {};
        CK_ULONG size = 0;
        std::vector<uint8_t> signature;
        auto* data = const_cast<uint8_t*>(input.data());
        if (inParts) {
            const size_t half = input.size() / 2;
            *result = p11()->C_SignUpdate(session_, data, half);
            if (*result == CKR_OK)
                *result = p11()->C_SignUpdate(session_, data + half, input.size() - half);
            if (*result == CKR_OK)
                *result = p11()->C_SignFinal(session_, nullptr, &size);
            signature.resize(size);
            if (*result == CKR_OK)
                *result = p11()->C_SignFinal(session_, signature.data(), &size);
        } else {
            *result = p11()->C_Sign(session_, data, input.size(), nullptr, &size);
            signature.resize(size);
            if (*result == CKR_OK)
                *result = p11()->C_Sign(session_, data, input.size(), signature.data(), &size);
        }
        signature.resize(*result == CKR_OK ? size : 0);
        return signature;
    }

    int slot_ = 0;
    CK_SESSION_HANDLE session_ = CK_INVALID_HANDLE;
};

TEST_F(P11Signing, EveryMechanismMakesSignaturesThatOpenSslAccepts) {
    const std::vector<uint8_t> data(1000, 0x5a);
    CK_RSA_PKCS_PSS_PARAMS pss256{CKM_SHA256, CKG_MGF1_SHA256, 32};
    CK_RSA_PKCS_PSS_PARAMS pss384{CKM_SHA384, CKG_MGF1_SHA384, 0};
    CK_RSA_PKCS_PSS_PARAMS pss1{CKM_SHA_1, CKG_MGF1_SHA1, 20};
    struct Case {
        const char* name;
        CK_MECHANISM mechanism;
        CK_KEY_TYPE key;
        const char* digest;
        int padding;
        int salt;
        bool hashedByCaller;
    } cases[] = {
        {"SHA256_RSA_PKCS",
         {CKM_SHA256_RSA_PKCS, nullptr, 0},
         CKK_RSA,
         "SHA256",
         RSA_PKCS1_PADDING,
         0,
         false},
        {"SHA1_RSA_PKCS",
         {CKM_SHA1_RSA_PKCS, nullptr, 0},
         CKK_RSA,
         "SHA1",
         RSA_PKCS1_PADDING,
         0,
         false},
        {"SHA512_RSA_PKCS",
         {CKM_SHA512_RSA_PKCS, nullptr, 0},
         CKK_RSA,
         "SHA512",
         RSA_PKCS1_PADDING,
         0,
         false},
        {"SHA256_RSA_PKCS_PSS",
         {CKM_SHA256_RSA_PKCS_PSS, &pss256, sizeof pss256},
         CKK_RSA,
         "SHA256",
         RSA_PKCS1_PSS_PADDING,
         32,
         false},
        {"SHA384_RSA_PKCS_PSS no salt",
         {CKM_SHA384_RSA_PKCS_PSS, &pss384, sizeof pss384},
         CKK_RSA,
         "SHA384",
         RSA_PKCS1_PSS_PADDING,
         0,
         false},
        {"RSA_PKCS_PSS over a SHA-1 hash",
         {CKM_RSA_PKCS_PSS, &pss1, sizeof pss1},
         CKK_RSA,
         "SHA1",
         RSA_PKCS1_PSS_PADDING,
         20,
         true},
        {"RSA_PKCS_PSS over a SHA-256 hash",
         {CKM_RSA_PKCS_PSS, &pss256, sizeof pss256},
         CKK_RSA,
         "SHA256",
         RSA_PKCS1_PSS_PADDING,
         32,
         true},
        {"ECDSA_SHA256", {CKM_ECDSA_SHA256, nullptr, 0}, CKK_EC, "SHA256", 0, 0, false},
        {"ECDSA_SHA384", {CKM_ECDSA_SHA384, nullptr, 0}, CKK_EC, "SHA384", 0, 0, false},
        {"ECDSA over a SHA-256 hash", {CKM_ECDSA, nullptr, 0}, CKK_EC, "SHA256", 0, 0, true},
        {"ECDSA over a SHA-512 hash", {CKM_ECDSA, nullptr, 0}, CKK_EC, "SHA512", 0, 0, true},
    };
    for (const Case& c : cases) {
        for (bool inParts : {false, true}) {
            if (c.hashedByCaller && inParts)
                continue;
            SCOPED_TRACE(std::string(c.name) + (inParts ? " in parts" : ""));
            const TestKeyPair& pair = c.key == CKK_RSA ? RsaPair() : EcPair();
            CK_RV result = CKR_OK;
            const std::vector<uint8_t> input = c.hashedByCaller ? Hash(c.digest, data) : data;
            std::vector<uint8_t> signature =
                Sign(c.mechanism, KeyOf(c.key), input, inParts, &result);
            ASSERT_EQ(CKR_OK, result);
            EXPECT_EQ(c.key == CKK_RSA ? 256u : 64u, signature.size());
            EXPECT_TRUE(VerifyWithOpenSsl(pair.key, c.digest, c.padding, data, signature, c.salt));
            signature[10] ^= 1;
            EXPECT_FALSE(VerifyWithOpenSsl(pair.key, c.digest, c.padding, data, signature, c.salt));
        }
    }
}

TEST_F(P11Signing, RawPkcs1SignsTheDigestInfoTheCallerMade) {
    // The DigestInfo of SHA-256, as TLS and ssh hand it over.
    const std::vector<uint8_t> data = {'h', 'e', 'l', 'l', 'o'};
    std::vector<uint8_t> info = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                 0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
    const std::vector<uint8_t> hash = Hash("SHA256", data);
    info.insert(info.end(), hash.begin(), hash.end());
    CK_RV result = CKR_OK;
    const std::vector<uint8_t> signature =
        Sign({CKM_RSA_PKCS, nullptr, 0}, KeyOf(CKK_RSA), info, false, &result);
    ASSERT_EQ(CKR_OK, result);
    EXPECT_TRUE(VerifyWithOpenSsl(RsaPair().key, "SHA256", RSA_PKCS1_PADDING, data, signature));
}

TEST_F(P11Signing, InputsOfTheWrongLengthAreRefused) {
    CK_RSA_PKCS_PSS_PARAMS pss256{CKM_SHA256, CKG_MGF1_SHA256, 32};
    struct Case {
        const char* name;
        CK_MECHANISM mechanism;
        CK_KEY_TYPE key;
        size_t length;
        CK_RV result;
    } cases[] = {
        {"PKCS#1 longer than the block allows",
         {CKM_RSA_PKCS, nullptr, 0},
         CKK_RSA,
         246,
         CKR_DATA_LEN_RANGE},
        {"PKCS#1 at the longest", {CKM_RSA_PKCS, nullptr, 0}, CKK_RSA, 245, CKR_OK},
        {"PSS over no hash",
         {CKM_RSA_PKCS_PSS, &pss256, sizeof pss256},
         CKK_RSA,
         31,
         CKR_DATA_LEN_RANGE},
        {"ECDSA over nothing", {CKM_ECDSA, nullptr, 0}, CKK_EC, 0, CKR_DATA_LEN_RANGE},
        {"ECDSA over more than a hash", {CKM_ECDSA, nullptr, 0}, CKK_EC, 65, CKR_DATA_LEN_RANGE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CK_RV result = CKR_OK;
        Sign(c.mechanism, KeyOf(c.key), std::vector<uint8_t>(c.length, 1), false, &result);
        EXPECT_EQ(c.result, result);
        // Either way the operation is over.
        CK_ULONG size = 0;
        EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED, p11()->C_SignFinal(session_, nullptr, &size));
    }
}

TEST_F(P11Signing, MechanismsThatDoNotFitTheKeyOrTheirParameters) {
    CK_RSA_PKCS_PSS_PARAMS wrongHash{CKM_SHA384, CKG_MGF1_SHA256, 32};
    CK_RSA_PKCS_PSS_PARAMS badMgf{CKM_SHA256, 77, 32};
    CK_RSA_PKCS_PSS_PARAMS hugeSalt{CKM_SHA256, CKG_MGF1_SHA256, 300};
    CK_ULONG stray = 0;
    struct Case {
        const char* name;
        CK_MECHANISM mechanism;
        CK_KEY_TYPE key;
        CK_RV result;
    } cases[] = {
        {"ECDSA with an RSA key", {CKM_ECDSA, nullptr, 0}, CKK_RSA, CKR_KEY_TYPE_INCONSISTENT},
        {"RSA with an EC key",
         {CKM_SHA256_RSA_PKCS, nullptr, 0},
         CKK_EC,
         CKR_KEY_TYPE_INCONSISTENT},
        {"OAEP is no signature", {CKM_RSA_PKCS_OAEP, nullptr, 0}, CKK_RSA, CKR_MECHANISM_INVALID},
        {"an unknown mechanism", {CKM_MD5_RSA_PKCS, nullptr, 0}, CKK_RSA, CKR_MECHANISM_INVALID},
        {"PSS without parameters",
         {CKM_SHA256_RSA_PKCS_PSS, nullptr, 0},
         CKK_RSA,
         CKR_MECHANISM_PARAM_INVALID},
        {"PSS naming another hash",
         {CKM_SHA256_RSA_PKCS_PSS, &wrongHash, sizeof wrongHash},
         CKK_RSA,
         CKR_MECHANISM_PARAM_INVALID},
        {"PSS with an unknown MGF",
         {CKM_SHA256_RSA_PKCS_PSS, &badMgf, sizeof badMgf},
         CKK_RSA,
         CKR_MECHANISM_PARAM_INVALID},
        {"PSS with a salt longer than the block",
         {CKM_RSA_PKCS_PSS, &hugeSalt, sizeof hugeSalt},
         CKK_RSA,
         CKR_MECHANISM_PARAM_INVALID},
        {"parameters where none belong",
         {CKM_SHA256_RSA_PKCS, &stray, sizeof stray},
         CKK_RSA,
         CKR_MECHANISM_PARAM_INVALID},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result, p11()->C_SignInit(session_, &c.mechanism, KeyOf(c.key)));
    }
    // A failed start leaves no operation behind.
    CK_MECHANISM fine{CKM_SHA256_RSA_PKCS, nullptr, 0};
    EXPECT_EQ(CKR_OK, p11()->C_SignInit(session_, &fine, KeyOf(CKK_RSA)));
}

TEST_F(P11Signing, DecryptionUndoesWhatOpenSslEncrypted) {
    const std::string secret = "the content key";
    const std::string label = "context";
    CK_RSA_PKCS_OAEP_PARAMS oaep256{CKM_SHA256, CKG_MGF1_SHA256, CKZ_DATA_SPECIFIED, nullptr, 0};
    CK_RSA_PKCS_OAEP_PARAMS oaepLabel{CKM_SHA_1, CKG_MGF1_SHA1, CKZ_DATA_SPECIFIED,
                                      const_cast<char*>(label.data()), label.size()};
    struct Case {
        const char* name;
        CK_MECHANISM mechanism;
        int padding;
        const char* digest;
        const std::string* oaepLabel;
    } cases[] = {
        {"PKCS#1 v1.5", {CKM_RSA_PKCS, nullptr, 0}, RSA_PKCS1_PADDING, nullptr, nullptr},
        {"OAEP SHA-256",
         {CKM_RSA_PKCS_OAEP, &oaep256, sizeof oaep256},
         RSA_PKCS1_OAEP_PADDING,
         "SHA256",
         nullptr},
        {"OAEP SHA-1 with a label",
         {CKM_RSA_PKCS_OAEP, &oaepLabel, sizeof oaepLabel},
         RSA_PKCS1_OAEP_PADDING,
         "SHA1",
         &label},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(RsaPair().key, nullptr);
        ASSERT_EQ(1, EVP_PKEY_encrypt_init(context));
        EVP_PKEY_CTX_set_rsa_padding(context, c.padding);
        if (c.digest) {
            EVP_PKEY_CTX_set_rsa_oaep_md(context, EVP_get_digestbyname(c.digest));
            EVP_PKEY_CTX_set_rsa_mgf1_md(context, EVP_get_digestbyname(c.digest));
        }
        if (c.oaepLabel) {
            auto* copy = static_cast<unsigned char*>(OPENSSL_memdup(label.data(), label.size()));
            EVP_PKEY_CTX_set0_rsa_oaep_label(context, copy, static_cast<int>(label.size()));
        }
        std::vector<uint8_t> encrypted(256);
        size_t size = encrypted.size();
        ASSERT_EQ(1, EVP_PKEY_encrypt(context, encrypted.data(), &size,
                                      reinterpret_cast<const unsigned char*>(secret.data()),
                                      secret.size()));
        EVP_PKEY_CTX_free(context);

        ASSERT_EQ(CKR_OK, p11()->C_DecryptInit(session_, &c.mechanism, KeyOf(CKK_RSA)));
        CK_ULONG length = 0;
        ASSERT_EQ(CKR_OK, p11()->C_Decrypt(session_, encrypted.data(), size, nullptr, &length));
        EXPECT_EQ(secret.size(), length);
        std::vector<uint8_t> plain(4);
        length = plain.size();
        EXPECT_EQ(CKR_BUFFER_TOO_SMALL,
                  p11()->C_Decrypt(session_, encrypted.data(), size, plain.data(), &length));
        EXPECT_EQ(secret.size(), length);
        plain.resize(length);
        ASSERT_EQ(CKR_OK,
                  p11()->C_Decrypt(session_, encrypted.data(), size, plain.data(), &length));
        EXPECT_EQ(secret, std::string(plain.begin(), plain.end()));

        // A changed block does not decrypt, and ends the operation.
        encrypted[5] ^= 1;
        ASSERT_EQ(CKR_OK, p11()->C_DecryptInit(session_, &c.mechanism, KeyOf(CKK_RSA)));
        length = plain.size();
        EXPECT_EQ(CKR_ENCRYPTED_DATA_INVALID,
                  p11()->C_Decrypt(session_, encrypted.data(), size, plain.data(), &length));
        EXPECT_EQ(CKR_OPERATION_NOT_INITIALIZED,
                  p11()->C_Decrypt(session_, encrypted.data(), size, plain.data(), &length));
    }
}

TEST_F(P11Signing, DecryptionNeedsABlockOfTheKeysSizeAndAnRsaKey) {
    CK_MECHANISM pkcs1{CKM_RSA_PKCS, nullptr, 0};
    ASSERT_EQ(CKR_OK, p11()->C_DecryptInit(session_, &pkcs1, KeyOf(CKK_RSA)));
    std::vector<uint8_t> shortBlock(255, 1);
    CK_ULONG length = 0;
    EXPECT_EQ(CKR_ENCRYPTED_DATA_LEN_RANGE,
              p11()->C_Decrypt(session_, shortBlock.data(), shortBlock.size(), nullptr, &length));
    EXPECT_EQ(CKR_KEY_TYPE_INCONSISTENT, p11()->C_DecryptInit(session_, &pkcs1, KeyOf(CKK_EC)));
    CK_RSA_PKCS_OAEP_PARAMS badSource{CKM_SHA256, CKG_MGF1_SHA256, 7, nullptr, 0};
    CK_MECHANISM oaep{CKM_RSA_PKCS_OAEP, &badSource, sizeof badSource};
    EXPECT_EQ(CKR_MECHANISM_PARAM_INVALID, p11()->C_DecryptInit(session_, &oaep, KeyOf(CKK_RSA)));
    CK_MECHANISM ecdsa{CKM_ECDSA, nullptr, 0};
    EXPECT_EQ(CKR_MECHANISM_INVALID, p11()->C_DecryptInit(session_, &ecdsa, KeyOf(CKK_EC)));
}

TEST_F(P11Signing, AVirtualCardSignsWithItsApplicationsKey) {
    const int card = MakeCard("Reader A", "Card", "puk-puk-1", "card-pin-1", {&SecondRsaPair()});
    const CK_SESSION_HANDLE session = Open(card);
    ASSERT_EQ(CKR_OK, Login(session, "card-pin-1"));
    const std::vector<CK_OBJECT_HANDLE> keys = FindClass(session, CKO_PRIVATE_KEY);
    ASSERT_EQ(1u, keys.size());
    CK_MECHANISM mechanism{CKM_SHA256_RSA_PKCS, nullptr, 0};
    ASSERT_EQ(CKR_OK, p11()->C_SignInit(session, &mechanism, keys[0]));
    std::vector<uint8_t> data = {1, 2, 3};
    std::vector<uint8_t> signature(256);
    CK_ULONG size = signature.size();
    ASSERT_EQ(CKR_OK, p11()->C_Sign(session, data.data(), data.size(), signature.data(), &size));
    EXPECT_TRUE(
        VerifyWithOpenSsl(SecondRsaPair().key, "SHA256", RSA_PKCS1_PADDING, data, signature));
}

}  // namespace
}  // namespace orx::testing
