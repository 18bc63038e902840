// What a crafted token or PKCS#12 file may make the module spend: the derivation
// parameters and iteration counts are bounded before any password is tried, and a
// file that asks for more is refused as damaged at once.
#include <gtest/gtest.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <chrono>
#include <functional>

#include "cms/pkcs12_costs.h"
#include "cms_test_support.h"
#include "module_fixture.h"
#include "plugin_test_support.h"
#include "storage/atomic_file.h"

namespace orx::testing {
namespace {

constexpr int64_t kHuge = 2147483647;  // 2^31 - 1

KdfParams Scrypt(uint8_t log2N, uint32_t r, uint32_t p) {
    KdfParams params;
    params.kind = KdfKind::Scrypt;
    params.log2N = log2N;
    params.r = r;
    params.p = p;
    return params;
}

KdfParams Pbkdf2(uint32_t iterations) {
    KdfParams params;
    params.kind = KdfKind::Pbkdf2;
    params.iterations = iterations;
    return params;
}

TEST(CraftedCosts, KdfParametersWithinMemoryAndWorkBounds) {
    const struct {
        KdfParams params;
        bool acceptable;
    } cases[] = {
        {KdfParams{}, true},          // the module's own default
        {Scrypt(2, 8, 1), true},      // the tests' cheap tokens
        {Scrypt(18, 8, 1), true},     // 256 MiB, work 2^21: both at their bound
        {Scrypt(18, 9, 1), false},    // 288 MiB
        {Scrypt(21, 1, 1), true},     // 256 MiB with r = 1
        {Scrypt(22, 1, 1), false},    // 512 MiB
        {Scrypt(16, 8, 4), true},     // four times the default's work
        {Scrypt(16, 8, 5), false},    // five times
        {Scrypt(10, 1, 2048), true},  // little memory, work 2^21
        {Scrypt(10, 1, 2049), false},
        {Scrypt(19, 15, 16), false},  // 960 MiB and 60 times the work
        {Scrypt(20, 32, 16), false},  // what the file format used to allow
        {Scrypt(0, 8, 1), false},
        {Scrypt(16, 0, 1), false},
        {Scrypt(16, 8, 0), false},
        {Scrypt(64, 8, 1), false},
        {Scrypt(255, 0xFFFFFFFF, 0xFFFFFFFF), false},
        {Scrypt(1, 0xFFFFFFFF, 0xFFFFFFFF), false},
        {Pbkdf2(600000), true},
        {Pbkdf2(2000000), true},
        {Pbkdf2(2000001), false},
        {Pbkdf2(10000000), false},
        {Pbkdf2(0), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KdfParamsAcceptable(c.params), c.acceptable)
            << KdfDescription(c.params) << " " << c.params.iterations;
    }
}

// A token file whose derivation record says what a crafted file would, with its
// checksum made right again: only the password could tell it was changed.
std::vector<uint8_t> WithKdf(std::vector<uint8_t> bytes, const KdfParams& params) {
    // The derivation record comes first: tag 1 and 14 bytes at offset 14.
    EXPECT_EQ(bytes.at(14), 1);
    EXPECT_EQ(bytes.at(18), 14);
    size_t at = 19;
    auto put32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes[at++] = static_cast<uint8_t>(v >> shift);
    };
    bytes[at++] = static_cast<uint8_t>(params.kind);
    bytes[at++] = params.log2N;
    put32(params.r);
    put32(params.p);
    put32(params.iterations);
    const size_t body = bytes.size() - kDigestSize;
    const auto digest = Sha256(std::span<const uint8_t>(bytes.data(), body));
    std::copy(digest.begin(), digest.end(), bytes.begin() + static_cast<long>(body));
    return bytes;
}

TEST(CraftedCosts, TokenFilesAskingForTooMuchAreDamaged) {
    const std::vector<uint8_t> good = MakeTokenBytes("T", "secret-1");
    TokenFile file;
    ASSERT_EQ(ParseTokenFile(WithKdf(good, CheapKdf()), file), CKR_OK);
    EXPECT_EQ(ParseTokenFile(WithKdf(good, Scrypt(19, 15, 16)), file), CKR_ATTRIBUTE_VALUE_INVALID);
    EXPECT_EQ(ParseTokenFile(WithKdf(good, Pbkdf2(10000000)), file), CKR_ATTRIBUTE_VALUE_INVALID);
    // A parameter set that the derivation itself is handed is refused there too.
    TokenKey key;
    EXPECT_FALSE(DeriveTokenKey("secret-1", file.salt, Scrypt(19, 15, 16), key));
}

template <typename Action>
std::chrono::milliseconds Timed(Action action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

using CraftedTokenFiles = ModuleTest;

TEST_F(CraftedTokenFiles, AreRefusedWithinASecondWithoutAskingAPassword) {
    const std::vector<uint8_t> crafted =
        WithKdf(MakeTokenBytes("Crafted", "secret-1"), Scrypt(19, 15, 16));
    ASSERT_TRUE(MakeFolders(TokenFolder()));
    WriteFile(TokenFolder() + "Crafted.tkn",
              std::string_view(reinterpret_cast<const char*>(crafted.data()), crafted.size()));
    app_ = Start();
    Script({"pin secret-1"});
    // Listed as a damaged file, never as a token that can be logged in.
    EXPECT_EQ(Enum("SlotSoft"), std::vector<std::string>{"100;Crafted;Crafted"});
    EXPECT_TRUE(Enum("Token").empty());
    int result = 0;
    app_->SetActiveSlot(100);
    EXPECT_LT(Timed([&] { result = app_->Invoke("Login"); }).count(), 1000);
    EXPECT_EQ(result, CKR_ATTRIBUTE_VALUE_INVALID);
    // As the data of a new token: damaged, and the password is not asked for.
    app_->SetPropertyBytes("TokenData", crafted);
    app_->SetProperty("TokenLabel", "Copy");
    EXPECT_LT(Timed([&] { result = app_->Invoke("CreateToken"); }).count(), 1000);
    EXPECT_EQ(result, CKR_ATTRIBUTE_VALUE_INVALID);
    EXPECT_EQ(ScriptLeft(), "pin secret-1\n");
}

// PKCS#12 files made by the openssl command line, then changed through OpenSSL's
// own structures where a crafted file would differ: the iteration count of the
// MAC, of the shrouded key bag or of the encrypted certificates.
struct Pkcs12Free {
    void operator()(PKCS12* p12) const { PKCS12_free(p12); }
    void operator()(STACK_OF(PKCS7) * safes) const { sk_PKCS7_pop_free(safes, PKCS7_free); }
    void operator()(STACK_OF(PKCS12_SAFEBAG) * bags) const {
        sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    }
    void operator()(PBEPARAM* p) const { PBEPARAM_free(p); }
    void operator()(PBE2PARAM* p) const { PBE2PARAM_free(p); }
    void operator()(PBKDF2PARAM* p) const { PBKDF2PARAM_free(p); }
    void operator()(SCRYPT_PARAMS* p) const { SCRYPT_PARAMS_free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Pkcs12Free>;

enum class Place { Mac, KeyBag, Certificates };

// Sets the iteration count (for scrypt: N) of a password-based encryption.
void SetCost(X509_ALGOR* algorithm, int64_t value) {
    if (OBJ_obj2nid(algorithm->algorithm) != NID_pbes2) {
        Owned<PBEPARAM> pbe(static_cast<PBEPARAM*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBEPARAM), algorithm->parameter)));
        ASSERT_TRUE(pbe);
        ASN1_INTEGER_set_int64(pbe->iter, value);
        ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBEPARAM), pbe.get(), &algorithm->parameter);
        return;
    }
    Owned<PBE2PARAM> pbes2(static_cast<PBE2PARAM*>(
        ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), algorithm->parameter)));
    ASSERT_TRUE(pbes2);
    ASN1_TYPE*& kdfParameter = pbes2->keyfunc->parameter;
    if (OBJ_obj2nid(pbes2->keyfunc->algorithm) == NID_id_scrypt) {
        Owned<SCRYPT_PARAMS> kdf(static_cast<SCRYPT_PARAMS*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(SCRYPT_PARAMS), kdfParameter)));
        ASSERT_TRUE(kdf);
        ASN1_INTEGER_set_int64(kdf->costParameter, value);
        ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(SCRYPT_PARAMS), kdf.get(), &kdfParameter);
    } else {
        Owned<PBKDF2PARAM> kdf(static_cast<PBKDF2PARAM*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), kdfParameter)));
        ASSERT_TRUE(kdf);
        ASN1_INTEGER_set_int64(kdf->iter, value);
        ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), kdf.get(), &kdfParameter);
    }
    ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBE2PARAM), pbes2.get(), &algorithm->parameter);
}

