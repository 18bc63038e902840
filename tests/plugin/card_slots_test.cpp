// CardSlots puts card back-ends side by side: a second back-end (here a scripted
// one, as a back-end over PKCS#11 modules will stand there) gets the calls for its
// own slots, its entries follow the virtual readers', and the slot event sees its
// changes; the virtual readers alone keep the change stamp they always had.
#include <gtest/gtest.h>

#include "cards/card_slots.h"
#include "prompts/prompt_source.h"
#include "storage/atomic_file.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using testing::IsolatedEnvironment;

// Owns the slots 1000 to 1000 + count - 1; records what it is asked.
class ScriptedBackend : public CardBackend {
  public:
    explicit ScriptedBackend(int count) : count_(count) {}

    bool Configure() override { return moved; }
    uint64_t ChangeStamp() const override { return stamp; }
    bool OwnsSlot(int slot) const override { return slot >= 1000 && slot < 1000 + count_; }
    size_t SlotCardCount() const override { return static_cast<size_t>(count_); }
    std::optional<std::string> SlotCardEntry(int index) override {
        if (index >= count_)
            return std::nullopt;
        return std::to_string(1000 + index) + ";pkcs11;card";
    }
    std::vector<std::string> SlotEntries(bool usableOnly) override {
        return {usableOnly ? "1000;usable" : "1000;any"};
    }
    std::optional<std::string> TokenInfo(int slot) override {
        Note("info", slot);
        return "info";
    }
    bool IsLoggedIn(int slot) override {
        Note("logged-in?", slot);
        return loggedIn;
    }
    std::vector<CardToken> Tokens() override {
        CardToken token;
        token.slot = 1000;
        token.file.label = "scripted";
        return {token};
    }
    int ReadToken(int slot, TokenFile&) override {
        Note("read", slot);
        return CKR_OK;
    }
    int Unseal(int slot, std::vector<TokenObject>&) override {
        Note("unseal", slot);
        return 1;
    }
    int Edit(int slot, const ObjectEdit&) override {
        Note("edit", slot);
        return 2;
    }
    int Login(int slot, PromptSource&) override {
        Note("login", slot);
        return 3;
    }
    int ChangePassword(int slot, PromptSource&) override {
        Note("change", slot);
        return 4;
    }
    int UnlockPassword(int slot, PromptSource&) override {
        Note("unlock", slot);
        return 5;
    }

    std::vector<std::string> calls;
    uint64_t stamp = 7;
    bool moved = false;
    bool loggedIn = false;

  private:
    void Note(const char* what, int slot) { calls.push_back(what + std::to_string(slot)); }
    int count_;
};

class CardSlotsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // One reader without a card: three virtual slots.
        ASSERT_TRUE(MakeFolders(env_ / "data/orx/readers/reader"));
        cards_ = std::make_unique<CardSlots>();
        auto scripted = std::make_unique<ScriptedBackend>(2);
        scripted_ = scripted.get();
        cards_->Add(std::move(scripted));
    }

    IsolatedEnvironment env_;
    std::unique_ptr<CardSlots> cards_;
    ScriptedBackend* scripted_ = nullptr;
    PromptSource prompts_;
};

TEST_F(CardSlotsTest, EntriesOfASecondBackEndFollowTheVirtualReaders) {
    std::vector<std::string> slotCard;
    for (int i = 0; i < 10; ++i) {
        if (std::optional<std::string> entry = cards_->SlotCardEntry(i))
            slotCard.push_back(*entry);
    }
    EXPECT_EQ(slotCard, (std::vector<std::string>{"1;reader;", "2;reader;", "3;reader;",
                                                  "1000;pkcs11;card", "1001;pkcs11;card"}));
    EXPECT_EQ(cards_->SlotEntries(false),
              (std::vector<std::string>{"1;reader", "2;reader", "3;reader", "1000;any"}));
    EXPECT_EQ(cards_->SlotEntries(true), std::vector<std::string>{"1000;usable"});
    const std::vector<CardToken> tokens = cards_->Tokens();
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].file.label, "scripted");
}

