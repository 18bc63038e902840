#include "pkcs11/p11_fixture.h"

#include <dlfcn.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509v3.h>

#include <cstring>

#include "cardfile/card_access.h"
#include "cards/virtual_cards.h"
#include "cms/cms_library.h"
#include "softtoken/soft_tokens.h"
#include "tokenfile/slot_registry.h"
#include "tokenfile/token_objects.h"

namespace orx::testing {

namespace {

void AddExtension(X509* x, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    X509_add_ext(x, extension, -1);
    X509_EXTENSION_free(extension);
}

TestKeyPair MakePair(const std::string& name, EVP_PKEY* key, long serial) {
    TestKeyPair pair;
    pair.name = name;
    pair.key = key;
    X509* x = X509_new();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), serial);
    X509_NAME* subject = X509_NAME_new();
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0);
    X509_set_subject_name(x, subject);
    X509_set_issuer_name(x, subject);
    X509_NAME_free(subject);
    X509_gmtime_adj(X509_getm_notBefore(x), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x), 3600L * 24 * 365);
    X509_set_pubkey(x, key);
    AddExtension(x, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(
        x, NID_key_usage,
        EVP_PKEY_is_a(key, "RSA") ? "digitalSignature,keyEncipherment" : "digitalSignature");
    X509_sign(x, key, EVP_sha256());
    pair.certificate = OpenSslDer(x, i2d_X509);
    const Secret pkcs8 = PrivateKeyToPkcs8(key);
    pair.pkcs8.assign(pkcs8.span().begin(), pkcs8.span().end());
    pair.keyPath = SharedFolder() + "/" + name + ".key";
    pair.certPath = SharedFolder() + "/" + name + ".pem";
    FILE* out = std::fopen(pair.keyPath.c_str(), "w");
    PEM_write_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(out);
    out = std::fopen(pair.certPath.c_str(), "w");
    PEM_write_X509(out, x);
    std::fclose(out);
    X509_free(x);
    return pair;
}

}  // namespace

std::string SharedFolder() {
    static TempDir folder;
    return folder.path();
}

const TestKeyPair& RsaPair() {
    static const TestKeyPair pair = MakePair("Rsa Signer", EVP_RSA_gen(2048), 11);
    return pair;
}

const TestKeyPair& SecondRsaPair() {
    static const TestKeyPair pair = MakePair("Second Signer", EVP_RSA_gen(2048), 12);
    return pair;
}

const TestKeyPair& EcPair() {
    static const TestKeyPair pair = MakePair("Ec Signer", EVP_EC_gen("P-256"), 13);
    return pair;
}

std::string ModulePath() {
    return ORX_PKCS11_MODULE;
}

