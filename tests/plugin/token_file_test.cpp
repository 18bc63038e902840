#include "tokenfile/token_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "plugin_test_support.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using testing::Bytes;
using testing::CheapKdf;
using testing::Contains;
using testing::MakeTokenBytes;

int Open(const std::vector<uint8_t>& bytes, const std::string& password,
         std::vector<TokenObject>* objects = nullptr) {
    TokenFile file;
    const int parsed = ParseTokenFile(bytes, file);
    if (parsed != CKR_OK)
        return parsed;
    TokenKey key;
    if (!DeriveFileKey(file, password, key))
        return CKR_FUNCTION_FAILED;
    std::vector<TokenObject> local;
    return UnsealToken(file, key, objects ? *objects : local);
}

TEST(TokenFile, RoundTripKeepsLabelObjectsAndSerial) {
    const auto bytes = MakeTokenBytes("Work token", "secret-1");
    TokenFile file;
    ASSERT_EQ(ParseTokenFile(bytes, file), CKR_OK);
    EXPECT_EQ(file.label, "Work token");
    ASSERT_EQ(file.publicObjects.size(), 1u);
    EXPECT_EQ(file.publicObjects[0].value, Bytes("PUBLIC-CERT"));
    EXPECT_EQ(FormatSerial(file.serial).size(), 19u);
    // Shown in groups of two bytes, upper case, as the token lists have always shown it.
    EXPECT_EQ(FormatSerial({0x01, 0x02, 0x0A, 0xB0, 0xFF, 0xEE, 0x00, 0x9c}),
              "0102 0AB0 FFEE 009C");
    std::vector<TokenObject> objects;
    ASSERT_EQ(Open(bytes, "secret-1", &objects), CKR_OK);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].kind, ObjectKind::PrivateKey);
    EXPECT_EQ(objects[0].value, Bytes("PRIVATE-KEY-MARKER-42"));
}

TEST(TokenFile, WrongPasswordIsToldApartFromDamage) {
    const auto bytes = MakeTokenBytes("T", "secret-1");
    EXPECT_EQ(Open(bytes, "secret-2"), CKR_PIN_INCORRECT);
    EXPECT_EQ(Open(bytes, ""), CKR_PIN_INCORRECT);
}

TEST(TokenFile, NothingPrivateIsReadableWithoutThePassword) {
    const auto bytes = MakeTokenBytes("T", "pass-phrase-xyz", "SECRET-KEY-BYTES-0123456789");
    EXPECT_FALSE(Contains(bytes, "SECRET-KEY-BYTES"));
    EXPECT_FALSE(Contains(bytes, "pass-phrase-xyz"));
    EXPECT_TRUE(Contains(bytes, "PUBLIC-CERT"));  // public objects stay readable
    // Two files of the same content share no ciphertext: salt and nonce are fresh.
    const auto again = MakeTokenBytes("T", "pass-phrase-xyz", "SECRET-KEY-BYTES-0123456789");
    EXPECT_NE(bytes, again);
}

TEST(TokenFile, PbkdfTokensWorkToo) {
    KdfParams kdf;
    kdf.kind = KdfKind::Pbkdf2;
    kdf.iterations = 1000;
    const auto bytes = MakeTokenBytes("P", "secret-1", "K", kdf);
    EXPECT_EQ(Open(bytes, "secret-1"), CKR_OK);
    EXPECT_EQ(Open(bytes, "secret-9"), CKR_PIN_INCORRECT);
}

// Accidental damage anywhere: the checksum catches it before anything is believed.
TEST(TokenFile, EveryFlippedByteIsDetected) {
    const auto bytes = MakeTokenBytes("Flip", "secret-1");
    const size_t step = std::max<size_t>(1, bytes.size() / 97);
    for (size_t at = 0; at < bytes.size(); at += (at < 64 ? 1 : step)) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            auto damaged = bytes;
            damaged[at] ^= mask;
            TokenFile file;
            EXPECT_EQ(ParseTokenFile(damaged, file), CKR_ATTRIBUTE_VALUE_INVALID) << "byte " << at;
        }
    }
}

