// The card file directly: what it holds, how the key boxes lead to the
// applications' tokens, and that damage is told apart from a wrong password.
#include <gtest/gtest.h>

#include "cardfile/card_file.h"

namespace orx {
namespace {

KdfParams Cheap() {
    KdfParams params;
    params.log2N = 2;
    return params;
}

TEST(CardFile, EveryApplicationOpensWithItsPasswordAndWithThePuk) {
    CardFile card;
    ASSERT_TRUE(NewCardFile("Office Card", "puk-123456", "pass-123456", Cheap(), card));
    CardFile read;
    ASSERT_EQ(ParseCardFile(SerializeCardFile(card), read), CKR_OK);
    EXPECT_EQ(read.label, "Office Card");
    EXPECT_EQ(read.serial, card.serial);
    EXPECT_EQ(read.pukTriesLeft, kCardPukTries);

    std::vector<TokenKey> pukKeys;
    ASSERT_EQ(OpenKeyBox(read.pukBox, "puk-123456", pukKeys), CKR_OK);
    ASSERT_EQ(pukKeys.size(), kCardApplications);
    std::vector<std::array<uint8_t, 32>> encryptionKeys;
    for (size_t i = 0; i < kCardApplications; ++i) {
        const CardApplication& app = read.applications[i];
        EXPECT_EQ(app.triesLeft, kCardPasswordTries);
        TokenFile token;
        ASSERT_EQ(ReadApplication(read, i, token), CKR_OK);
        EXPECT_EQ(token.label, "Office Card (" + std::string(kCardApplicationNames[i]) + ")");
        EXPECT_EQ(token.serial, card.serial);

        std::vector<TokenKey> keys;
        ASSERT_EQ(OpenKeyBox(app.passwordBox, "pass-123456", keys), CKR_OK);
        ASSERT_EQ(keys.size(), 1u);
        std::vector<TokenObject> objects;
        EXPECT_EQ(UnsealToken(token, keys[0], objects), CKR_OK);
        EXPECT_EQ(UnsealToken(token, pukKeys[i], objects), CKR_OK);
        EXPECT_TRUE(keys[0].encryption == pukKeys[i].encryption);
        std::array<uint8_t, 32> copy{};
        std::copy(keys[0].encryption.span().begin(), keys[0].encryption.span().end(), copy.begin());
        encryptionKeys.push_back(copy);

        EXPECT_EQ(OpenKeyBox(app.passwordBox, "puk-123456", keys), CKR_PIN_INCORRECT);
        EXPECT_TRUE(keys.empty());
    }
    // Each application has a key of its own.
    EXPECT_NE(encryptionKeys[0], encryptionKeys[1]);
    EXPECT_NE(encryptionKeys[1], encryptionKeys[2]);
    EXPECT_EQ(OpenKeyBox(read.pukBox, "pass-123456", pukKeys), CKR_PIN_INCORRECT);
}

TEST(CardFile, ALongCardLabelKeepsTheApplicationsNote) {
    CardFile card;
    const std::string label(60, 'x');
    ASSERT_TRUE(NewCardFile(label + "\xC3\xA4", "puk-123456", "pass-123456", Cheap(), card));
    EXPECT_EQ(card.label.size(), 62u);
    TokenFile token;
    ASSERT_EQ(ReadApplication(card, 1, token), CKR_OK);
    EXPECT_LE(token.label.size(), kMaxLabelSize);
    EXPECT_EQ(token.label.substr(token.label.size() - 12), " (Signature)");
    EXPECT_EQ(token.label.substr(0, 10), "xxxxxxxxxx");

    // 52 bytes of the card's name fit beside the note; a character across that
    // mark goes whole.
    ASSERT_TRUE(NewCardFile(std::string(51, 'x') + "\xC3\xA4yy", "puk-123456", "pass-123456",
                            Cheap(), card));
    ASSERT_EQ(ReadApplication(card, 1, token), CKR_OK);
    EXPECT_EQ(token.label, std::string(51, 'x') + " (Signature)");
}

TEST(CardFile, DamageIsNeverACard) {
    CardFile card;
    ASSERT_TRUE(NewCardFile("Damaged", "puk-123456", "pass-123456", Cheap(), card));
    const std::vector<uint8_t> good = SerializeCardFile(card);
    CardFile read;
    for (size_t at : {size_t{0}, size_t{9}, size_t{12}, good.size() / 2, good.size() - 1}) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x01;
        EXPECT_EQ(ParseCardFile(bad, read), CKR_ATTRIBUTE_VALUE_INVALID) << "flipped byte " << at;
    }
    for (size_t size : {size_t{0}, size_t{10}, good.size() - 33, good.size() - 1}) {
        EXPECT_EQ(ParseCardFile(std::span(good).first(size), read), CKR_ATTRIBUTE_VALUE_INVALID)
            << "cut at " << size;
    }
}

// A frame whose checksum is right but whose records are not: a missing record,
// a record twice, counters that cannot be.
TEST(CardFile, RecordsMustBeCompleteAndSane) {
    CardFile card;
    ASSERT_TRUE(NewCardFile("Records", "puk-123456", "pass-123456", Cheap(), card));
    CardFile read;
    struct Case {
        const char* what;
        void (*change)(CardFile&);
    };
    const Case cases[] = {
        {"empty PUK box", [](CardFile& c) { c.pukBox.clear(); }},
        {"empty application", [](CardFile& c) { c.applications[2].content.clear(); }},
        {"more tries left than allowed", [](CardFile& c) { c.applications[0].triesLeft = 4; }},
        {"no tries at all", [](CardFile& c) { c.pukTriesLeft = c.pukMaxTries = 0; }},
        {"empty label", [](CardFile& c) { c.label.clear(); }},
        {"broken token inside", [](CardFile& c) { c.applications[1].passwordBox[20] ^= 1; }},
    };
    for (const Case& test : cases) {
        CardFile changed = card;
        test.change(changed);
        EXPECT_EQ(ParseCardFile(SerializeCardFile(changed), read), CKR_ATTRIBUTE_VALUE_INVALID)
            << test.what;
    }
    // Zero tries left is a locked application, not damage.
    CardFile locked = card;
    locked.applications[0].triesLeft = 0;
    locked.pukTriesLeft = 0;
    ASSERT_EQ(ParseCardFile(SerializeCardFile(locked), read), CKR_OK);
    EXPECT_EQ(read.applications[0].triesLeft, 0);
    EXPECT_EQ(read.pukTriesLeft, 0);
}

}  // namespace
}  // namespace orx
