// Logins as PKCS#11 has them: one per token, shared by its sessions, gone with the
// token's last session, and ended when the program changes the password meanwhile.
#include "pkcs11/p11_fixture.h"
#include "tokenfile/token_objects.h"
#include "tokenfile/token_store.h"

namespace orx::testing {
namespace {

class P11Logins : public P11Test {
  protected:
    CK_STATE StateOf(CK_SESSION_HANDLE session) {
        CK_SESSION_INFO info{};
        EXPECT_EQ(CKR_OK, p11()->C_GetSessionInfo(session, &info));
        return info.state;
    }
};

TEST_F(P11Logins, ALoginIsSharedByTheTokensSessionsAndEndsWithTheLast) {
    const int slot = MakeSoftToken("Token", "secret-1", {&RsaPair()});
    const int other = MakeSoftToken("Other", "secret-2");
    Initialize();
    const CK_SESSION_HANDLE reader = Open(slot);
    const CK_SESSION_HANDLE writer = Open(slot, true);
    const CK_SESSION_HANDLE elsewhere = Open(other);
    EXPECT_EQ(CKS_RO_PUBLIC_SESSION, StateOf(reader));
    EXPECT_EQ(CKS_RW_PUBLIC_SESSION, StateOf(writer));
    EXPECT_EQ(CKR_OK, Login(reader, "secret-1"));
    EXPECT_EQ(CKS_RO_USER_FUNCTIONS, StateOf(reader));
    EXPECT_EQ(CKS_RW_USER_FUNCTIONS, StateOf(writer));
    EXPECT_EQ(CKS_RO_PUBLIC_SESSION, StateOf(elsewhere));
    EXPECT_EQ(CKR_USER_ALREADY_LOGGED_IN, Login(writer, "secret-1"));
    EXPECT_EQ(1u, FindClass(writer, CKO_PRIVATE_KEY).size());

    EXPECT_EQ(CKR_OK, p11()->C_CloseSession(reader));
    EXPECT_EQ(CKS_RW_USER_FUNCTIONS, StateOf(writer));
    EXPECT_EQ(CKR_OK, p11()->C_CloseSession(writer));
    const CK_SESSION_HANDLE again = Open(slot);
    EXPECT_EQ(CKS_RO_PUBLIC_SESSION, StateOf(again));
    EXPECT_TRUE(FindClass(again, CKO_PRIVATE_KEY).empty());
}

TEST_F(P11Logins, LogoutHidesThePrivateObjectsAgain) {
    const int slot =
        MakeSoftToken("Token", "secret-1", {&RsaPair()}, {{"note", "app", "private text", true}});
    Initialize();
    const CK_SESSION_HANDLE session = Open(slot);
    EXPECT_EQ(CKR_USER_NOT_LOGGED_IN, p11()->C_Logout(session));
    ASSERT_EQ(CKR_OK, Login(session, "secret-1"));
    EXPECT_EQ(2u, Find(session, {Entry(CKA_PRIVATE, CK_BBOOL(CK_TRUE))}).size());
    EXPECT_EQ(CKR_OK, p11()->C_Logout(session));
    EXPECT_TRUE(Find(session, {Entry(CKA_PRIVATE, CK_BBOOL(CK_TRUE))}).empty());
    EXPECT_EQ(CKS_RO_PUBLIC_SESSION, StateOf(session));
}

TEST_F(P11Logins, WrongPasswordsAndUserTypes) {
    const int slot = MakeSoftToken("Token", "secret-1");
    Initialize();
    const CK_SESSION_HANDLE session = Open(slot);
    struct Case {
        CK_USER_TYPE user;
        const char* pin;
        CK_RV result;
    } cases[] = {
        {CKU_USER, "secret-2", CKR_PIN_INCORRECT},
        {CKU_USER, "", CKR_PIN_INCORRECT},
        {CKU_USER, "secret-1 ", CKR_PIN_INCORRECT},
        {CKU_SO, "secret-1", CKR_USER_TYPE_INVALID},
        {CKU_CONTEXT_SPECIFIC, "secret-1", CKR_OPERATION_NOT_INITIALIZED},
        {42, "secret-1", CKR_USER_TYPE_INVALID},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pin);
        const std::string pin = c.pin;
        EXPECT_EQ(c.result,
                  p11()->C_Login(session, c.user,
                                 reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(pin.data())),
                                 pin.size()));
        EXPECT_EQ(CKS_RO_PUBLIC_SESSION, StateOf(session));
    }
    // Soft tokens count no tries: the right password still opens it.
    EXPECT_EQ(CKR_OK, Login(session, "secret-1"));
}