Owned<PKCS12> ReadPkcs12(const std::vector<uint8_t>& der) {
    const unsigned char* p = der.data();
    return Owned<PKCS12>(d2i_PKCS12(nullptr, &p, static_cast<long>(der.size())));
}

std::vector<uint8_t> WritePkcs12(PKCS12* p12) {
    unsigned char* out = nullptr;
    const int n = i2d_PKCS12(p12, &out);
    std::vector<uint8_t> der(out, out + std::max(n, 0));
    OPENSSL_free(out);
    return der;
}

// The file with the cost at `place` set to `value`; its MAC made right again
// (cheaply) unless the MAC itself is what was changed.
std::vector<uint8_t> Crafted(const std::vector<uint8_t>& der, const std::string& password,
                             Place place, int64_t value) {
    Owned<PKCS12> p12 = ReadPkcs12(der);
    EXPECT_TRUE(p12);
    if (!p12)
        return {};
    if (place == Place::Mac) {
        const ASN1_INTEGER* iterations = nullptr;
        PKCS12_get0_mac(nullptr, nullptr, nullptr, &iterations, p12.get());
        EXPECT_TRUE(iterations);
        ASN1_INTEGER_set_int64(const_cast<ASN1_INTEGER*>(iterations), value);
        return WritePkcs12(p12.get());
    }
    Owned<STACK_OF(PKCS7)> safes(PKCS12_unpack_authsafes(p12.get()));
    bool changed = false;
    for (int i = 0; i < sk_PKCS7_num(safes.get()); ++i) {
        PKCS7* safe = sk_PKCS7_value(safes.get(), i);
        if (place == Place::Certificates && PKCS7_type_is_encrypted(safe)) {
            SetCost(safe->d.encrypted->enc_data->algorithm, value);
            changed = true;
        }
        if (place != Place::KeyBag || !PKCS7_type_is_data(safe))
            continue;
        Owned<STACK_OF(PKCS12_SAFEBAG)> bags(PKCS12_unpack_p7data(safe));
        for (int b = 0; b < sk_PKCS12_SAFEBAG_num(bags.get()); ++b) {
            const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags.get(), b);
            if (PKCS12_SAFEBAG_get_nid(bag) != NID_pkcs8ShroudedKeyBag)
                continue;
            const X509_ALGOR* algorithm = nullptr;
            X509_SIG_get0(PKCS12_SAFEBAG_get0_pkcs8(bag), &algorithm, nullptr);
            SetCost(const_cast<X509_ALGOR*>(algorithm), value);
            changed = true;
        }
        sk_PKCS7_set(safes.get(), i, PKCS12_pack_p7data(bags.get()));
        PKCS7_free(safe);
    }
    EXPECT_TRUE(changed);
    EXPECT_EQ(1, PKCS12_pack_authsafes(p12.get(), safes.get()));
    EXPECT_EQ(1, PKCS12_set_mac(p12.get(), password.c_str(), -1, nullptr, 0, 2048, nullptr));
    return WritePkcs12(p12.get());
}

