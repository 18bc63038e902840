// The objects a token shows: certificates with the fields of their DER, a public
// key object beside each certificate whose key is on the token, private keys that
// never give their secret parts, data objects by privacy; and the objects callers
// create, change and destroy.
#include <openssl/x509.h>

#include <cstring>

#include "cms/cms_library.h"
#include "core/hex_text.h"
#include "pkcs11/p11_fixture.h"
#include "tokenfile/token_objects.h"
#include "tokenfile/token_store.h"

namespace orx::testing {
namespace {

std::vector<uint8_t> IdOf(const TestKeyPair& pair) {
    return *HexBytes(CertificateObjectId(pair.certificate));
}

class P11Objects : public P11Test {
  protected:
    void SetUp() override {
        P11Test::SetUp();
        // The RSA pair has its key on the token; the EC certificate is someone else's.
        slot_ = MakeSoftToken("Objects", "secret-1", {&RsaPair()},
                              {{"public note", "app", "open text", false},
                               {"private note", "app", "closed text", true}});
        ASSERT_NO_FATAL_FAILURE(PutOnToken(EcPair().certificate, "Colleague"));
        Initialize();
        session_ = Open(slot_, true);
    }

    // The program itself puts `certificate` on the token "Objects" beside the module.
    void PutOnToken(const std::vector<uint8_t>& certificate, const std::string& label) {
        TokenStore store(TokenFolder());
        TokenFile file;
        ASSERT_EQ(CKR_OK, store.Read("Objects", file));
        TokenKey key;
        ASSERT_TRUE(DeriveFileKey(file, "secret-1", key));
        ASSERT_EQ(CKR_OK, EditTokenObjects(store, "Objects", key, [&](auto& pub, auto& priv) {
                      PutCertificate(pub, priv, certificate, label, {});
                      return static_cast<int>(CKR_OK);
                  }));
    }

