#include "der/der_key_pair.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "der/der_result.h"
#include "der_test_support.h"

namespace orx {
namespace {

using testing::Hex;
using testing::HexCompact;
using testing::ReadBytes;
using testing::RunCommand;
using testing::ToHex;
using testing::TraceCapture;

// A fresh 1,024-bit key made by the openssl command line: its public key info, its
// private key info and the modulus as openssl prints it.
class OpensslKey : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string key = trace_.env() / "key.pem";
        const std::string pub = trace_.env() / "pub.der";
        const std::string priv = trace_.env() / "priv.der";
        ASSERT_EQ(RunCommand("openssl genrsa -out '" + key + "' 1024 2>/dev/null"), 0);
        ASSERT_EQ(RunCommand("openssl rsa -in '" + key + "' -pubout -outform DER -out '" + pub +
                             "' 2>/dev/null"),
                  0);
        ASSERT_EQ(RunCommand("openssl pkcs8 -topk8 -nocrypt -in '" + key + "' -outform DER -out '" +
                             priv + "'"),
                  0);
        std::string modulus;
        ASSERT_EQ(RunCommand("openssl rsa -in '" + key + "' -modulus -noout", &modulus), 0);
        modulus_ = testing::ValueAfterEquals(modulus);  // "Modulus=C1A2..."
        publicInfo_ = ReadBytes(pub);
        privateInfo_ = ReadBytes(priv);
        ASSERT_FALSE(publicInfo_.empty());
        ASSERT_FALSE(privateInfo_.empty());
    }

    TraceCapture trace_;
    std::vector<uint8_t> publicInfo_;
    std::vector<uint8_t> privateInfo_;
    std::string modulus_;
};

// Decoded and encoded again from its two numbers, the public key info is openssl's.
TEST_F(OpensslKey, PublicKeyInfoRoundTrip) {
    DerKeyPair decoded;
    ASSERT_EQ(decoded.Decode(publicInfo_), DER_OK);
    EXPECT_EQ(decoded.algorithm().text, kOidRsaEncryption);
    EXPECT_TRUE(decoded.IsPublicOnly());
    EXPECT_EQ(HexCompact(decoded.Value(RsaNumber::kModulus)), modulus_);
    EXPECT_EQ(ToHex(decoded.Number(RsaNumber::kPublicExponent)), "02 03 01 00 01");
    EXPECT_EQ(decoded.Number(RsaNumber::kModulus).size(), 128u + 4);  // 02 81 81 00
    DerKeyPair key;
    key.algorithm().text = kOidRsaEncryption;
    key.SetValue(RsaNumber::kModulus, decoded.Value(RsaNumber::kModulus));
    key.SetValue(RsaNumber::kPublicExponent, decoded.Value(RsaNumber::kPublicExponent));
    std::vector<uint8_t> area(400);
    uint32_t count = static_cast<uint32_t>(area.size());
    ASSERT_EQ(key.Encode(area, &count), DER_OK);
    EXPECT_EQ(std::vector<uint8_t>(area.begin(), area.begin() + count), publicInfo_);
}

// The private key info gives all eight numbers; a key pair is written as the eight
// numbers in a BIT STRING and decodes to them again.
TEST_F(OpensslKey, PrivateKeyInfoRoundTrip) {
    DerKeyPair decoded;
    ASSERT_EQ(decoded.Decode(privateInfo_), DER_OK);
    EXPECT_FALSE(decoded.IsPublicOnly());
    EXPECT_EQ(HexCompact(decoded.Value(RsaNumber::kModulus)), modulus_);
    EXPECT_EQ(ToHex(decoded.Value(RsaNumber::kPublicExponent)), "01 00 01");
    EXPECT_EQ(trace_.Text().find("ignored"), std::string::npos);
    DerKeyPair key;
    for (size_t i = 0; i < kRsaNumberCount; ++i) {
        const auto which = static_cast<RsaNumber>(i);
        // Leading zero bytes of a number are rare but possible: allow a few.
        const size_t size = i < 3 ? (i == 1 ? 3 : 128) : 64;
        EXPECT_LE(decoded.Value(which).size(), size) << i;
        EXPECT_GE(decoded.Value(which).size(), size - 3) << i;
        key.SetValue(which, decoded.Value(which));
    }
    std::vector<uint8_t> area(1200);
    uint32_t count = static_cast<uint32_t>(area.size());
    ASSERT_EQ(key.Encode(area, &count), DER_OK);
    DerKeyPair again;
    ASSERT_EQ(again.Decode(DerBytes(area.data(), count)), DER_OK);
    EXPECT_FALSE(again.IsPublicOnly());
    for (size_t i = 0; i < kRsaNumberCount; ++i) {
        const auto which = static_cast<RsaNumber>(i);
        EXPECT_EQ(ToHex(again.Value(which)), ToHex(decoded.Value(which))) << i;
    }
}