CK_FUNCTION_LIST* Module() {
    static CK_FUNCTION_LIST* list = [] {
        void* handle = dlopen(ORX_PKCS11_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return static_cast<CK_FUNCTION_LIST*>(nullptr);
        auto get = reinterpret_cast<CK_C_GetFunctionList>(dlsym(handle, "C_GetFunctionList"));
        CK_FUNCTION_LIST* functions = nullptr;
        if (!get || get(&functions) != CKR_OK)
            return static_cast<CK_FUNCTION_LIST*>(nullptr);
        return functions;
    }();
    return list;
}

void P11Test::SetUp() {
    ASSERT_NE(nullptr, Module()) << dlerror();
    env_ = std::make_unique<IsolatedEnvironment>();
    vars_.push_back(std::make_unique<ScopedEnv>("ORX_TOKEN_KDF_LOG2N", "2"));
    vars_.push_back(std::make_unique<ScopedEnv>("DISPLAY", nullptr));
    vars_.push_back(std::make_unique<ScopedEnv>("WAYLAND_DISPLAY", nullptr));
}

void P11Test::TearDown() {
    Finalize();
    vars_.clear();
    env_.reset();
}

void P11Test::Initialize() {
    CK_C_INITIALIZE_ARGS args{};
    args.flags = CKF_OS_LOCKING_OK;
    ASSERT_EQ(CKR_OK, p11()->C_Initialize(&args));
    initialized_ = true;
}

void P11Test::Finalize() {
    if (initialized_) {
        EXPECT_EQ(CKR_OK, p11()->C_Finalize(nullptr));
    }
    initialized_ = false;
}

std::string P11Test::TokenFolder() const {
    return SoftTokenFolder();
}

int P11Test::MakeSoftToken(const std::string& label, const std::string& password,
                           const std::vector<const TestKeyPair*>& pairs,
                           const std::vector<TestData>& data) {
    TokenStore store(SoftTokenFolder());
    SlotRegistry registry(store);
    TokenFile file;
    TokenKey key;
    EXPECT_TRUE(NewTokenFile(label, password, DefaultKdfParams(), file, key));
    std::vector<TokenObject> privateObjects;
    for (const TestKeyPair* pair : pairs)
        PutCertificate(file.publicObjects, privateObjects, pair->certificate, pair->name,
                       pair->pkcs8);
    for (const TestData& item : data) {
        PutDataObject(item.isPrivate ? privateObjects : file.publicObjects, item.label,
                      item.application, item.isPrivate,
                      {reinterpret_cast<const uint8_t*>(item.value.data()), item.value.size()});
    }
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(SerializeTokenFile(file, key, privateObjects, bytes));
    int id = -1;
    EXPECT_EQ(CKR_OK, store.Locked([&]() -> int {
        std::string stem;
        const int created = store.CreateLocked(label, bytes, stem);
        if (created == CKR_OK)
            id = registry.AssignLocked(stem);
        return created;
    }));
    return id;
}

int P11Test::MakeCard(const std::string& reader, const std::string& label, const std::string& puk,
                      const std::string& password, const std::vector<const TestKeyPair*>& pairs) {
    CardFile card;
    EXPECT_TRUE(NewCardFile(label, puk, password, DefaultKdfParams(), card));
    const ReaderStore store(ReaderFolder());
    EXPECT_EQ(CKR_OK, store.Insert(reader, SerializeCardFile(card)));
    int slot = -1;
    const std::vector<Reader> readers = store.List();
    for (size_t i = 0; i < readers.size(); ++i) {
        if (readers[i].name != reader)
            continue;
        slot = static_cast<int>(i) * kSlotsPerCard + 1;
        if (pairs.empty())
            break;
        TokenKey key;
        const CardPlace place{readers[i], 0};
        EXPECT_EQ(CKR_OK, TryCardPassword(store, place, false, password, key));
        EXPECT_EQ(CKR_OK, EditCardApplication(
                              store, readers[i], readers[i].cardPath, card.serial, 0, key,
                              [&](auto& publicObjects, auto& privateObjects) {
                                  for (const TestKeyPair* pair : pairs)
                                      PutCertificate(publicObjects, privateObjects,
                                                     pair->certificate, pair->name, pair->pkcs8);
                                  return static_cast<int>(CKR_OK);
                              }));
    }
    return slot;
}

CK_SESSION_HANDLE P11Test::Open(CK_SLOT_ID slot, bool writable) {
    CK_SESSION_HANDLE session = CK_INVALID_HANDLE;
    const CK_FLAGS flags = CKF_SERIAL_SESSION | (writable ? CKF_RW_SESSION : 0);
    EXPECT_EQ(CKR_OK, p11()->C_OpenSession(slot, flags, nullptr, nullptr, &session));
    return session;
}

CK_RV P11Test::Login(CK_SESSION_HANDLE session, const std::string& pin) {
    return p11()->C_Login(session, CKU_USER,
                          reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(pin.data())),
                          pin.size());
}

std::vector<CK_OBJECT_HANDLE> P11Test::Find(CK_SESSION_HANDLE session,
                                            std::vector<CK_ATTRIBUTE> wanted) {
    std::vector<CK_OBJECT_HANDLE> found;
    EXPECT_EQ(CKR_OK, p11()->C_FindObjectsInit(session, wanted.empty() ? nullptr : wanted.data(),
                                               wanted.size()));
    for (;;) {
        CK_OBJECT_HANDLE batch[3];
        CK_ULONG count = 0;
        EXPECT_EQ(CKR_OK, p11()->C_FindObjects(session, batch, 3, &count));
        found.insert(found.end(), batch, batch + count);
        if (count < 3)
            break;
    }
    EXPECT_EQ(CKR_OK, p11()->C_FindObjectsFinal(session));
    return found;
}