    int slot_ = 0;
    CK_SESSION_HANDLE session_ = CK_INVALID_HANDLE;
};

TEST_F(P11Objects, WithoutALoginOnlyThePublicObjectsShow) {
    EXPECT_EQ(2u, FindClass(session_, CKO_CERTIFICATE).size());
    EXPECT_TRUE(FindClass(session_, CKO_PRIVATE_KEY).empty());
    const std::vector<CK_OBJECT_HANDLE> data = FindClass(session_, CKO_DATA);
    ASSERT_EQ(1u, data.size());
    const std::vector<uint8_t> value = Attribute(session_, data[0], CKA_VALUE);
    EXPECT_EQ("open text", std::string(value.begin(), value.end()));
}

TEST_F(P11Objects, CertificatesShowTheFieldsOfTheirDer) {
    const std::vector<uint8_t> id = IdOf(RsaPair());
    const std::vector<CK_OBJECT_HANDLE> found = Find(
        session_, {Entry(CKA_CLASS, CK_OBJECT_CLASS(CKO_CERTIFICATE)), BytesEntry(CKA_ID, id)});
    ASSERT_EQ(1u, found.size());
    const unsigned char* at = RsaPair().certificate.data();
    const X509Ptr x(d2i_X509(nullptr, &at, static_cast<long>(RsaPair().certificate.size())));
    ASSERT_NE(nullptr, x);
    EXPECT_EQ(RsaPair().certificate, Attribute(session_, found[0], CKA_VALUE));
    EXPECT_EQ(OpenSslDer(X509_get_subject_name(x.get()), i2d_X509_NAME),
              Attribute(session_, found[0], CKA_SUBJECT));
    EXPECT_EQ(OpenSslDer(X509_get_issuer_name(x.get()), i2d_X509_NAME),
              Attribute(session_, found[0], CKA_ISSUER));
    EXPECT_EQ(OpenSslDer(X509_get0_serialNumber(x.get()), i2d_ASN1_INTEGER),
              Attribute(session_, found[0], CKA_SERIAL_NUMBER));
    EXPECT_EQ(CKC_X_509, UlongAttribute(session_, found[0], CKA_CERTIFICATE_TYPE));
    EXPECT_FALSE(BoolAttribute(session_, found[0], CKA_PRIVATE));
    EXPECT_TRUE(BoolAttribute(session_, found[0], CKA_TOKEN));
    const std::vector<uint8_t> label = Attribute(session_, found[0], CKA_LABEL);
    EXPECT_EQ(RsaPair().name, std::string(label.begin(), label.end()));
}

TEST_F(P11Objects, AfterLoginEachKeyedCertificateHasItsKeyPairBesideIt) {
    ASSERT_EQ(CKR_OK, Login(session_, "secret-1"));
    const std::vector<uint8_t> id = IdOf(RsaPair());
    const std::vector<CK_OBJECT_HANDLE> pair = Find(session_, {BytesEntry(CKA_ID, id)});
    EXPECT_EQ(3u, pair.size());  // certificate, public key, private key
    // The colleague's certificate has no key here, so no key objects either.
    EXPECT_EQ(1u, Find(session_, {BytesEntry(CKA_ID, IdOf(EcPair()))}).size());

    const std::vector<CK_OBJECT_HANDLE> publicKeys = FindClass(session_, CKO_PUBLIC_KEY);
    ASSERT_EQ(1u, publicKeys.size());
    const std::vector<uint8_t> info = Attribute(session_, publicKeys[0], CKA_PUBLIC_KEY_INFO);
    const unsigned char* at = info.data();
    EVP_PKEY* fromToken = d2i_PUBKEY(nullptr, &at, static_cast<long>(info.size()));
    ASSERT_NE(nullptr, fromToken);
    EXPECT_EQ(1, EVP_PKEY_eq(fromToken, RsaPair().key));
    EVP_PKEY_free(fromToken);
    EXPECT_EQ(2048u, UlongAttribute(session_, publicKeys[0], CKA_MODULUS_BITS));
    EXPECT_EQ((std::vector<uint8_t>{1, 0, 1}),
              Attribute(session_, publicKeys[0], CKA_PUBLIC_EXPONENT));
    EXPECT_EQ(1u, UlongAttribute(session_, FindClass(session_, CKO_CERTIFICATE)[0],
                                 CKA_CERTIFICATE_CATEGORY));
}

TEST_F(P11Objects, PrivateKeysKeepTheirSecretParts) {
    ASSERT_EQ(CKR_OK, Login(session_, "secret-1"));
    const std::vector<CK_OBJECT_HANDLE> keys = FindClass(session_, CKO_PRIVATE_KEY);
    ASSERT_EQ(1u, keys.size());
    EXPECT_TRUE(BoolAttribute(session_, keys[0], CKA_SENSITIVE));
    EXPECT_FALSE(BoolAttribute(session_, keys[0], CKA_EXTRACTABLE));
    EXPECT_TRUE(BoolAttribute(session_, keys[0], CKA_PRIVATE));
    EXPECT_TRUE(BoolAttribute(session_, keys[0], CKA_SIGN));
    EXPECT_EQ(CKK_RSA, UlongAttribute(session_, keys[0], CKA_KEY_TYPE));
    // The public half is there for callers that want the modulus of the key they use.
    EXPECT_EQ(256u, Attribute(session_, keys[0], CKA_MODULUS).size());
    for (CK_ATTRIBUTE_TYPE secret : {CKA_VALUE, CKA_PRIVATE_EXPONENT, CKA_PRIME_1, CKA_PRIME_2,
                                     CKA_EXPONENT_1, CKA_EXPONENT_2, CKA_COEFFICIENT}) {
        SCOPED_TRACE(secret);
        std::vector<uint8_t> buffer(4096, 0xEE);
        CK_ATTRIBUTE entry{secret, buffer.data(), buffer.size()};
        EXPECT_EQ(CKR_ATTRIBUTE_SENSITIVE,
                  p11()->C_GetAttributeValue(session_, keys[0], &entry, 1));
        EXPECT_EQ(CK_UNAVAILABLE_INFORMATION, entry.ulValueLen);
        EXPECT_EQ(std::vector<uint8_t>(4096, 0xEE), buffer);
        // Nor can a search find the key by its secret.
        EXPECT_TRUE(Find(session_, {CK_ATTRIBUTE{secret, nullptr, 0}}).empty());
    }
    // Making a key extractable or not sensitive is refused.
    const CK_BBOOL yes = CK_TRUE;
    const CK_BBOOL no = CK_FALSE;
    for (CK_ATTRIBUTE change : {Entry(CKA_EXTRACTABLE, yes), Entry(CKA_SENSITIVE, no)})
        EXPECT_EQ(CKR_ACTION_PROHIBITED, p11()->C_SetAttributeValue(session_, keys[0], &change, 1));
    EXPECT_TRUE(BoolAttribute(session_, keys[0], CKA_SENSITIVE));
}

TEST_F(P11Objects, AttributeValuesFollowTheBufferRules) {
    const std::vector<CK_OBJECT_HANDLE> certificates = FindClass(session_, CKO_CERTIFICATE);
    ASSERT_FALSE(certificates.empty());
    std::vector<uint8_t> small(10);
    CK_OBJECT_CLASS objectClass = 0;
    CK_ATTRIBUTE entries[] = {
        {CKA_CLASS, &objectClass, sizeof objectClass},
        {CKA_VALUE, small.data(), small.size()},
        {CKA_MODULUS, nullptr, 0},
        {CKA_LABEL, nullptr, 0},
    };
    EXPECT_NE(CKR_OK, p11()->C_GetAttributeValue(session_, certificates[0], entries, 4));
    EXPECT_EQ(CKO_CERTIFICATE, objectClass);  // the entries that fit are filled
    EXPECT_EQ(CK_UNAVAILABLE_INFORMATION, entries[1].ulValueLen);
    EXPECT_EQ(CK_UNAVAILABLE_INFORMATION, entries[2].ulValueLen);
    EXPECT_GT(entries[3].ulValueLen, 0u);
    CK_ULONG size = 0;
    EXPECT_EQ(CKR_OK, p11()->C_GetObjectSize(session_, certificates[0], &size));
    EXPECT_GT(size, RsaPair().certificate.size());
}

TEST_F(P11Objects, CertificatesAndDataObjectsAreCreatedChangedAndDestroyed) {
    ASSERT_EQ(CKR_OK, Login(session_, "secret-1"));
    const CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
    const CK_CERTIFICATE_TYPE x509 = CKC_X_509;
    const CK_BBOOL yes = CK_TRUE;
    const std::string label = "Added";
    std::vector<CK_ATTRIBUTE> certificate = {Entry(CKA_CLASS, certificateClass),
                                             Entry(CKA_CERTIFICATE_TYPE, x509),
                                             Entry(CKA_TOKEN, yes), TextEntry(CKA_LABEL, label),
                                             BytesEntry(CKA_VALUE, SecondRsaPair().certificate)};
    CK_OBJECT_HANDLE made = CK_INVALID_HANDLE;
    ASSERT_EQ(CKR_OK,
              p11()->C_CreateObject(session_, certificate.data(), certificate.size(), &made));
    EXPECT_EQ(SecondRsaPair().certificate, Attribute(session_, made, CKA_VALUE));
    EXPECT_EQ(IdOf(SecondRsaPair()), Attribute(session_, made, CKA_ID));

    // The program sees it as one of its own.
    TokenStore store(TokenFolder());
    TokenFile file;
    ASSERT_EQ(CKR_OK, store.Read("Objects", file));
    EXPECT_NE(nullptr, FindCertificateObject(file.publicObjects, SecondRsaPair().certificate));

    const std::string newLabel = "Renamed";
    CK_ATTRIBUTE rename = TextEntry(CKA_LABEL, newLabel);
    EXPECT_EQ(CKR_OK, p11()->C_SetAttributeValue(session_, made, &rename, 1));
    const std::vector<uint8_t> labelNow = Attribute(session_, made, CKA_LABEL);
    EXPECT_EQ(newLabel, std::string(labelNow.begin(), labelNow.end()));
    EXPECT_EQ(CKR_OK, p11()->C_DestroyObject(session_, made));
    EXPECT_EQ(CKR_OBJECT_HANDLE_INVALID, p11()->C_DestroyObject(session_, made));
    ASSERT_EQ(CKR_OK, store.Read("Objects", file));
    EXPECT_EQ(nullptr, FindCertificateObject(file.publicObjects, SecondRsaPair().certificate));

    const CK_OBJECT_CLASS dataClass = CKO_DATA;
    const std::string application = "tests";
    const std::string value = "the value";
    std::vector<CK_ATTRIBUTE> data = {Entry(CKA_CLASS, dataClass),
                                      Entry(CKA_TOKEN, yes),
                                      Entry(CKA_PRIVATE, yes),
                                      TextEntry(CKA_LABEL, label),
                                      TextEntry(CKA_APPLICATION, application),
                                      TextEntry(CKA_VALUE, value)};
    ASSERT_EQ(CKR_OK, p11()->C_CreateObject(session_, data.data(), data.size(), &made));
    EXPECT_TRUE(BoolAttribute(session_, made, CKA_PRIVATE));
    // The same label and application again would replace it: refused.
    CK_OBJECT_HANDLE twice = CK_INVALID_HANDLE;
    EXPECT_EQ(CKR_ATTRIBUTE_VALUE_INVALID,
              p11()->C_CreateObject(session_, data.data(), data.size(), &twice));
    const std::string changed = "another value";
    CK_ATTRIBUTE newValue = TextEntry(CKA_VALUE, changed);
    EXPECT_EQ(CKR_OK, p11()->C_SetAttributeValue(session_, made, &newValue, 1));
    const std::vector<uint8_t> valueNow = Attribute(session_, made, CKA_VALUE);
    EXPECT_EQ(changed, std::string(valueNow.begin(), valueNow.end()));
    CK_ATTRIBUTE relabel = TextEntry(CKA_LABEL, newLabel);
    EXPECT_EQ(CKR_ATTRIBUTE_READ_ONLY, p11()->C_SetAttributeValue(session_, made, &relabel, 1));
    EXPECT_EQ(CKR_OK, p11()->C_DestroyObject(session_, made));
    EXPECT_EQ(1u, Find(session_, {Entry(CKA_CLASS, dataClass), Entry(CKA_PRIVATE, yes)}).size());
}

TEST_F(P11Objects, TemplatesTheTokenCannotKeepAreRefused) {
    ASSERT_EQ(CKR_OK, Login(session_, "secret-1"));
    const CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
    const CK_OBJECT_CLASS keyClass = CKO_PRIVATE_KEY;
    const CK_OBJECT_CLASS dataClass = CKO_DATA;
    const CK_CERTIFICATE_TYPE x509 = CKC_X_509;
    const CK_CERTIFICATE_TYPE attribute = CKC_X_509_ATTR_CERT;
    const CK_BBOOL yes = CK_TRUE;
    const CK_BBOOL no = CK_FALSE;
    const std::vector<uint8_t> garbage = {0x30, 0x03, 0x02, 0x01, 0x01};
    const std::vector<uint8_t> otherId = {1, 2, 3};
    const std::vector<uint8_t> oid = {0x06, 0x01, 0x01};
    const std::vector<uint8_t>& der = SecondRsaPair().certificate;
    const CK_ULONG wrongSize = 1;
    struct Case {
        const char* name;
        std::vector<CK_ATTRIBUTE> attributes;
        CK_RV result;
    } cases[] = {
        {"no class", {BytesEntry(CKA_VALUE, der)}, CKR_TEMPLATE_INCOMPLETE},
        {"no certificate type",
         {Entry(CKA_CLASS, certificateClass), Entry(CKA_TOKEN, yes), BytesEntry(CKA_VALUE, der)},
         CKR_TEMPLATE_INCOMPLETE},
        {"no value",
         {Entry(CKA_CLASS, certificateClass), Entry(CKA_TOKEN, yes),
          Entry(CKA_CERTIFICATE_TYPE, x509)},
         CKR_TEMPLATE_INCOMPLETE},
        {"no CKA_TOKEN: a session object",
         {Entry(CKA_CLASS, certificateClass), Entry(CKA_CERTIFICATE_TYPE, x509),
          BytesEntry(CKA_VALUE, der)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"no certificate",
         {Entry(CKA_CLASS, certificateClass), Entry(CKA_TOKEN, yes),
          Entry(CKA_CERTIFICATE_TYPE, x509), BytesEntry(CKA_VALUE, garbage)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"attribute certificate",
         {Entry(CKA_CLASS, certificateClass), Entry(CKA_TOKEN, yes),
          Entry(CKA_CERTIFICATE_TYPE, attribute), BytesEntry(CKA_VALUE, der)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"session object",
         {Entry(CKA_CLASS, certificateClass), Entry(CKA_CERTIFICATE_TYPE, x509),
          Entry(CKA_TOKEN, no), BytesEntry(CKA_VALUE, der)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"private certificate",
         {Entry(CKA_CLASS, certificateClass), Entry(CKA_TOKEN, yes),
          Entry(CKA_CERTIFICATE_TYPE, x509), Entry(CKA_PRIVATE, yes), BytesEntry(CKA_VALUE, der)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"an id of its own",
         {Entry(CKA_CLASS, certificateClass), Entry(CKA_TOKEN, yes),
          Entry(CKA_CERTIFICATE_TYPE, x509), BytesEntry(CKA_ID, otherId),
          BytesEntry(CKA_VALUE, der)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"a class given twice",
         {Entry(CKA_CLASS, certificateClass), Entry(CKA_TOKEN, yes), Entry(CKA_CLASS, dataClass),
          Entry(CKA_CERTIFICATE_TYPE, x509), BytesEntry(CKA_VALUE, der)},
         CKR_TEMPLATE_INCONSISTENT},
        {"a value of the wrong size",
         {CK_ATTRIBUTE{CKA_CLASS, const_cast<CK_ULONG*>(&wrongSize), 1}},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"a private key",
         {Entry(CKA_CLASS, keyClass), Entry(CKA_TOKEN, yes)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"a data object id",
         {Entry(CKA_CLASS, dataClass), Entry(CKA_TOKEN, yes), BytesEntry(CKA_OBJECT_ID, oid)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"an attribute data objects lack",
         {Entry(CKA_CLASS, dataClass), Entry(CKA_TOKEN, yes), Entry(CKA_SIGN, yes)},
         CKR_ATTRIBUTE_TYPE_INVALID},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        CK_OBJECT_HANDLE made = CK_INVALID_HANDLE;
        EXPECT_EQ(c.result,
                  p11()->C_CreateObject(session_, c.attributes.data(), c.attributes.size(), &made));
    }
    // Nothing reached the token.
    EXPECT_EQ(2u, FindClass(session_, CKO_CERTIFICATE).size());
    EXPECT_EQ(2u, FindClass(session_, CKO_DATA).size());
}

TEST_F(P11Objects, KeysAreNeitherDestroyedNorChanged) {
    ASSERT_EQ(CKR_OK, Login(session_, "secret-1"));
    for (CK_OBJECT_CLASS keyClass : {CKO_PRIVATE_KEY, CKO_PUBLIC_KEY}) {
        const std::vector<CK_OBJECT_HANDLE> keys = FindClass(session_, keyClass);
        ASSERT_EQ(1u, keys.size());
        EXPECT_EQ(CKR_ACTION_PROHIBITED, p11()->C_DestroyObject(session_, keys[0]));
    }
    EXPECT_EQ(1u, FindClass(session_, CKO_PRIVATE_KEY).size());
}

TEST_F(P11Objects, WritesNeedALoginAndAWritableSession) {
    const std::vector<CK_OBJECT_HANDLE> data = FindClass(session_, CKO_DATA);
    ASSERT_EQ(1u, data.size());
    EXPECT_EQ(CKR_USER_NOT_LOGGED_IN, p11()->C_DestroyObject(session_, data[0]));
    const CK_SESSION_HANDLE readOnly = Open(slot_);
    ASSERT_EQ(CKR_OK, Login(readOnly, "secret-1"));
    EXPECT_EQ(CKR_SESSION_READ_ONLY, p11()->C_DestroyObject(readOnly, data[0]));
    const std::string value = "x";
    CK_ATTRIBUTE change = TextEntry(CKA_VALUE, value);
    EXPECT_EQ(CKR_SESSION_READ_ONLY, p11()->C_SetAttributeValue(readOnly, data[0], &change, 1));
    EXPECT_EQ(CKR_OK, p11()->C_DestroyObject(session_, data[0]));
}

TEST_F(P11Objects, WhatTheProgramWritesMeanwhileIsSeen) {
    const std::vector<CK_OBJECT_HANDLE> before = FindClass(session_, CKO_CERTIFICATE);
    ASSERT_NO_FATAL_FAILURE(PutOnToken(SecondRsaPair().certificate, "Later"));
    const std::vector<CK_OBJECT_HANDLE> after = FindClass(session_, CKO_CERTIFICATE);
    EXPECT_EQ(before.size() + 1, after.size());
    // The objects that stayed keep their handles.
    for (CK_OBJECT_HANDLE handle : before)
        EXPECT_NE(after.end(), std::find(after.begin(), after.end(), handle));
}

}  // namespace
}  // namespace orx::testing