TEST(DerKeyPair, ModulusWithTopBitGetsAZeroOctet) {
    std::vector<uint8_t> modulus(128, 0x5A);
    modulus[0] = 0xC5;
    const auto exponent = Hex("01 00 01");
    DerKeyPair key;
    key.algorithm().text = kOidRsaEncryption;
    key.SetValue(RsaNumber::kModulus, modulus);
    key.SetValue(RsaNumber::kPublicExponent, exponent);
    std::vector<uint8_t> area(200);
    uint32_t count = 200;
    ASSERT_EQ(key.Encode(area, &count), DER_OK);
    EXPECT_EQ(count, 162u);
    EXPECT_EQ(ToHex(area.data(), 26),
              "30 81 9F 30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00 03 81 8D 00 30 81 89 02");
    EXPECT_EQ(ToHex(area.data() + 26, 4), "81 81 00 C5");

    // Every capacity short of 162 fails without writing past it.
    for (uint32_t capacity = 0; capacity < 162; ++capacity) {
        std::vector<uint8_t> small(200, 0xEE);
        uint32_t c = capacity;
        EXPECT_LT(key.Encode(small, &c), 0) << capacity;
        for (size_t i = capacity; i < small.size(); ++i)
            ASSERT_EQ(small[i], 0xEE) << capacity;
    }
}

TEST(DerKeyPair, EncodeKeyAlgorithmIgnoresTheText) {
    DerKeyPair key;
    key.algorithm().text = "1.2.3";
    std::vector<uint8_t> area(15);
    uint32_t count = 15;
    ASSERT_EQ(key.EncodeKeyAlgorithm(area, &count), DER_OK);
    EXPECT_EQ(ToHex(area), "30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00");
    count = 14;
    EXPECT_EQ(key.EncodeKeyAlgorithm(area, &count), DER_BUFFER_TOO_SMALL);
}

TEST(DerKeyPair, OtherAlgorithmIsRefused) {
    TraceCapture trace;
    const std::string pem = trace.env() / "ec.pem";
    const std::string der = trace.env() / "ec.der";
    ASSERT_EQ(RunCommand("openssl ecparam -genkey -name prime256v1 -noout -out '" + pem + "'"), 0);
    ASSERT_EQ(RunCommand("openssl pkey -in '" + pem + "' -pubout -outform DER -out '" + der + "'"),
              0);
    DerKeyPair key;
    EXPECT_EQ(key.Decode(testing::ReadBytes(der)), DER_BAD_KEY_TYPE);
    EXPECT_TRUE(trace.Has("DerKeyPair - Key type 1.2.840.10045.2.1 not supported"));
}

// A small public key info: modulus C5 01 (not even minimal DER), exponent 03.
const char* kSmallKey =
    "30 1B 30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00 03 0A 00 30 07 02 02 C5 01 02 01 03";
#define RSA_ALG "30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00 "