class CraftedPkcs12 : public ModuleTest, public CmsFilesSuite {
  protected:
    static void SetUpTestSuite() {
        MakeFiles();
        // Both forms common programs write: PBES2 with PBKDF2 (OpenSSL 3's default)
        // and the older PKCS#12 scheme with its own parameters.
        for (const auto& [name, options] :
             {std::pair<std::string, std::string>{"modern.p12", ""},
              {"older.p12", "-certpbe PBE-SHA1-3DES -keypbe PBE-SHA1-3DES -macalg sha1"}}) {
            ASSERT_EQ(0, RunCommand("openssl pkcs12 -export " + options + " -in " +
                                    Quote(Files().alice.certPath) + " -inkey " +
                                    Quote(Files().alice.keyPath) + " -passout pass:p12-pass -out " +
                                    Quote(Files() / name)));
        }
    }
    static void TearDownTestSuite() { RemoveFiles(); }
};

TEST_F(CraftedPkcs12, IterationCountsAreBoundedEverywhereInTheFile) {
    for (const char* name : {"modern.p12", "older.p12"}) {
        const std::vector<uint8_t> der = ReadBytes(Files() / name);
        ASSERT_TRUE(Pkcs12CostsAcceptable(der)) << name;
        for (const Place place : {Place::Mac, Place::KeyBag, Place::Certificates}) {
            for (const auto& [value, acceptable] : {std::pair<int64_t, bool>{2048, true},
                                                    {kMaxPkcs12Iterations, true},
                                                    {kMaxPkcs12Iterations + 1, false},
                                                    {kHuge, false},
                                                    {0, false},
                                                    {-5, false}}) {
                EXPECT_EQ(Pkcs12CostsAcceptable(Crafted(der, "p12-pass", place, value)), acceptable)
                    << name << " place " << static_cast<int>(place) << " value " << value;
            }
        }
    }
    EXPECT_FALSE(Pkcs12CostsAcceptable(std::vector<uint8_t>{0x30, 0x03, 0x02, 0x01, 0x03}));
}

