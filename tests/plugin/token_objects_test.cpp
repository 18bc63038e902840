// The object lists directly (certificates with their keys, data objects), the key
// usage bits, and the context calls that the signing and import code builds on:
// a certificate stored with its key, found again with the key after a login.
#include <gtest/gtest.h>

#include "cards/card_slots.h"
#include "core/base64.h"
#include "module_fixture.h"
#include "objects/certificate_fields.h"
#include "objects/certificate_input.h"
#include "objects/object_operations.h"
#include "objects/token_access.h"
#include "plugin_test_support.h"
#include "prompts/prompt_source.h"
#include "propagation/certificate_propagation.h"
#include "properties/list_field.h"
#include "softtoken/soft_tokens.h"
#include "test_certificates.h"
#include "tokenfile/token_objects.h"

namespace orx::testing {
namespace {

TEST(TokenObjects, CertificatesKeepTheirKeysUntilReplacedOrRemoved) {
    std::vector<TokenObject> pub, priv;
    const std::vector<uint8_t> a = Bytes("certificate A"), b = Bytes("certificate B");
    PutCertificate(pub, priv, a, "A", Bytes("key A"));
    PutCertificate(pub, priv, b, "B", {});
    ASSERT_EQ(CertificateObjects(pub).size(), 2u);
    const TokenObject* found = FindCertificateObject(pub, a);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->id, CertificateObjectId(a));
    // Ids are kept in token files: the first 20 bytes of SHA-256, lower-case hex.
    EXPECT_EQ(CertificateObjectId(Bytes("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a3");
    ASSERT_TRUE(FindPrivateKeyObject(priv, found->id));
    EXPECT_TRUE(FindPrivateKeyObject(priv, found->id)->isPrivate);
    EXPECT_FALSE(FindPrivateKeyObject(priv, CertificateObjectId(b)));

    // Written again without a key: the key stays; with one: it is replaced, not doubled.
    PutCertificate(pub, priv, a, "A again", {});
    EXPECT_EQ(pub.size(), 2u);
    EXPECT_EQ(FindPrivateKeyObject(priv, CertificateObjectId(a))->value, Bytes("key A"));
    PutCertificate(pub, priv, a, "A", Bytes("key A2"));
    EXPECT_EQ(priv.size(), 1u);
    EXPECT_EQ(FindPrivateKeyObject(priv, CertificateObjectId(a))->value, Bytes("key A2"));

    EXPECT_TRUE(RemoveCertificate(pub, priv, a));
    EXPECT_FALSE(RemoveCertificate(pub, priv, a));
    EXPECT_TRUE(priv.empty());
    EXPECT_EQ(pub.size(), 1u);
}

TEST(TokenObjects, DataObjectsAreKnownByLabelAndApplication) {
    std::vector<TokenObject> objects;
    PutDataObject(objects, "", "App", false, Bytes("one"));
    PutDataObject(objects, "", "Other", false, Bytes("two"));
    PutDataObject(objects, "", "App", false, Bytes("three"));
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(FindDataObject(objects, "", "App")->value, Bytes("three"));
    EXPECT_FALSE(FindDataObject(objects, "label", "App"));
    PutCertificate(objects, objects, Bytes("cert"), "", {});
    EXPECT_FALSE(FindDataObject(objects, "", ""));
}

TEST(CertificateFields, KeyUsageBitsOfTheExtensionValue) {
    struct Case {
        std::vector<uint8_t> element;
        uint8_t bits;
    };
    const Case cases[] = {
        {{0x04, 0x04, 0x03, 0x02, 0x05, 0xA0}, 0xA0},  // digitalSignature, keyEncipherment
        {{0x04, 0x04, 0x03, 0x02, 0x07, 0x80}, 0x80},
        {{0x04, 0x05, 0x03, 0x03, 0x07, 0x06, 0x80}, 0x06},  // decipherOnly in the second byte
        {{0x04, 0x03, 0x03, 0x01, 0x00}, 0x00},              // no bits at all
        {{0x04, 0x04, 0x03, 0x02, 0x08, 0x80}, 0x00},        // more than 7 unused bits
        {{0x04, 0x04, 0x03, 0x09, 0x05, 0xA0}, 0x00},        // inner length too long
        {{0x04, 0x04, 0x04, 0x02, 0x05, 0xA0}, 0x00},        // no BIT STRING inside
        {{0x04, 0x09, 0x03, 0x02, 0x05, 0xA0}, 0x00},        // outer length too long
        {{0x04}, 0x00},
        {{}, 0x00},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyUsageBits(c.element), c.bits) << Base64Encode(c.element);
}

TEST(CertificateFields, ReadFromARealCertificate) {
    // A UTCTime expiry, as most certificates before 2050 carry.
    const auto der = MakeDer(
        {"Field; Test", "Issuer", "keyEncipherment,dataEncipherment", "291130120000Z", 0x01020304});
    CertificateFields fields;
    ASSERT_TRUE(ReadCertificateFields(der, fields));
    EXPECT_EQ(fields.subjectDisplay, "Field; Test");
    EXPECT_EQ(fields.issuerText, "2.5.4.3=Issuer");
    EXPECT_EQ(fields.issuerDisplay, "Issuer");
    EXPECT_EQ(fields.serialHex, "01020304");
    EXPECT_EQ(fields.notBefore, "2020-01-01");
    EXPECT_EQ(fields.notAfter, "2029-11-30");
    ASSERT_TRUE(fields.keyUsage);
    EXPECT_EQ(*fields.keyUsage, 0x30);
    EXPECT_EQ(ListField("a;b\nc"), "a,b c");
    EXPECT_FALSE(ReadCertificateFields(Bytes("no certificate"), fields));
}

TEST(CertificateInput, ContainersAreToldApartFromGarbage) {
    // An empty PKCS#7 signed-data, as a certificate bundle without certificates.
    PKCS7* p7 = PKCS7_new();
    PKCS7_set_type(p7, NID_pkcs7_signed);
    PKCS7_content_new(p7, NID_pkcs7_data);
    std::vector<uint8_t> bytes(static_cast<size_t>(i2d_PKCS7(p7, nullptr)));
    unsigned char* at = bytes.data();
    i2d_PKCS7(p7, &at);
    PKCS7_free(p7);
    std::vector<uint8_t> der;
    EXPECT_EQ(ReadCertificateInput(Base64Encode(bytes), der), kCertificateInputContainer);
    EXPECT_TRUE(der.empty());
    EXPECT_EQ(ReadCertificateInput("-----BEGIN PKCS7-----\nMAA=\n-----END PKCS7-----\n", der),
              kCertificateInputContainer);
    EXPECT_EQ(ReadCertificateInput(Base64Encode(Bytes("0123456789")), der),
              CKR_ATTRIBUTE_VALUE_INVALID);
    const auto cert = MakeDer({});
    EXPECT_EQ(ReadCertificateInput(Base64Encode(cert), der), CKR_OK);
    EXPECT_EQ(der, cert);
}

// The parts of a context that signing and the import build on, with the scripted
// pinentry.
class ContextKeys : public ModuleTest {};

struct KeyParts {
    KeyParts() {
        prompts.LoadSettings();
        soft.Scan();
    }
    PromptSource prompts;
    SoftTokens soft;
    CardSlots cards;
    TokenAccess tokens{soft, cards, prompts};
    CertificatePropagation propagation{soft, cards};
    ObjectOperations objects{tokens, propagation};
};

TEST_F(ContextKeys, AStoredKeyIsFoundAfterALoginAndNeverInTheFile) {
    ASSERT_EQ(Create("Keys", "keys-password"), 0);
    const int slot = std::stoi(*Get("ActiveSlot"));
    app_.reset();
    const auto withKey = MakeDer({"With Key", "CA", "digitalSignature", "20301231235959Z", 1});
    const auto withoutKey = MakeDer({"No Key", "CA", "", "20301231235959Z", 2});
    const std::vector<uint8_t> pkcs8 = Bytes("PKCS8-PRIVATE-KEY-BYTES-0815");
    {
        KeyParts context;
        Script({"pin keys-password"});
        ASSERT_EQ(context.objects.StoreCertificate(slot, withKey, "With Key", pkcs8), 0);
        ASSERT_EQ(context.objects.StoreCertificate(slot, withoutKey, "No Key", {}),
                  0);  // logged in
        EXPECT_EQ(context.objects.StoreCertificate(slot + 1, withoutKey, "", {}),
                  CKR_TOKEN_NOT_PRESENT);
        EXPECT_EQ(context.objects.StoreCertificate(slot, {}, "", {}), CKR_ARGUMENTS_BAD);
        const auto listed = context.tokens.Certificates();
        ASSERT_EQ(listed.size(), 2u);
        EXPECT_TRUE(listed[0].hasPrivateKey);
        EXPECT_FALSE(listed[1].hasPrivateKey);
        EXPECT_EQ(listed[0].slotId, slot);
    }
    EXPECT_FALSE(Contains(ReadBytes(TokenFolder() + "Keys.tkn"), "PKCS8-PRIVATE-KEY"));
    KeyParts context;
    // Not logged in: the header's record of the sealed keys tells it.
    EXPECT_TRUE(context.tokens.Certificates()[0].hasPrivateKey);
    EXPECT_FALSE(context.tokens.Certificates()[1].hasPrivateKey);
    int found = 0;
    Secret key;
    Script({"cancel"});
    EXPECT_EQ(context.tokens.PrivateKeyFor(withKey, slot, found, key), CKR_CANCEL);
    Script({"pin keys-password"});
    ASSERT_EQ(context.tokens.PrivateKeyFor(withKey, slot, found, key), 0);
    EXPECT_EQ(found, slot);
    EXPECT_EQ(std::vector<uint8_t>(key.span().begin(), key.span().end()), pkcs8);
    EXPECT_EQ(context.tokens.PrivateKeyFor(withoutKey, slot, found, key), CKR_TOKEN_NOT_PRESENT);
    EXPECT_EQ(context.tokens.PrivateKeyFor(MakeDer({"Elsewhere"}), slot, found, key),
              CKR_TOKEN_NOT_PRESENT);
}

}  // namespace
}  // namespace orx::testing