std::vector<CK_OBJECT_HANDLE> P11Test::FindClass(CK_SESSION_HANDLE session,
                                                 CK_OBJECT_CLASS objectClass) {
    return Find(session, {Entry(CKA_CLASS, objectClass)});
}

std::vector<uint8_t> P11Test::Attribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                                        CK_ATTRIBUTE_TYPE type) {
    CK_ATTRIBUTE entry{type, nullptr, 0};
    EXPECT_EQ(CKR_OK, p11()->C_GetAttributeValue(session, object, &entry, 1)) << "type " << type;
    std::vector<uint8_t> value(entry.ulValueLen == CK_UNAVAILABLE_INFORMATION ? 0
                                                                              : entry.ulValueLen);
    entry.pValue = value.data();
    EXPECT_EQ(CKR_OK, p11()->C_GetAttributeValue(session, object, &entry, 1)) << "type " << type;
    return value;
}

CK_ULONG P11Test::UlongAttribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                                 CK_ATTRIBUTE_TYPE type) {
    const std::vector<uint8_t> bytes = Attribute(session, object, type);
    CK_ULONG value = CK_UNAVAILABLE_INFORMATION;
    EXPECT_EQ(sizeof value, bytes.size());
    if (bytes.size() == sizeof value)
        std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

bool P11Test::BoolAttribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                            CK_ATTRIBUTE_TYPE type) {
    const std::vector<uint8_t> bytes = Attribute(session, object, type);
    EXPECT_EQ(1u, bytes.size());
    return bytes.size() == 1 && bytes[0] != CK_FALSE;
}

std::vector<CK_SLOT_ID> P11Test::Slots(bool present) {
    CK_ULONG count = 0;
    EXPECT_EQ(CKR_OK, p11()->C_GetSlotList(present, nullptr, &count));
    std::vector<CK_SLOT_ID> slots(count);
    EXPECT_EQ(CKR_OK, p11()->C_GetSlotList(present, slots.data(), &count));
    slots.resize(count);
    return slots;
}

std::string Unpadded(const unsigned char* field, size_t size) {
    std::string text(reinterpret_cast<const char*>(field), size);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

bool VerifyWithOpenSsl(EVP_PKEY* key, const char* digest, int padding,
                       const std::vector<uint8_t>& data, const std::vector<uint8_t>& signature,
                       int saltLength) {
    std::vector<uint8_t> der = signature;
    if (EVP_PKEY_is_a(key, "EC")) {
        // PKCS#11 gives r and s side by side; OpenSSL wants the DER sequence.
        const size_t half = signature.size() / 2;
        ECDSA_SIG* sig = ECDSA_SIG_new();
        ECDSA_SIG_set0(sig, BN_bin2bn(signature.data(), static_cast<int>(half), nullptr),
                       BN_bin2bn(signature.data() + half, static_cast<int>(half), nullptr));
        der.assign(static_cast<size_t>(i2d_ECDSA_SIG(sig, nullptr)), 0);
        unsigned char* at = der.data();
        i2d_ECDSA_SIG(sig, &at);
        ECDSA_SIG_free(sig);
    }
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_PKEY_CTX* pkey = nullptr;
    bool ok = EVP_DigestVerifyInit(context, &pkey, EVP_get_digestbyname(digest), nullptr, key) == 1;
    if (ok && EVP_PKEY_is_a(key, "RSA")) {
        ok = EVP_PKEY_CTX_set_rsa_padding(pkey, padding) == 1;
        if (ok && padding == RSA_PKCS1_PSS_PADDING)
            ok = EVP_PKEY_CTX_set_rsa_pss_saltlen(pkey, saltLength) == 1;
    }
    ok = ok && EVP_DigestVerify(context, der.data(), der.size(), data.data(), data.size()) == 1;
    EVP_MD_CTX_free(context);
    return ok;
}

}  // namespace orx::testing