TEST_F(P11Logins, APasswordChangedByTheProgramEndsTheLogin) {
    const int slot = MakeSoftToken("Token", "secret-1", {&RsaPair()});
    Initialize();
    const CK_SESSION_HANDLE session = Open(slot);
    ASSERT_EQ(CKR_OK, Login(session, "secret-1"));
    ASSERT_EQ(1u, FindClass(session, CKO_PRIVATE_KEY).size());

    TokenStore store(TokenFolder());
    TokenFile file;
    ASSERT_EQ(CKR_OK, store.Read("Token", file));
    TokenKey oldKey;
    TokenKey newKey;
    ASSERT_TRUE(DeriveFileKey(file, "secret-1", oldKey));
    ASSERT_EQ(CKR_OK, ChangeTokenPassword(store, "Token", oldKey, "secret-9", newKey));

    EXPECT_TRUE(FindClass(session, CKO_PRIVATE_KEY).empty());
    EXPECT_EQ(CKS_RO_PUBLIC_SESSION, StateOf(session));
    EXPECT_EQ(CKR_PIN_INCORRECT, Login(session, "secret-1"));
    EXPECT_EQ(CKR_OK, Login(session, "secret-9"));
}

TEST_F(P11Logins, ATokenDeletedMeanwhileClosesItsSessions) {
    const int slot = MakeSoftToken("Token", "secret-1", {&RsaPair()});
    Initialize();
    const CK_SESSION_HANDLE session = Open(slot);
    ASSERT_EQ(CKR_OK, Login(session, "secret-1"));
    TokenStore store(TokenFolder());
    ASSERT_EQ(CKR_OK, store.Locked([&] { return store.RemoveLocked("Token"); }));
    EXPECT_EQ(CKR_DEVICE_REMOVED, p11()->C_FindObjectsInit(session, nullptr, 0));
    EXPECT_EQ(CKR_SESSION_HANDLE_INVALID, p11()->C_FindObjectsInit(session, nullptr, 0));
    CK_SESSION_HANDLE again = CK_INVALID_HANDLE;
    EXPECT_EQ(CKR_SLOT_ID_INVALID,
              p11()->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &again));
}

TEST_F(P11Logins, AProtectedAuthenticationPathAsksThroughPinentry) {
    const int slot = MakeSoftToken("Token", "secret-1", {&RsaPair()});
    WriteFile(env_->userConfigPath(), "[PKCS11]\nProtectedAuthenticationPath=1\n");
    const std::string script = *env_ / "pinentry.script";
    vars_.push_back(std::make_unique<ScopedEnv>("ORX_PINENTRY", ORX_FAKE_PINENTRY));
    vars_.push_back(std::make_unique<ScopedEnv>("FAKE_PINENTRY_SCRIPT", script.c_str()));
    WriteFile(script, "pin secret-0\npin secret-1\n");
    Initialize();
    CK_TOKEN_INFO info{};
    ASSERT_EQ(CKR_OK, p11()->C_GetTokenInfo(slot, &info));
    EXPECT_TRUE(info.flags & CKF_PROTECTED_AUTHENTICATION_PATH);
    const CK_SESSION_HANDLE session = Open(slot);
    // The wrong password is told on pinentry's error line and asked again.
    EXPECT_EQ(CKR_OK, p11()->C_Login(session, CKU_USER, nullptr, 0));
    EXPECT_EQ(1u, FindClass(session, CKO_PRIVATE_KEY).size());
    EXPECT_EQ("", ReadFile(script));
}

TEST_F(P11Logins, WithoutAProtectedPathAPasswordMustBeGiven) {
    const int slot = MakeSoftToken("Token", "secret-1");
    Initialize();
    const CK_SESSION_HANDLE session = Open(slot);
    EXPECT_EQ(CKR_ARGUMENTS_BAD, p11()->C_Login(session, CKU_USER, nullptr, 0));
}

}  // namespace
}  // namespace orx::testing
