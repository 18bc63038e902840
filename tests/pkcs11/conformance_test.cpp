// The answers of every function to wrong arguments, wrong states and sessions that
// are gone, in tables: each call must answer exactly its code and never crash.
#include <functional>

#include "pkcs11/p11_fixture.h"

namespace orx::testing {
namespace {

// What the calls of a table act on.
struct Context {
    CK_FUNCTION_LIST* f = nullptr;
    CK_SLOT_ID slot = 0;
    CK_SESSION_HANDLE session = CK_INVALID_HANDLE;  // read-only, not logged in
    CK_SESSION_HANDLE closed = CK_INVALID_HANDLE;   // was valid, is closed
    CK_OBJECT_HANDLE certificate = CK_INVALID_HANDLE;
    CK_OBJECT_HANDLE privateKey = CK_INVALID_HANDLE;  // seen during a login that ended
};

struct Case {
    const char* name;
    std::function<CK_RV(Context&)> call;
    CK_RV expected;
};

CK_MECHANISM kSha256Rsa{CKM_SHA256_RSA_PKCS, nullptr, 0};
CK_MECHANISM kPkcs1{CKM_RSA_PKCS, nullptr, 0};

class P11Conformance : public P11Test {
  protected:
    void SetUp() override {
        P11Test::SetUp();
        context_.f = p11();
        context_.slot = MakeSoftToken("Token", "secret-1", {&RsaPair()});
    }
    void Prepare() {
        Initialize();
        context_.closed = Open(context_.slot);
        ASSERT_EQ(CKR_OK, p11()->C_CloseSession(context_.closed));
        context_.session = Open(context_.slot);
        ASSERT_EQ(CKR_OK, Login(context_.session, "secret-1"));
        const std::vector<CK_OBJECT_HANDLE> keys = FindClass(context_.session, CKO_PRIVATE_KEY);
        ASSERT_EQ(1u, keys.size());
        context_.privateKey = keys[0];
        ASSERT_EQ(CKR_OK, p11()->C_Logout(context_.session));
        context_.certificate = FindClass(context_.session, CKO_CERTIFICATE).at(0);
    }
    void Run(std::vector<Case>& cases) {
        for (Case& c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(c.expected, c.call(context_));
        }
    }
    Context context_;
};

TEST_F(P11Conformance, BeforeInitialisationEveryFunctionSaysSo) {
    CK_ULONG count = 0;
    CK_INFO info{};
    std::vector<Case> cases = {
        {"C_GetInfo", [&](Context& c) { return c.f->C_GetInfo(&info); },
         CKR_CRYPTOKI_NOT_INITIALIZED},
        {"C_GetSlotList", [&](Context& c) { return c.f->C_GetSlotList(CK_TRUE, nullptr, &count); },
         CKR_CRYPTOKI_NOT_INITIALIZED},
        {"C_OpenSession",
         [&](Context& c) {
             CK_SESSION_HANDLE s;
             return c.f->C_OpenSession(c.slot, CKF_SERIAL_SESSION, nullptr, nullptr, &s);
         },
         CKR_CRYPTOKI_NOT_INITIALIZED},
        {"C_Login", [&](Context& c) { return c.f->C_Login(1, CKU_USER, nullptr, 0); },
         CKR_CRYPTOKI_NOT_INITIALIZED},
        {"C_Sign", [&](Context& c) { return c.f->C_Sign(1, nullptr, 0, nullptr, &count); },
         CKR_CRYPTOKI_NOT_INITIALIZED},
        {"C_WaitForSlotEvent",
         [&](Context& c) {
             CK_SLOT_ID s;
             return c.f->C_WaitForSlotEvent(CKF_DONT_BLOCK, &s, nullptr);
         },
         CKR_CRYPTOKI_NOT_INITIALIZED},
        {"C_Finalize", [&](Context& c) { return c.f->C_Finalize(nullptr); },
         CKR_CRYPTOKI_NOT_INITIALIZED},
    };
    Run(cases);
}

TEST_F(P11Conformance, InitialisationArguments) {
    auto create = [](void**) -> CK_RV { return CKR_OK; };
    auto destroy = [](void*) -> CK_RV { return CKR_OK; };
    struct ArgsCase {
        const char* name;
        CK_C_INITIALIZE_ARGS args;
        CK_RV expected;
    } cases[] = {
        {"something reserved",
         {nullptr, nullptr, nullptr, nullptr, 0, &context_},
         CKR_ARGUMENTS_BAD},
        {"some lock functions",
         {create, nullptr, nullptr, nullptr, CKF_OS_LOCKING_OK, nullptr},
         CKR_ARGUMENTS_BAD},
        {"only the caller's locks", {create, destroy, destroy, destroy, 0, nullptr}, CKR_CANT_LOCK},
    };
    for (ArgsCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, p11()->C_Initialize(&c.args));
    }
    // Either locks will do when the system's are allowed; no arguments mean one thread.
    CK_C_INITIALIZE_ARGS both{create, destroy, destroy, destroy, CKF_OS_LOCKING_OK, nullptr};
    EXPECT_EQ(CKR_OK, p11()->C_Initialize(&both));
    EXPECT_EQ(CKR_CRYPTOKI_ALREADY_INITIALIZED, p11()->C_Initialize(nullptr));
    EXPECT_EQ(CKR_ARGUMENTS_BAD, p11()->C_Finalize(&context_));
    EXPECT_EQ(CKR_OK, p11()->C_Finalize(nullptr));
    EXPECT_EQ(CKR_OK, p11()->C_Initialize(nullptr));
    initialized_ = true;
    CK_FUNCTION_LIST_PTR list = nullptr;
    EXPECT_EQ(CKR_ARGUMENTS_BAD, p11()->C_GetFunctionList(nullptr));
    EXPECT_EQ(CKR_OK, p11()->C_GetFunctionList(&list));
    EXPECT_EQ(p11(), list);
    EXPECT_EQ(2, list->version.major);
    EXPECT_EQ(40, list->version.minor);
}

TEST_F(P11Conformance, AClosedOrUnknownSessionIsInvalidEverywhere) {
    Prepare();
    CK_ULONG count = 0;
    std::vector<uint8_t> buffer(512);
    CK_OBJECT_HANDLE object = 0;
    CK_SESSION_INFO info{};
    CK_ATTRIBUTE label{CKA_LABEL, nullptr, 0};
    for (const bool unknown : {false, true}) {
        SCOPED_TRACE(unknown ? "unknown" : "closed");
        const CK_SESSION_HANDLE s = unknown ? 4711 : context_.closed;
        std::vector<Case> cases = {
            {"C_CloseSession", [&](Context& c) { return c.f->C_CloseSession(s); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_GetSessionInfo", [&](Context& c) { return c.f->C_GetSessionInfo(s, &info); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_Login", [&](Context& c) { return c.f->C_Login(s, CKU_USER, buffer.data(), 8); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_Logout", [&](Context& c) { return c.f->C_Logout(s); }, CKR_SESSION_HANDLE_INVALID},
            {"C_FindObjectsInit", [&](Context& c) { return c.f->C_FindObjectsInit(s, nullptr, 0); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_FindObjects", [&](Context& c) { return c.f->C_FindObjects(s, &object, 1, &count); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_FindObjectsFinal", [&](Context& c) { return c.f->C_FindObjectsFinal(s); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_GetAttributeValue",
             [&](Context& c) { return c.f->C_GetAttributeValue(s, c.certificate, &label, 1); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_GetObjectSize",
             [&](Context& c) { return c.f->C_GetObjectSize(s, c.certificate, &count); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_SetAttributeValue",
             [&](Context& c) { return c.f->C_SetAttributeValue(s, c.certificate, &label, 1); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_CreateObject",
             [&](Context& c) { return c.f->C_CreateObject(s, &label, 1, &object); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_DestroyObject", [&](Context& c) { return c.f->C_DestroyObject(s, c.certificate); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_SignInit",
             [&](Context& c) { return c.f->C_SignInit(s, &kSha256Rsa, c.privateKey); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_Sign",
             [&](Context& c) { return c.f->C_Sign(s, buffer.data(), 4, nullptr, &count); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_SignUpdate", [&](Context& c) { return c.f->C_SignUpdate(s, buffer.data(), 4); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_SignFinal", [&](Context& c) { return c.f->C_SignFinal(s, nullptr, &count); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_DecryptInit",
             [&](Context& c) { return c.f->C_DecryptInit(s, &kPkcs1, c.privateKey); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_Decrypt",
             [&](Context& c) { return c.f->C_Decrypt(s, buffer.data(), 256, nullptr, &count); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_GenerateRandom",
             [&](Context& c) { return c.f->C_GenerateRandom(s, buffer.data(), 8); },
             CKR_SESSION_HANDLE_INVALID},
            {"C_SeedRandom", [&](Context& c) { return c.f->C_SeedRandom(s, buffer.data(), 8); },
             CKR_SESSION_HANDLE_INVALID},
        };
        Run(cases);
    }
}

TEST_F(P11Conformance, MissingPointersAreBadArguments) {
    Prepare();
    CK_ULONG count = 0;
    CK_OBJECT_HANDLE object = 0;
    std::vector<uint8_t> buffer(256);
    CK_ATTRIBUTE label{CKA_LABEL, nullptr, 0};
    std::vector<Case> cases = {
        {"C_GetInfo", [&](Context& c) { return c.f->C_GetInfo(nullptr); }, CKR_ARGUMENTS_BAD},
        {"C_GetSlotList", [&](Context& c) { return c.f->C_GetSlotList(CK_TRUE, nullptr, nullptr); },
         CKR_ARGUMENTS_BAD},
        {"C_GetSlotInfo", [&](Context& c) { return c.f->C_GetSlotInfo(c.slot, nullptr); },
         CKR_ARGUMENTS_BAD},
        {"C_GetTokenInfo", [&](Context& c) { return c.f->C_GetTokenInfo(c.slot, nullptr); },
         CKR_ARGUMENTS_BAD},
        {"C_GetMechanismList",
         [&](Context& c) { return c.f->C_GetMechanismList(c.slot, nullptr, nullptr); },
         CKR_ARGUMENTS_BAD},
        {"C_GetMechanismInfo",
         [&](Context& c) { return c.f->C_GetMechanismInfo(c.slot, CKM_RSA_PKCS, nullptr); },
         CKR_ARGUMENTS_BAD},
        {"C_OpenSession",
         [&](Context& c) {
             return c.f->C_OpenSession(c.slot, CKF_SERIAL_SESSION, nullptr, nullptr, nullptr);
         },
         CKR_ARGUMENTS_BAD},
        {"C_GetSessionInfo", [&](Context& c) { return c.f->C_GetSessionInfo(c.session, nullptr); },
         CKR_ARGUMENTS_BAD},
        {"C_Login without a PIN",
         [&](Context& c) { return c.f->C_Login(c.session, CKU_USER, nullptr, 8); },
         CKR_ARGUMENTS_BAD},
        {"C_FindObjectsInit",
         [&](Context& c) { return c.f->C_FindObjectsInit(c.session, nullptr, 2); },
         CKR_ARGUMENTS_BAD},
        {"C_GetAttributeValue",
         [&](Context& c) { return c.f->C_GetAttributeValue(c.session, c.certificate, nullptr, 1); },
         CKR_ARGUMENTS_BAD},
        {"C_GetObjectSize",
         [&](Context& c) { return c.f->C_GetObjectSize(c.session, c.certificate, nullptr); },
         CKR_ARGUMENTS_BAD},
        {"C_SetAttributeValue",
         [&](Context& c) { return c.f->C_SetAttributeValue(c.session, c.certificate, nullptr, 1); },
         CKR_ARGUMENTS_BAD},
        {"C_CreateObject without a template",
         [&](Context& c) { return c.f->C_CreateObject(c.session, nullptr, 1, &object); },
         CKR_ARGUMENTS_BAD},
        {"C_CreateObject without a handle",
         [&](Context& c) { return c.f->C_CreateObject(c.session, &label, 1, nullptr); },
         CKR_ARGUMENTS_BAD},
        {"C_SignInit",
         [&](Context& c) { return c.f->C_SignInit(c.session, nullptr, c.privateKey); },
         CKR_ARGUMENTS_BAD},
        {"C_DecryptInit",
         [&](Context& c) { return c.f->C_DecryptInit(c.session, nullptr, c.privateKey); },
         CKR_ARGUMENTS_BAD},
        {"C_GenerateRandom",
         [&](Context& c) { return c.f->C_GenerateRandom(c.session, nullptr, 8); },
         CKR_ARGUMENTS_BAD},
        {"C_WaitForSlotEvent without a slot",
         [&](Context& c) { return c.f->C_WaitForSlotEvent(CKF_DONT_BLOCK, nullptr, nullptr); },
         CKR_ARGUMENTS_BAD},
        {"C_WaitForSlotEvent with something reserved",
         [&](Context& c) {
             CK_SLOT_ID s;
             return c.f->C_WaitForSlotEvent(CKF_DONT_BLOCK, &s, buffer.data());
         },
         CKR_ARGUMENTS_BAD},
        {"C_FindObjects without a count",
         [&](Context& c) {
             c.f->C_FindObjectsInit(c.session, nullptr, 0);
             const CK_RV rv = c.f->C_FindObjects(c.session, &object, 1, nullptr);
             c.f->C_FindObjectsFinal(c.session);
             return rv;
         },
         CKR_ARGUMENTS_BAD},
    };
    Run(cases);
    (void)count;
}

TEST_F(P11Conformance, SlotsThatAreNoSlots) {
    Prepare();
    CK_SLOT_INFO slotInfo{};
    CK_TOKEN_INFO tokenInfo{};
    CK_MECHANISM_INFO mechanismInfo{};
    CK_ULONG count = 0;
    CK_SESSION_HANDLE session = CK_INVALID_HANDLE;
    for (CK_SLOT_ID bad : {CK_SLOT_ID(0), CK_SLOT_ID(99), CK_SLOT_ID(499), CK_SLOT_ID(1) << 40}) {
        SCOPED_TRACE(bad);
        std::vector<Case> cases = {
            {"C_GetSlotInfo", [&](Context& c) { return c.f->C_GetSlotInfo(bad, &slotInfo); },
             CKR_SLOT_ID_INVALID},
            {"C_GetTokenInfo", [&](Context& c) { return c.f->C_GetTokenInfo(bad, &tokenInfo); },
             CKR_SLOT_ID_INVALID},
            {"C_GetMechanismList",
             [&](Context& c) { return c.f->C_GetMechanismList(bad, nullptr, &count); },
             CKR_SLOT_ID_INVALID},
            {"C_GetMechanismInfo",
             [&](Context& c) { return c.f->C_GetMechanismInfo(bad, CKM_RSA_PKCS, &mechanismInfo); },
             CKR_SLOT_ID_INVALID},
            {"C_OpenSession",
             [&](Context& c) {
                 return c.f->C_OpenSession(bad, CKF_SERIAL_SESSION, nullptr, nullptr, &session);
             },
             CKR_SLOT_ID_INVALID},
            {"C_CloseAllSessions", [&](Context& c) { return c.f->C_CloseAllSessions(bad); },
             CKR_SLOT_ID_INVALID},
        };
        Run(cases);
    }
    EXPECT_EQ(CKR_SESSION_PARALLEL_NOT_SUPPORTED,
              p11()->C_OpenSession(context_.slot, 0, nullptr, nullptr, &session));
}

TEST_F(P11Conformance, OperationsInTheWrongState) {
    Prepare();
    CK_ULONG count = 0;
    CK_OBJECT_HANDLE object = 0;
    std::vector<uint8_t> buffer(256, 1);
    const CK_OBJECT_CLASS dataClass = CKO_DATA;
    CK_ATTRIBUTE dataTemplate = Entry(CKA_CLASS, dataClass);
    std::vector<Case> cases = {
        {"C_Sign before C_SignInit",
         [&](Context& c) { return c.f->C_Sign(c.session, buffer.data(), 4, nullptr, &count); },
         CKR_OPERATION_NOT_INITIALIZED},
        {"C_SignUpdate before C_SignInit",
         [&](Context& c) { return c.f->C_SignUpdate(c.session, buffer.data(), 4); },
         CKR_OPERATION_NOT_INITIALIZED},
        {"C_SignFinal before C_SignInit",
         [&](Context& c) { return c.f->C_SignFinal(c.session, nullptr, &count); },
         CKR_OPERATION_NOT_INITIALIZED},
        {"C_Decrypt before C_DecryptInit",
         [&](Context& c) { return c.f->C_Decrypt(c.session, buffer.data(), 256, nullptr, &count); },
         CKR_OPERATION_NOT_INITIALIZED},
        {"C_FindObjects before C_FindObjectsInit",
         [&](Context& c) { return c.f->C_FindObjects(c.session, &object, 1, &count); },
         CKR_OPERATION_NOT_INITIALIZED},
        {"C_FindObjectsFinal before C_FindObjectsInit",
         [&](Context& c) { return c.f->C_FindObjectsFinal(c.session); },
         CKR_OPERATION_NOT_INITIALIZED},
        {"C_SignInit with a private key, logged out",
         [&](Context& c) { return c.f->C_SignInit(c.session, &kSha256Rsa, c.privateKey); },
         CKR_USER_NOT_LOGGED_IN},
        {"C_DecryptInit with a private key, logged out",
         [&](Context& c) { return c.f->C_DecryptInit(c.session, &kPkcs1, c.privateKey); },
         CKR_USER_NOT_LOGGED_IN},
        {"C_GetAttributeValue of a private key, logged out",
         [&](Context& c) {
             CK_ATTRIBUTE a{CKA_LABEL, nullptr, 0};
             return c.f->C_GetAttributeValue(c.session, c.privateKey, &a, 1);
         },
         CKR_OBJECT_HANDLE_INVALID},
        {"C_SignInit with a certificate",
         [&](Context& c) { return c.f->C_SignInit(c.session, &kSha256Rsa, c.certificate); },
         CKR_KEY_HANDLE_INVALID},
        {"C_SignInit with no object",
         [&](Context& c) { return c.f->C_SignInit(c.session, &kSha256Rsa, 999999); },
         CKR_KEY_HANDLE_INVALID},
        {"C_GetAttributeValue of no object",
         [&](Context& c) {
             CK_ATTRIBUTE a{CKA_LABEL, nullptr, 0};
             return c.f->C_GetAttributeValue(c.session, 999999, &a, 1);
         },
         CKR_OBJECT_HANDLE_INVALID},
        {"C_CreateObject in a read-only session",
         [&](Context& c) { return c.f->C_CreateObject(c.session, &dataTemplate, 1, &object); },
         CKR_SESSION_READ_ONLY},
        {"C_CreateObject logged out",
         [&](Context& c) {
             CK_SESSION_HANDLE rw = CK_INVALID_HANDLE;
             c.f->C_OpenSession(c.slot, CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr, nullptr, &rw);
             return c.f->C_CreateObject(rw, &dataTemplate, 1, &object);
         },
         CKR_USER_NOT_LOGGED_IN},
        {"C_Logout logged out", [&](Context& c) { return c.f->C_Logout(c.session); },
         CKR_USER_NOT_LOGGED_IN},
        {"C_FindObjectsInit twice",
         [&](Context& c) {
             c.f->C_FindObjectsInit(c.session, nullptr, 0);
             const CK_RV rv = c.f->C_FindObjectsInit(c.session, nullptr, 0);
             c.f->C_FindObjectsFinal(c.session);
             return rv;
         },
         CKR_OPERATION_ACTIVE},
        {"C_SignInit twice",
         [&](Context& c) {
             Login(c.session, "secret-1");
             c.f->C_SignInit(c.session, &kSha256Rsa, c.privateKey);
             const CK_RV rv = c.f->C_SignInit(c.session, &kSha256Rsa, c.privateKey);
             c.f->C_SignFinal(c.session, nullptr, nullptr);  // ends it
             c.f->C_Logout(c.session);
             return rv;
         },
         CKR_OPERATION_ACTIVE},
    };
    Run(cases);
}

TEST_F(P11Conformance, ShortBuffersAreToldTheSizeTheyNeed) {
    Prepare();
    ASSERT_EQ(CKR_OK, Login(context_.session, "secret-1"));
    CK_SLOT_ID slots[1];
    CK_ULONG count = 0;
    MakeSoftToken("Second", "secret-2");
    ASSERT_EQ(CKR_OK, p11()->C_GetSlotList(CK_TRUE, nullptr, &count));
    ASSERT_EQ(2u, count);
    count = 1;
    EXPECT_EQ(CKR_BUFFER_TOO_SMALL, p11()->C_GetSlotList(CK_TRUE, slots, &count));
    EXPECT_EQ(2u, count);

    CK_MECHANISM_TYPE mechanisms[2];
    count = 2;
    EXPECT_EQ(CKR_BUFFER_TOO_SMALL, p11()->C_GetMechanismList(context_.slot, mechanisms, &count));
    EXPECT_EQ(19u, count);

    std::vector<uint8_t> data = {1, 2, 3};
    std::vector<uint8_t> signature(255);
    ASSERT_EQ(CKR_OK, p11()->C_SignInit(context_.session, &kSha256Rsa, context_.privateKey));
    count = signature.size();
    EXPECT_EQ(CKR_BUFFER_TOO_SMALL,
              p11()->C_Sign(context_.session, data.data(), data.size(), signature.data(), &count));
    EXPECT_EQ(256u, count);
    // The operation is still there for the call with room enough.
    signature.resize(count);
    EXPECT_EQ(CKR_OK,
              p11()->C_Sign(context_.session, data.data(), data.size(), signature.data(), &count));
    EXPECT_TRUE(VerifyWithOpenSsl(RsaPair().key, "SHA256", 1, data, signature));

    ASSERT_EQ(CKR_OK, p11()->C_SignInit(context_.session, &kSha256Rsa, context_.privateKey));
    ASSERT_EQ(CKR_OK, p11()->C_SignUpdate(context_.session, data.data(), data.size()));
    count = 10;
    EXPECT_EQ(CKR_BUFFER_TOO_SMALL, p11()->C_SignFinal(context_.session, signature.data(), &count));
    EXPECT_EQ(256u, count);
    EXPECT_EQ(CKR_OK, p11()->C_SignFinal(context_.session, signature.data(), &count));
    EXPECT_TRUE(VerifyWithOpenSsl(RsaPair().key, "SHA256", 1, data, signature));
}

TEST_F(P11Conformance, FunctionsNotOfferedSaySo) {
    Prepare();
    CK_ULONG count = 0;
    CK_OBJECT_HANDLE a = 0;
    CK_OBJECT_HANDLE b = 0;
    std::vector<uint8_t> buffer(64);
    CK_MECHANISM generate{CKM_RSA_PKCS_KEY_PAIR_GEN, nullptr, 0};
    CK_MECHANISM sha{CKM_SHA256, nullptr, 0};
    std::vector<Case> cases = {
        {"C_GenerateKeyPair",
         [&](Context& c) {
             return c.f->C_GenerateKeyPair(c.session, &generate, nullptr, 0, nullptr, 0, &a, &b);
         },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_GenerateKey",
         [&](Context& c) { return c.f->C_GenerateKey(c.session, &generate, nullptr, 0, &a); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_InitToken",
         [&](Context& c) { return c.f->C_InitToken(c.slot, buffer.data(), 8, buffer.data()); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_InitPIN", [&](Context& c) { return c.f->C_InitPIN(c.session, buffer.data(), 8); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_SetPIN",
         [&](Context& c) { return c.f->C_SetPIN(c.session, buffer.data(), 8, buffer.data(), 8); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_EncryptInit",
         [&](Context& c) { return c.f->C_EncryptInit(c.session, &kPkcs1, c.certificate); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_VerifyInit",
         [&](Context& c) { return c.f->C_VerifyInit(c.session, &kPkcs1, c.certificate); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_DigestInit", [&](Context& c) { return c.f->C_DigestInit(c.session, &sha); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_DecryptUpdate",
         [&](Context& c) {
             return c.f->C_DecryptUpdate(c.session, buffer.data(), 8, buffer.data(), &count);
         },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_CopyObject",
         [&](Context& c) { return c.f->C_CopyObject(c.session, c.certificate, nullptr, 0, &a); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_WrapKey",
         [&](Context& c) {
             return c.f->C_WrapKey(c.session, &kPkcs1, a, b, buffer.data(), &count);
         },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_DeriveKey",
         [&](Context& c) { return c.f->C_DeriveKey(c.session, &kPkcs1, a, nullptr, 0, &b); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_GetOperationState",
         [&](Context& c) { return c.f->C_GetOperationState(c.session, nullptr, &count); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_SignRecoverInit",
         [&](Context& c) { return c.f->C_SignRecoverInit(c.session, &kPkcs1, c.privateKey); },
         CKR_FUNCTION_NOT_SUPPORTED},
        {"C_SeedRandom", [&](Context& c) { return c.f->C_SeedRandom(c.session, buffer.data(), 8); },
         CKR_RANDOM_SEED_NOT_SUPPORTED},
        {"C_GetFunctionStatus", [&](Context& c) { return c.f->C_GetFunctionStatus(c.session); },
         CKR_FUNCTION_NOT_PARALLEL},
        {"C_CancelFunction", [&](Context& c) { return c.f->C_CancelFunction(c.session); },
         CKR_FUNCTION_NOT_PARALLEL},
    };
    Run(cases);
}

}  // namespace
}  // namespace orx::testing
