// The card functions that ask nobody, on card files in a reader folder: a try is
// spent before the password is checked and given back when it fits, and nothing is
// written onto a card that was swapped for another since its password was checked.
#include <gtest/gtest.h>

#include "cardfile/card_access.h"
#include "plugin_test_support.h"
#include "storage/atomic_file.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using testing::CheapKdf;
using testing::IsolatedEnvironment;
using testing::ReadBytes;

constexpr const char* kPuk = "puk-123456";
constexpr const char* kPassword = "pass-123456";

class CardAccess : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MakeFolders(env_ / "readers/one"));
        at_.reader = {"one", env_ / "readers/one/", env_ / "readers/one/card.card"};
        at_.application = 1;
        serial_ = PutCard("Office");
    }
    // A new card in the reader; its serial number.
    std::array<uint8_t, 8> PutCard(const std::string& label) {
        CardFile card;
        EXPECT_TRUE(NewCardFile(label, kPuk, kPassword, CheapKdf(), card));
        EXPECT_TRUE(store_.WriteCardLocked(at_.reader.cardPath, card));
        return card.serial;
    }
    CardFile Card() const {
        CardFile card;
        EXPECT_EQ(store_.ReadCard(at_.reader.cardPath, card), CKR_OK);
        return card;
    }

    IsolatedEnvironment env_;
    ReaderStore store_{env_ / "readers/"};
    CardPlace at_;
    std::array<uint8_t, 8> serial_{};
};

TEST_F(CardAccess, TriesAreSpentBeforeTheCheckAndGivenBackByTheRightOne) {
    struct Case {
        bool puk;
        const char* secret;
        int result;
        uint8_t passwordTries;
        uint8_t pukTries;
    };
    const Case cases[] = {
        {false, "wrong-one", CKR_PIN_INCORRECT, kCardPasswordTries - 1, kCardPukTries},
        {false, kPassword, CKR_OK, kCardPasswordTries, kCardPukTries},
        {true, "wrong-one", CKR_PIN_INCORRECT, kCardPasswordTries, kCardPukTries - 1},
        {true, kPuk, CKR_OK, kCardPasswordTries, kCardPukTries},
    };
    for (const Case& c : cases) {
        TokenKey key;
        EXPECT_EQ(TryCardPassword(store_, at_, c.puk, c.secret, key), c.result) << c.secret;
        EXPECT_EQ(key.valid(), c.result == CKR_OK) << c.secret;
        const CardFile card = Card();
        EXPECT_EQ(card.applications[1].triesLeft, c.passwordTries) << c.secret;
        EXPECT_EQ(card.pukTriesLeft, c.pukTries) << c.secret;
        EXPECT_EQ(card.applications[0].triesLeft, kCardPasswordTries) << c.secret;
    }
    // The PUK opens the application it is asked for, as its password does.
    TokenKey byPassword;
    TokenKey byPuk;
    ASSERT_EQ(TryCardPassword(store_, at_, false, kPassword, byPassword), CKR_OK);
    ASSERT_EQ(TryCardPassword(store_, at_, true, kPuk, byPuk), CKR_OK);
    EXPECT_TRUE(byPassword.encryption == byPuk.encryption);
}

TEST_F(CardAccess, ACardTakenOutIsNotPresent) {
    ASSERT_TRUE(RemoveFileDurably(at_.reader.cardPath));
    TokenKey key;
    EXPECT_EQ(TryCardPassword(store_, at_, false, kPassword, key), CKR_TOKEN_NOT_PRESENT);
    EXPECT_EQ(ReplacePasswordBox(store_, at_, serial_, {}, false), CKR_TOKEN_NOT_PRESENT);
    EXPECT_EQ(EditCardApplication(store_, at_.reader, at_.reader.cardPath, serial_, 1, key,
                                  [](auto&, auto&) { return CKR_OK; }),
              CKR_TOKEN_NOT_PRESENT);
}

TEST_F(CardAccess, ANewPasswordBoxAndTheTriesThePukGivesBack) {
    TokenKey key;
    ASSERT_EQ(TryCardPassword(store_, at_, false, "wrong-one", key), CKR_PIN_INCORRECT);
    ASSERT_EQ(TryCardPassword(store_, at_, true, kPuk, key), CKR_OK);
    for (const bool restoreTries : {false, true}) {
        const std::string password = restoreTries ? "after-puk" : "changed";
        std::vector<uint8_t> box;
        ASSERT_TRUE(SealKeyBox("password", password, CheapKdf(), {&key}, box));
        ASSERT_EQ(ReplacePasswordBox(store_, at_, serial_, box, restoreTries), CKR_OK);
        EXPECT_EQ(Card().applications[1].triesLeft,
                  restoreTries ? kCardPasswordTries : kCardPasswordTries - 1);
        TokenKey opened;
        EXPECT_EQ(TryCardPassword(store_, at_, false, kPassword, opened), CKR_PIN_INCORRECT);
        EXPECT_EQ(TryCardPassword(store_, at_, false, password, opened), CKR_OK);
        EXPECT_TRUE(opened.encryption == key.encryption);
    }
}

// The password was checked on one card; another one was put in before the write.
TEST_F(CardAccess, NothingIsWrittenOntoACardSwappedMeanwhile) {
    TokenKey key;
    ASSERT_EQ(TryCardPassword(store_, at_, false, kPassword, key), CKR_OK);
    PutCard("Other");
    const std::vector<uint8_t> other = ReadBytes(at_.reader.cardPath);
    std::vector<uint8_t> box;
    ASSERT_TRUE(SealKeyBox("password", "changed", CheapKdf(), {&key}, box));
    EXPECT_EQ(ReplacePasswordBox(store_, at_, serial_, box, true), CKR_TOKEN_NOT_PRESENT);
    bool edited = false;
    EXPECT_EQ(EditCardApplication(store_, at_.reader, at_.reader.cardPath, serial_, 1, key,
                                  [&](auto&, auto&) {
                                      edited = true;
                                      return CKR_OK;
                                  }),
              CKR_TOKEN_NOT_PRESENT);
    EXPECT_FALSE(edited);
    EXPECT_EQ(ReadBytes(at_.reader.cardPath), other);
}

TEST_F(CardAccess, AnEditIsStoredWithTheApplicationKeyAndAFailedOneIsNot) {
    TokenKey key;
    ASSERT_EQ(TryCardPassword(store_, at_, false, kPassword, key), CKR_OK);
    auto put = [](auto& publicObjects, auto&) {
        PutDataObject(publicObjects, "note", "app", false, testing::Bytes("value"));
        return CKR_OK;
    };
    ASSERT_EQ(EditCardApplication(store_, at_.reader, at_.reader.cardPath, serial_, 1, key, put),
              CKR_OK);
    TokenFile token;
    ASSERT_EQ(ReadApplication(Card(), 1, token), CKR_OK);
    ASSERT_NE(FindDataObject(token.publicObjects, "note", "app"), nullptr);
    // An edit that refuses, and a key of another application, leave the card alone.
    const std::vector<uint8_t> before = ReadBytes(at_.reader.cardPath);
    EXPECT_EQ(EditCardApplication(store_, at_.reader, at_.reader.cardPath, serial_, 1, key,
                                  [](auto&, auto&) { return CKR_OBJECT_HANDLE_INVALID; }),
              CKR_OBJECT_HANDLE_INVALID);
    EXPECT_EQ(EditCardApplication(store_, at_.reader, at_.reader.cardPath, serial_, 0, key, put),
              CKR_PIN_INCORRECT);
    EXPECT_EQ(ReadBytes(at_.reader.cardPath), before);
}

}  // namespace
}  // namespace orx
