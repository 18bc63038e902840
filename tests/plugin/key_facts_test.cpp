// A key's public facts in PKCS#11's shapes, as both the card back-end and the PKCS#11
// module of our own read them, and the DER and number forms they are made of.
#include "cards/pkcs11/key_facts.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

#include "cms/cms_library.h"

namespace orx {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) {
    return bytes;
}

TEST(KeyFacts, OctetStringsAndNumbersHaveTheirDerShapes) {
    const struct {
        size_t size;
        std::vector<uint8_t> header;
    } strings[] = {
        {0, Bytes({0x04, 0x00})},
        {0x7F, Bytes({0x04, 0x7F})},
        {0x80, Bytes({0x04, 0x81, 0x80})},
        {0xFF, Bytes({0x04, 0x81, 0xFF})},
        {0x100, Bytes({0x04, 0x82, 0x01, 0x00})},
        {0x10000, Bytes({0x04, 0x83, 0x01, 0x00, 0x00})},
    };
    for (const auto& c : strings) {
        const std::vector<uint8_t> content(c.size, 0xAB);
        const std::vector<uint8_t> der = DerOctetString(content);
        ASSERT_EQ(der.size(), c.header.size() + c.size) << c.size;
        EXPECT_TRUE(std::equal(c.header.begin(), c.header.end(), der.begin())) << c.size;
    }

    const std::unique_ptr<BIGNUM, decltype(&BN_free)> n(BN_new(), BN_free);
    ASSERT_TRUE(BN_set_word(n.get(), 0x010203));
    EXPECT_EQ(BigEndianBytes(n.get()), Bytes({0x01, 0x02, 0x03}));
    EXPECT_EQ(BigEndianBytes(n.get(), 5), Bytes({0x00, 0x00, 0x01, 0x02, 0x03}));
    EXPECT_EQ(BigEndianBytes(n.get(), 2), Bytes({0x01, 0x02, 0x03}));  // never cut
}

TEST(KeyFacts, RsaAndNamedCurvesAreReadOtherKeysAreNot) {
    // P-256's object identifier, 1.2.840.10045.3.1.7, in DER.
    const std::vector<uint8_t> prime256 =
        Bytes({0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07});
    const struct {
        const char* name;
        EVP_PKEY* key;
        CK_KEY_TYPE type;
        CK_ULONG bits;
    } cases[] = {
        {"RSA 2048", EVP_RSA_gen(2048), CKK_RSA, 2048},
        {"EC P-256", EVP_EC_gen("P-256"), CKK_EC, 256},
        {"EC P-384", EVP_EC_gen("P-384"), CKK_EC, 384},
        {"Ed25519", EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), CK_UNAVAILABLE_INFORMATION, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PkeyPtr key(c.key);
        ASSERT_TRUE(key);
        KeyFacts facts;
        const bool read = ReadKeyFacts(key.get(), facts);
        EXPECT_EQ(read, c.type != CK_UNAVAILABLE_INFORMATION);
        EXPECT_EQ(facts.usable(), read);
        EXPECT_EQ(facts.type, c.type);
        EXPECT_EQ(facts.bits, c.bits);
        if (!read) {
            EXPECT_TRUE(facts.spki.empty());
            continue;
        }
        EXPECT_EQ(facts.spki, OpenSslDer(key.get(), i2d_PUBKEY));
        if (c.type == CKK_RSA) {
            EXPECT_EQ(facts.modulus.size(), 256u);
            EXPECT_EQ(facts.exponent, Bytes({0x01, 0x00, 0x01}));
            EXPECT_TRUE(facts.ecParams.empty() && facts.ecPoint.empty());
        } else {
            // The point uncompressed (04, then both coordinates) in an OCTET STRING.
            const size_t coordinate = c.bits / 8;
            ASSERT_EQ(facts.ecPoint.size(), 2 + 1 + 2 * coordinate);
            EXPECT_EQ(facts.ecPoint[0], 0x04);
            EXPECT_EQ(facts.ecPoint[1], 1 + 2 * coordinate);
            EXPECT_EQ(facts.ecPoint[2], 0x04);
            EXPECT_EQ(facts.ecParams == prime256, c.bits == 256);
            EXPECT_TRUE(facts.modulus.empty());
        }
    }
}

TEST(KeyFacts, ACompressedPointIsGivenUncompressed) {
    const PkeyPtr key(EVP_EC_gen("P-256"));
    ASSERT_TRUE(key);
    ASSERT_EQ(EVP_PKEY_set_utf8_string_param(key.get(), OSSL_PKEY_PARAM_EC_POINT_CONVERSION_FORMAT,
                                             "compressed"),
              1);
    // A certificate's key read back from its compressed form.
    const std::vector<uint8_t> compressed = OpenSslDer(key.get(), i2d_PUBKEY);
    const unsigned char* at = compressed.data();
    const PkeyPtr publicKey(d2i_PUBKEY(nullptr, &at, static_cast<long>(compressed.size())));
    ASSERT_TRUE(publicKey);
    KeyFacts facts;
    ASSERT_TRUE(ReadKeyFacts(publicKey.get(), facts));
    ASSERT_EQ(facts.ecPoint.size(), 2u + 65u);
    EXPECT_EQ(facts.ecPoint[2], 0x04);
}

}  // namespace
}  // namespace orx