TEST_F(CardSlotsTest, EachSlotIsAnsweredByTheBackEndThatOwnsIt) {
    TokenFile file;
    std::vector<TokenObject> objects;
    const ObjectEdit edit = [](auto&, auto&) { return CKR_OK; };
    struct Case {
        int slot;
        std::optional<std::string> info;
        int read, unseal, edit, login, change, unlock;
    };
    const Case cases[] = {
        // Its own slot, whatever it answers.
        {1001, "info", CKR_OK, 1, 2, 3, 4, 5},
        // A virtual reader's slot without a card.
        {2, std::nullopt, CKR_TOKEN_NOT_PRESENT, CKR_TOKEN_NOT_PRESENT, CKR_TOKEN_NOT_PRESENT,
         CKR_TOKEN_NOT_PRESENT, CKR_TOKEN_NOT_PRESENT, CKR_TOKEN_NOT_PRESENT},
        // Nobody's slot (a soft token's id): a card operation it has no part in.
        {100, std::nullopt, CKR_TOKEN_NOT_PRESENT, CKR_TOKEN_NOT_PRESENT, CKR_TOKEN_NOT_PRESENT,
         CKR_TOKEN_NOT_PRESENT, CKR_TOKEN_NOT_PRESENT, CKR_FUNCTION_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cards_->Owns(c.slot), c.slot != 100) << c.slot;
        EXPECT_EQ(cards_->TokenInfo(c.slot), c.info) << c.slot;
        EXPECT_FALSE(cards_->IsLoggedIn(c.slot)) << c.slot;
        EXPECT_EQ(cards_->ReadToken(c.slot, file), c.read) << c.slot;
        EXPECT_EQ(cards_->Unseal(c.slot, objects), c.unseal) << c.slot;
        EXPECT_EQ(cards_->Edit(c.slot, edit), c.edit) << c.slot;
        EXPECT_EQ(cards_->Login(c.slot, prompts_), c.login) << c.slot;
        EXPECT_EQ(cards_->ChangePassword(c.slot, prompts_), c.change) << c.slot;
        EXPECT_EQ(cards_->UnlockPassword(c.slot, prompts_), c.unlock) << c.slot;
    }
    EXPECT_EQ(scripted_->calls,
              (std::vector<std::string>{"info1001", "logged-in?1001", "read1001", "unseal1001",
                                        "edit1001", "login1001", "change1001", "unlock1001"}));
}

TEST_F(CardSlotsTest, ALoginIsAskedForOnlyWhenThereIsNone) {
    EXPECT_EQ(cards_->EnsureLogin(1000, prompts_), 3);
    scripted_->loggedIn = true;
    EXPECT_EQ(cards_->EnsureLogin(1000, prompts_), CKR_OK);
    EXPECT_EQ(scripted_->calls,
              (std::vector<std::string>{"logged-in?1000", "login1000", "logged-in?1000"}));
    EXPECT_EQ(cards_->EnsureLogin(100, prompts_), CKR_TOKEN_NOT_PRESENT);
}

TEST_F(CardSlotsTest, AChangeOfEitherBackEndIsOneSlotEvent) {
    EXPECT_FALSE(cards_->Changed());
    scripted_->stamp = 8;
    EXPECT_TRUE(cards_->Changed());
    EXPECT_FALSE(cards_->Changed());
    ASSERT_TRUE(MakeFolders(env_ / "data/orx/readers/second"));
    EXPECT_TRUE(cards_->Changed());
    EXPECT_FALSE(cards_->Changed());
    // A back-end that looks at other readers now reports them at the next poll.
    scripted_->moved = true;
    cards_->Configure();
    EXPECT_TRUE(cards_->Changed());
    EXPECT_FALSE(cards_->Changed());
}

// What the certificate propagation recorded with the stamp of the virtual readers
// must still hold after an update.
TEST_F(CardSlotsTest, TheVirtualReadersAloneKeepTheirOwnStamp) {
    const CardSlots alone;
    EXPECT_EQ(alone.ChangeStamp(), ReaderStore(ReaderFolder()).ChangeStamp());
    EXPECT_NE(cards_->ChangeStamp(), alone.ChangeStamp());
}

}  // namespace
}  // namespace orx
