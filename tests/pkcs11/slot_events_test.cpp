// Tokens the program creates or deletes while the module is loaded appear and go,
// and C_WaitForSlotEvent tells which slot changed, blocking or not.
#include <thread>

#include "pkcs11/p11_fixture.h"
#include "tokenfile/token_store.h"

namespace orx::testing {
namespace {

class P11SlotEvents : public P11Test {
  protected:
    CK_RV Poll(CK_SLOT_ID& slot) {
        return p11()->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr);
    }
};

TEST_F(P11SlotEvents, TokensThatComeAndGoAreEvents) {
    const int first = MakeSoftToken("First", "secret-1");
    Initialize();
    CK_SLOT_ID slot = 0;
    EXPECT_EQ(CKR_NO_EVENT, Poll(slot));  // what was there at the start is none

    const int second = MakeSoftToken("Second", "secret-1");
    ASSERT_EQ(CKR_OK, Poll(slot));
    EXPECT_EQ(CK_SLOT_ID(second), slot);
    EXPECT_EQ(CKR_NO_EVENT, Poll(slot));
    EXPECT_EQ((std::vector<CK_SLOT_ID>{CK_SLOT_ID(first), CK_SLOT_ID(second)}), Slots());

    // A change of a token's content is no event; its removal is.
    const std::string path = TokenFolder() + "First.tkn";
    WriteFile(path, ReadFile(path));
    EXPECT_EQ(CKR_NO_EVENT, Poll(slot));
    TokenStore store(TokenFolder());
    ASSERT_EQ(CKR_OK, store.Locked([&] { return store.RemoveLocked("First"); }));
    ASSERT_EQ(CKR_OK, Poll(slot));
    EXPECT_EQ(CK_SLOT_ID(first), slot);
    EXPECT_EQ((std::vector<CK_SLOT_ID>{CK_SLOT_ID(second)}), Slots());

    // Cards going into and out of readers are events of their slots.
    const int card = MakeCard("Reader A", "Card", "puk-puk-1", "card-pin-1");
    std::vector<CK_SLOT_ID> events;
    while (Poll(slot) == CKR_OK)
        events.push_back(slot);
    EXPECT_EQ(
        (std::vector<CK_SLOT_ID>{CK_SLOT_ID(card), CK_SLOT_ID(card + 1), CK_SLOT_ID(card + 2)}),
        events);
}

TEST_F(P11SlotEvents, ABlockingWaitReturnsWhenATokenIsCreated) {
    Initialize();
    CK_SLOT_ID slot = 0;
    CK_RV result = CKR_GENERAL_ERROR;
    std::thread waiter([&] { result = p11()->C_WaitForSlotEvent(0, &slot, nullptr); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int made = MakeSoftToken("Later", "secret-1");
    waiter.join();
    EXPECT_EQ(CKR_OK, result);
    EXPECT_EQ(CK_SLOT_ID(made), slot);
}

}  // namespace
}  // namespace orx::testing