TEST_F(CraftedPkcs12, ScryptKeysKeepTheTokenFilesBounds) {
    // A key bag under PBES2 with scrypt, as PKCS#8 tools can write it.
    const std::string key = Files() / "scrypt.p8";
    ASSERT_EQ(0, RunCommand("openssl pkcs8 -topk8 -scrypt -scrypt_N 1024 -scrypt_r 8 -scrypt_p 1 "
                            "-passout pass:p12-pass -outform DER -in " +
                            Quote(Files().alice.keyPath) + " -out " + Quote(key)));
    const std::vector<uint8_t> p8 = ReadBytes(key);
    const unsigned char* p = p8.data();
    X509_SIG* shrouded = d2i_X509_SIG(nullptr, &p, static_cast<long>(p8.size()));
    ASSERT_TRUE(shrouded);
    Owned<STACK_OF(PKCS12_SAFEBAG)> bags(sk_PKCS12_SAFEBAG_new_null());
    sk_PKCS12_SAFEBAG_push(bags.get(), PKCS12_SAFEBAG_create0_pkcs8(shrouded));
    Owned<STACK_OF(PKCS7)> safes(sk_PKCS7_new_null());
    sk_PKCS7_push(safes.get(), PKCS12_pack_p7data(bags.get()));
    Owned<PKCS12> p12(PKCS12_init(NID_pkcs7_data));
    ASSERT_EQ(1, PKCS12_pack_authsafes(p12.get(), safes.get()));
    ASSERT_EQ(1, PKCS12_set_mac(p12.get(), "p12-pass", -1, nullptr, 0, 2048, nullptr));
    const std::vector<uint8_t> der = WritePkcs12(p12.get());
    EXPECT_TRUE(Pkcs12CostsAcceptable(der));
    EXPECT_TRUE(Pkcs12CostsAcceptable(Crafted(der, "p12-pass", Place::KeyBag, 1 << 18)));
    EXPECT_FALSE(Pkcs12CostsAcceptable(Crafted(der, "p12-pass", Place::KeyBag, 1 << 19)));
    EXPECT_FALSE(Pkcs12CostsAcceptable(Crafted(der, "p12-pass", Place::KeyBag, 1000)));
}

TEST_F(CraftedPkcs12, ImportRefusesWithinASecondWithoutAskingThePassword) {
    ASSERT_EQ(0, Create("Alice token", "token-pass"));
    const std::vector<uint8_t> der = ReadBytes(Files() / "modern.p12");
    for (const Place place : {Place::Mac, Place::KeyBag, Place::Certificates}) {
        SCOPED_TRACE(static_cast<int>(place));
        Script({"pin p12-pass", "pin token-pass"});
        app_->SetPropertyBytes("Certificate", Crafted(der, "p12-pass", place, kHuge));
        int result = 0;
        EXPECT_LT(Timed([&] { result = app_->Invoke("WriteCertificate"); }).count(), 1000);
        EXPECT_EQ(result, CKR_ATTRIBUTE_VALUE_INVALID);
        EXPECT_EQ(ScriptLeft(), "pin p12-pass\npin token-pass\n");
    }
    // The file as it was made imports.
    app_->SetPropertyBytes("Certificate", der);
    EXPECT_EQ(app_->Invoke("WriteCertificate"), CKR_OK);
    EXPECT_EQ(ScriptLeft(), "");
}

}  // namespace
}  // namespace orx::testing
