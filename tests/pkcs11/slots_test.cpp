// Slots and tokens as the module shows them: one slot per soft token and per
// virtual card application, with what the program's "TokenInfo" says of the token.
#include <cstring>

#include "cards/virtual_cards.h"
#include "pkcs11/p11_fixture.h"
#include "pkcs11/product_version.h"
#include "softtoken/soft_tokens.h"

namespace orx::testing {
namespace {

// Field `index` of a ";"-separated "TokenInfo" answer.
std::string InfoField(const std::string& info, size_t index) {
    size_t start = 0;
    for (size_t i = 0; i < index; ++i)
        start = info.find(';', start) + 1;
    return info.substr(start, info.find(';', start) - start);
}

std::string WithoutBlanks(std::string text) {
    std::erase(text, ' ');
    return text;
}

class P11Slots : public P11Test {};

TEST_F(P11Slots, EverySoftTokenAndCardApplicationIsASlotWithThePrograms) {
    const int soft = MakeSoftToken("Alice's token", "secret-1", {&RsaPair()});
    const int second = MakeSoftToken("Bob", "secret-2");
    const int card = MakeCard("Reader A", "Card", "puk-puk-1", "card-pin-1");
    Initialize();
    const std::vector<CK_SLOT_ID> slots = Slots();
    EXPECT_EQ((std::vector<CK_SLOT_ID>{CK_SLOT_ID(card), CK_SLOT_ID(card + 1), CK_SLOT_ID(card + 2),
                                       CK_SLOT_ID(soft), CK_SLOT_ID(second)}),
              slots);

    SoftTokens program;
    program.Scan();
    VirtualCards cards;
    struct Case {
        int slot;
        std::optional<std::string> info;
        const char* model;
    } cases[] = {{soft, program.TokenInfo(soft), "Soft Token"},
                 {second, program.TokenInfo(second), "Soft Token"},
                 {card + 1, cards.TokenInfo(card + 1), "Smart Card"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        ASSERT_TRUE(c.info);
        CK_TOKEN_INFO info{};
        ASSERT_EQ(CKR_OK, p11()->C_GetTokenInfo(c.slot, &info));
        EXPECT_EQ(InfoField(*c.info, 1), Unpadded(info.label, sizeof info.label));
        EXPECT_EQ(WithoutBlanks(InfoField(*c.info, 2)),
                  Unpadded(info.serialNumber, sizeof info.serialNumber));
        EXPECT_EQ(InfoField(*c.info, 3), Unpadded(info.manufacturerID, sizeof info.manufacturerID));
        EXPECT_EQ(c.model, Unpadded(info.model, sizeof info.model));
        EXPECT_EQ(InfoField(*c.info, 7),
                  std::to_string(info.ulMinPinLen) + "-" + std::to_string(info.ulMaxPinLen));
        EXPECT_TRUE(info.flags & CKF_LOGIN_REQUIRED);
        EXPECT_TRUE(info.flags & CKF_TOKEN_INITIALIZED);
        EXPECT_FALSE(info.flags & CKF_PROTECTED_AUTHENTICATION_PATH);
        CK_SLOT_INFO slotInfo{};
        ASSERT_EQ(CKR_OK, p11()->C_GetSlotInfo(c.slot, &slotInfo));
        EXPECT_TRUE(slotInfo.flags & CKF_TOKEN_PRESENT);
    }
}

TEST_F(P11Slots, LongLabelsAreCutAtACharacterBoundary) {
    // 31 bytes of ASCII, then a two-byte character that would straddle the 32nd.
    const std::string label = std::string(31, 'a') + "\xc3\xa9" + "tail";
    const int slot = MakeSoftToken(label, "secret-1");
    Initialize();
    CK_TOKEN_INFO info{};
    ASSERT_EQ(CKR_OK, p11()->C_GetTokenInfo(slot, &info));
    EXPECT_EQ(std::string(31, 'a'), Unpadded(info.label, sizeof info.label));
}

TEST_F(P11Slots, AReaderWithoutACardAndADamagedTokenAreSlotsWithoutAToken) {
    const int soft = MakeSoftToken("Fine", "secret-1");
    const int damaged = MakeSoftToken("Broken", "secret-1");
    std::string path = TokenFolder() + "Broken.tkn";
    std::string bytes = ReadFile(path);
    bytes[bytes.size() - 1] ^= 0x55;  // the checksum no longer holds
    WriteFile(path, bytes);
    const int card = MakeCard("Reader A", "Card", "puk-puk-1", "card-pin-1");
    ASSERT_EQ(CKR_OK, ReaderStore(ReaderFolder()).Remove("Reader A"));
    Initialize();
    EXPECT_EQ((std::vector<CK_SLOT_ID>{CK_SLOT_ID(soft)}), Slots(true));
    EXPECT_EQ(5u, Slots(false).size());
    for (int slot : {damaged, card}) {
        CK_SLOT_INFO slotInfo{};
        ASSERT_EQ(CKR_OK, p11()->C_GetSlotInfo(slot, &slotInfo));
        EXPECT_FALSE(slotInfo.flags & CKF_TOKEN_PRESENT);
        CK_TOKEN_INFO info{};
        EXPECT_EQ(CKR_TOKEN_NOT_PRESENT, p11()->C_GetTokenInfo(slot, &info));
        CK_SESSION_HANDLE session = CK_INVALID_HANDLE;
        EXPECT_EQ(CKR_TOKEN_NOT_PRESENT,
                  p11()->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &session));
    }
    CK_SLOT_INFO slotInfo{};
    EXPECT_EQ(CKR_SLOT_ID_INVALID, p11()->C_GetSlotInfo(7, &slotInfo));
    EXPECT_EQ(CKR_SLOT_ID_INVALID, p11()->C_GetSlotInfo(soft + 50, &slotInfo));
}

TEST_F(P11Slots, ACardsTriesShowInTheTokenFlags) {
    const int card = MakeCard("Reader A", "Card", "puk-puk-1", "card-pin-1");
    Initialize();
    const CK_SESSION_HANDLE session = Open(card);
    struct Step {
        const char* pin;
        CK_RV result;
        CK_FLAGS flags;  // of the low, final and locked flags
    } steps[] = {
        {"wrong-pin-1", CKR_PIN_INCORRECT, CKF_USER_PIN_COUNT_LOW},
        {"wrong-pin-2", CKR_PIN_INCORRECT, CKF_USER_PIN_COUNT_LOW | CKF_USER_PIN_FINAL_TRY},
        {"wrong-pin-3", CKR_PIN_LOCKED, CKF_USER_PIN_LOCKED},
        // Locked for good: even the right password is refused without being tried.
        {"card-pin-1", CKR_PIN_LOCKED, CKF_USER_PIN_LOCKED},
    };
    const CK_FLAGS watched = CKF_USER_PIN_COUNT_LOW | CKF_USER_PIN_FINAL_TRY | CKF_USER_PIN_LOCKED;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pin);
        EXPECT_EQ(step.result, Login(session, step.pin));
        CK_TOKEN_INFO info{};
        ASSERT_EQ(CKR_OK, p11()->C_GetTokenInfo(card, &info));
        EXPECT_EQ(step.flags, info.flags & watched);
    }
    // The program counts the same tries.
    VirtualCards cards;
    EXPECT_EQ("0/3", InfoField(*cards.TokenInfo(card), 9));
    // The other applications count on their own.
    const CK_SESSION_HANDLE other = Open(card + 1);
    EXPECT_EQ(CKR_OK, Login(other, "card-pin-1"));
}