TEST(DerKeyPair, SmallKeyAndItsFaults) {
    TraceCapture trace;
    DerKeyPair key;
    const auto good = Hex(kSmallKey);
    ASSERT_EQ(good.size(), 29u);
    struct Case {
        const char* bytes;
        int rc;
        const char* line;
    };
    const Case cases[] = {
        {"30 1B " RSA_ALG "03 0A 01 30 07 02 02 C5 01 02 01 03", DER_BAD_TAG,
         "DerKeyPair - Bad rsa key (first byte not zero)"},
        {"30 1B " RSA_ALG "03 0A 00 31 07 02 02 C5 01 02 01 03", DER_BAD_TAG,
         "DerKeyPair - Bad rsa key (first byte not zero)"},
        {"30 1B " RSA_ALG "05 0A 00 30 07 02 02 C5 01 02 01 03", DER_BAD_TAG,
         "DerKeyPair - Bad rsa key (no bit string)"},
        {"30 1B " RSA_ALG "03 0A 00 30 07 04 02 C5 01 02 01 03", DER_BAD_TAG,
         "DerKeyPair - Bad rsa key (modulus not integer)"},
        {"30 1B " RSA_ALG "03 0A 00 30 07 02 02 C5 01 04 01 03", DER_BAD_TAG,
         "DerKeyPair - Bad rsa key (publicExp not integer)"},
        {"30 18 " RSA_ALG "03 07 00 30 04 02 02 C5 01", DER_BAD_LENGTH,
         "DerKeyPair - Bad rsa key (no publicExp)"},
        {"30 1D " RSA_ALG "03 0C 00 30 09 02 02 C5 01 02 01 03 02 01", DER_BAD_LENGTH,
         "DerKeyPair - Bad rsa key (no privateExp)"},
        {"30 1B " RSA_ALG "03 0A 00 30 08 02 02 C5 01 02 01 03", DER_BAD_LENGTH,
         "DerKeyPair - Failed to decode rsa top sequence"},
        {"30 1B " RSA_ALG "03 0B 00 30 07 02 02 C5 01 02 01 03", DER_BAD_LENGTH,
         "DerKeyPair - Failed to get key"},
        {"31 1B 30 0D", DER_BAD_LENGTH, "DerKeyPair - Failed to decode top sequence"},
        {"30 04 30 0D 06 09", DER_BAD_LENGTH, "DerKeyPair - Failed to get algorithm"},
        {"30 05 02 01 00 30 0D", DER_BAD_LENGTH, "DerKeyPair - Failed to get algorithm"},
        {"30 04 02 05 00 30", DER_BAD_LENGTH, "DerKeyPair - Failed to get version"},
        {"30 11 " RSA_ALG "03 09", DER_BAD_LENGTH, "DerKeyPair - Failed to get key"},
        {"30 0F " RSA_ALG, DER_OK, nullptr},
    };
    for (const auto& c : cases) {
        trace.Reset();
        EXPECT_EQ(key.Decode(Hex(c.bytes)), c.rc) << c.bytes;
        if (c.line) {
            EXPECT_TRUE(trace.Has(c.line)) << c.line << "\n" << trace.Text();
        }
    }

    trace.Reset();
    ASSERT_EQ(key.Decode(good), DER_OK);
    EXPECT_EQ(ToHex(key.Value(RsaNumber::kModulus)), "C5 01");
    EXPECT_EQ(ToHex(key.Value(RsaNumber::kPublicExponent)), "03");
    EXPECT_TRUE(key.IsPublicOnly());

    auto trailing = good;
    trailing[1] = 0x1D;
    trailing.push_back(0x05);
    trailing.push_back(0x00);
    ASSERT_EQ(key.Decode(trailing), DER_OK);
    EXPECT_TRUE(trace.Has("DerKeyPair - 2 bytes ignored at end"));

    // Every truncation fails cleanly.
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_NE(key.Decode(DerBytes(good.data(), n)), DER_OK) << n;
    }
}

TEST(DerKeyPair, PrivateKeyFromOctetStringSkipsItsVersion) {
    // version 0, rsaEncryption, OCTET STRING { SEQUENCE { 02 01 00, eight numbers } }
    const auto bytes = Hex("30 32 02 01 00 " RSA_ALG
                           "04 1E 30 1C 02 01 00 02 02 00 C5 02 01 03 02 01 07 02 01 0B "
                           "02 01 0D 02 01 11 02 01 13 02 01 17 99");
    TraceCapture trace;
    DerKeyPair key;
    // The byte behind the outer SEQUENCE is not part of the key.
    ASSERT_EQ(key.Decode(bytes), DER_OK);
    EXPECT_FALSE(key.IsPublicOnly());
    EXPECT_EQ(ToHex(key.Value(RsaNumber::kModulus)), "C5");
    EXPECT_EQ(ToHex(key.Value(RsaNumber::kCoefficient)), "17");
    EXPECT_EQ(ToHex(key.Number(RsaNumber::kModulus)), "02 02 00 C5");
    EXPECT_EQ(key.key().size(), 30u);
    EXPECT_EQ(trace.Text().find("ignored"), std::string::npos);

    const auto bad = Hex("30 14 02 01 00 " RSA_ALG "04 00");
    EXPECT_EQ(key.Decode(bad), DER_BAD_TAG);
    EXPECT_TRUE(trace.Has("DerKeyPair - Bad rsa key"));
}

TEST(DerKeyPair, NewDecodeForgetsTheOldNumbers) {
    const auto priv = Hex("30 31 02 01 00 " RSA_ALG
                          "04 1D 30 1B 02 01 00 02 01 05 02 01 03 02 01 07 02 01 0B 02 01 0D "
                          "02 01 11 02 01 13 02 01 17");
    DerKeyPair key;
    ASSERT_EQ(key.Decode(priv), DER_OK);
    ASSERT_FALSE(key.IsPublicOnly());
    ASSERT_EQ(key.Decode(Hex(kSmallKey)), DER_OK);
    EXPECT_TRUE(key.IsPublicOnly());
    EXPECT_TRUE(key.Value(RsaNumber::kCoefficient).empty());
    key.Clear();
    EXPECT_TRUE(key.Value(RsaNumber::kModulus).empty());
}

}  // namespace
}  // namespace orx
