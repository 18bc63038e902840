// Several threads of one program, one C_Initialize: each signs through a session
// of its own while others log in, search and read attributes. Run under the thread
// sanitizer too.
#include <openssl/rsa.h>

#include <atomic>
#include <thread>

#include "pkcs11/p11_fixture.h"

namespace orx::testing {
namespace {

class P11Concurrency : public P11Test {};

TEST_F(P11Concurrency, ThreadsSignThroughOneSessionEach) {
    const int slot = MakeSoftToken("Shared", "secret-1", {&RsaPair(), &EcPair()});
    Initialize();
    constexpr int kThreads = 4;
    constexpr int kRounds = 6;
    std::atomic<int> verified{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CK_SESSION_HANDLE session = CK_INVALID_HANDLE;
            if (p11()->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &session) !=
                CKR_OK) {
                ++failures;
                return;
            }
            // Every thread logs in; all but the first find the token logged in.
            const std::string pin = "secret-1";
            const CK_RV login = p11()->C_Login(
                session, CKU_USER, reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(pin.data())),
                pin.size());
            if (login != CKR_OK && login != CKR_USER_ALREADY_LOGGED_IN)
                ++failures;
            const CK_KEY_TYPE type = t % 2 ? CKK_EC : CKK_RSA;
            const CK_OBJECT_CLASS keyClass = CKO_PRIVATE_KEY;
            CK_ATTRIBUTE wanted[] = {Entry(CKA_CLASS, keyClass), Entry(CKA_KEY_TYPE, type)};
            CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
            CK_ULONG found = 0;
            if (p11()->C_FindObjectsInit(session, wanted, 2) != CKR_OK ||
                p11()->C_FindObjects(session, &key, 1, &found) != CKR_OK || found != 1 ||
                p11()->C_FindObjectsFinal(session) != CKR_OK) {
                ++failures;
                return;
            }
            CK_MECHANISM mechanism{type == CKK_RSA ? CKM_SHA256_RSA_PKCS : CKM_ECDSA_SHA256,
                                   nullptr, 0};
            for (int round = 0; round < kRounds; ++round) {
                std::vector<uint8_t> data = {static_cast<uint8_t>(t), static_cast<uint8_t>(round)};
                std::vector<uint8_t> signature(256);
                CK_ULONG size = signature.size();
                CK_ULONG modulus = 0;
                CK_ATTRIBUTE read{CKA_MODULUS_BITS, &modulus, sizeof modulus};
                p11()->C_GetAttributeValue(session, key, &read, 1);
                if (p11()->C_SignInit(session, &mechanism, key) != CKR_OK ||
                    p11()->C_Sign(session, data.data(), data.size(), signature.data(), &size) !=
                        CKR_OK) {
                    ++failures;
                    continue;
                }
                signature.resize(size);
                const TestKeyPair& pair = type == CKK_RSA ? RsaPair() : EcPair();
                if (VerifyWithOpenSsl(pair.key, "SHA256", RSA_PKCS1_PADDING, data, signature))
                    ++verified;
            }
            p11()->C_CloseSession(session);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(kThreads * kRounds, verified.load());
}

TEST_F(P11Concurrency, FinalizeWakesAThreadWaitingForASlotEvent) {
    MakeSoftToken("Token", "secret-1");
    Initialize();
    std::atomic<CK_RV> result{CKR_OK};
    std::thread waiter([&] {
        CK_SLOT_ID slot = 0;
        result = p11()->C_WaitForSlotEvent(0, &slot, nullptr);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(CKR_OK, p11()->C_Finalize(nullptr));
    initialized_ = false;
    waiter.join();
    EXPECT_EQ(CKR_CRYPTOKI_NOT_INITIALIZED, result.load());
}

}  // namespace
}  // namespace orx::testing