TEST_F(P11Slots, ARightPasswordGivesACardsTriesBack) {
    const int card = MakeCard("Reader A", "Card", "puk-puk-1", "card-pin-1");
    Initialize();
    const CK_SESSION_HANDLE session = Open(card);
    EXPECT_EQ(CKR_PIN_INCORRECT, Login(session, "wrong-pin-1"));
    EXPECT_EQ("2/3", InfoField(*VirtualCards().TokenInfo(card), 9));
    EXPECT_EQ(CKR_OK, Login(session, "card-pin-1"));
    EXPECT_EQ("3/3", InfoField(*VirtualCards().TokenInfo(card), 9));
}

TEST_F(P11Slots, TheMechanismsAreTheOnesOffered) {
    const int slot = MakeSoftToken("Token", "secret-1");
    Initialize();
    CK_ULONG count = 0;
    ASSERT_EQ(CKR_OK, p11()->C_GetMechanismList(slot, nullptr, &count));
    std::vector<CK_MECHANISM_TYPE> types(count);
    ASSERT_EQ(CKR_OK, p11()->C_GetMechanismList(slot, types.data(), &count));
    struct Case {
        CK_MECHANISM_TYPE type;
        CK_FLAGS flags;
    } cases[] = {{CKM_RSA_PKCS, CKF_SIGN | CKF_DECRYPT},
                 {CKM_SHA256_RSA_PKCS, CKF_SIGN},
                 {CKM_RSA_PKCS_PSS, CKF_SIGN},
                 {CKM_SHA512_RSA_PKCS_PSS, CKF_SIGN},
                 {CKM_RSA_PKCS_OAEP, CKF_DECRYPT},
                 {CKM_ECDSA, CKF_SIGN},
                 {CKM_ECDSA_SHA384, CKF_SIGN}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_NE(types.end(), std::find(types.begin(), types.end(), c.type));
        CK_MECHANISM_INFO info{};
        ASSERT_EQ(CKR_OK, p11()->C_GetMechanismInfo(slot, c.type, &info));
        EXPECT_EQ(c.flags, info.flags & (CKF_SIGN | CKF_DECRYPT | CKF_ENCRYPT | CKF_VERIFY));
        EXPECT_LT(info.ulMinKeySize, info.ulMaxKeySize);
    }
    // Nothing that makes keys or encrypts.
    for (CK_MECHANISM_TYPE absent : {CKM_RSA_PKCS_KEY_PAIR_GEN, CKM_EC_KEY_PAIR_GEN, CKM_AES_CBC}) {
        EXPECT_EQ(types.end(), std::find(types.begin(), types.end(), absent));
        CK_MECHANISM_INFO info{};
        EXPECT_EQ(CKR_MECHANISM_INVALID, p11()->C_GetMechanismInfo(slot, absent, &info));
    }
}