// Deliberate changes with a matching checksum get past the first check but never
// open: the password's key authenticates header and body.
TEST(TokenFile, TamperingWithARecomputedChecksumNeverOpens) {
    const auto bytes = MakeTokenBytes("Tamper", "secret-1");
    const size_t body = bytes.size() - kDigestSize;
    int parsedButRefused = 0;
    for (size_t at = 0; at < body; at += std::max<size_t>(1, body / 150)) {
        auto damaged = bytes;
        damaged[at] ^= 0x04;
        const auto digest = Sha256(std::span<const uint8_t>(damaged.data(), body));
        std::copy(digest.begin(), digest.end(), damaged.begin() + static_cast<long>(body));
        TokenFile file;
        if (ParseTokenFile(damaged, file) != CKR_OK)
            continue;
        ++parsedButRefused;
        const int opened = Open(damaged, "secret-1");
        EXPECT_TRUE(opened == CKR_ATTRIBUTE_VALUE_INVALID || opened == CKR_PIN_INCORRECT)
            << "byte " << at << " gave " << opened;
    }
    EXPECT_GT(parsedButRefused, 20);
}

TEST(TokenFile, MalformedFilesAreRefusedWithoutCrashing) {
    const auto good = MakeTokenBytes("M", "secret-1");
    const std::vector<std::vector<uint8_t>> cases = {
        {},
        Bytes("ORXTOKEN"),
        std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(good.size() / 2)),
        std::vector<uint8_t>(good.begin(), good.end() - 1),
        std::vector<uint8_t>(200, 0),
        std::vector<uint8_t>(200, 0xFF),
    };
    for (const auto& bytes : cases) {
        TokenFile file;
        EXPECT_EQ(ParseTokenFile(bytes, file), CKR_ATTRIBUTE_VALUE_INVALID) << bytes.size();
    }
}

TEST(TokenFile, ObjectListsRejectImpossibleCounts) {
    std::vector<uint8_t> list{0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<TokenObject> objects;
    EXPECT_FALSE(DecodeObjects(list, objects));
    std::vector<TokenObject> many(3, TokenObject{ObjectKind::Data, false, "i", "l", "a", {1, 2}});
    std::vector<uint8_t> encoded;
    EncodeObjects(many, encoded);
    ASSERT_TRUE(DecodeObjects(encoded, objects));
    EXPECT_EQ(objects, many);
    encoded.push_back(0);
    EXPECT_FALSE(DecodeObjects(encoded, objects));
}

TEST(TokenFile, KdfBoundsAndTheCostVariableOnlyLowers) {
    KdfParams huge;
    huge.log2N = 30;
    EXPECT_FALSE(KdfParamsAcceptable(huge));
    KdfParams pbkdf;
    pbkdf.kind = KdfKind::Pbkdf2;
    pbkdf.iterations = 0;
    EXPECT_FALSE(KdfParamsAcceptable(pbkdf));

    testing::IsolatedEnvironment env;
    const struct {
        const char* value;
        uint8_t expected;
    } cases[] = {{nullptr, 16}, {"4", 4}, {"1", 1}, {"20", 16}, {"16", 16}, {"0", 16}, {"x", 16}};
    for (const auto& c : cases) {
        testing::ScopedEnv cost(kKdfCostVariable, c.value);
        EXPECT_EQ(DefaultKdfParams().log2N, c.expected) << (c.value ? c.value : "unset");
    }
}

TEST(TokenFile, RekeyingChangesThePassword) {
    TokenFile file;
    TokenKey key;
    ASSERT_TRUE(NewTokenFile("R", "old-password", CheapKdf(), file, key));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(SerializeTokenFile(file, key, {}, bytes));
    TokenKey newKey;
    ASSERT_TRUE(RekeyTokenFile(file, "new-password", newKey));
    EXPECT_FALSE(SerializeTokenFile(file, key, {}, bytes));  // the old key no longer fits
    ASSERT_TRUE(SerializeTokenFile(file, newKey, {}, bytes));
    EXPECT_EQ(Open(bytes, "old-password"), CKR_PIN_INCORRECT);
    EXPECT_EQ(Open(bytes, "new-password"), CKR_OK);
}

}  // namespace
}  // namespace orx