TEST_F(P11Slots, LibraryInfoNamesTheProduct) {
    Initialize();
    CK_INFO info{};
    ASSERT_EQ(CKR_OK, p11()->C_GetInfo(&info));
    EXPECT_EQ(2, info.cryptokiVersion.major);
    EXPECT_EQ(40, info.cryptokiVersion.minor);
    EXPECT_EQ("Valdoran AB", Unpadded(info.manufacturerID, sizeof info.manufacturerID));
    EXPECT_EQ("Orvex PKCS#11 Module",
              Unpadded(info.libraryDescription, sizeof info.libraryDescription));
    EXPECT_EQ(4, info.libraryVersion.major);
}

TEST(P11Version, TheLeadingNumbersOfTheVersionText) {
    struct Case {
        std::string_view text;
        int major;
        int minor;
    };
    const Case cases[] = {
        {"4.2", 4, 2},        {"4.2.1083", 4, 2}, {"12", 12, 0},    {"7.", 7, 0},
        {"3.10-beta", 3, 10}, {"", 0, 0},         {"beta.5", 0, 5}, {".9", 0, 9},
    };
    for (const Case& c : cases) {
        const CK_VERSION version = p11::VersionOf(c.text);
        EXPECT_EQ(c.major, version.major) << c.text;
        EXPECT_EQ(c.minor, version.minor) << c.text;
    }
}

TEST_F(P11Slots, SlotsAndTokensCarryTheLibrarysVersion) {
    const int soft = MakeSoftToken("Versioned", "secret-1");
    Initialize();
    CK_INFO library{};
    ASSERT_EQ(CKR_OK, p11()->C_GetInfo(&library));
    const CK_SLOT_ID slot = soft;
    CK_SLOT_INFO slotInfo{};
    ASSERT_EQ(CKR_OK, p11()->C_GetSlotInfo(slot, &slotInfo));
    CK_TOKEN_INFO tokenInfo{};
    ASSERT_EQ(CKR_OK, p11()->C_GetTokenInfo(slot, &tokenInfo));
    for (const CK_VERSION& version : {slotInfo.hardwareVersion, slotInfo.firmwareVersion,
                                      tokenInfo.hardwareVersion, tokenInfo.firmwareVersion}) {
        EXPECT_EQ(library.libraryVersion.major, version.major);
        EXPECT_EQ(library.libraryVersion.minor, version.minor);
    }
}

}  // namespace
}  // namespace orx::testing
