// The parts of the PKCS#11 card back-end that need no module: the slot ids of the
// readers, the results the program is given for a card's answers, and the
// settings.
#include <gtest/gtest.h>

#include "cards/pkcs11/card_objects.h"
#include "cards/pkcs11/card_results.h"
#include "cards/pkcs11/slot_groups.h"
#include "cards/reader_settings.h"
#include "core/hex_text.h"
#include "support/test_environment.h"

namespace orx {
namespace {

SeenSlot Seen(size_t module, const std::string& reader, CK_SLOT_ID slot, bool token = true) {
    return SeenSlot{ReaderId{module, reader}, slot, token};
}

TEST(SlotGroups, ReadersFillGroupsAfterTheOnesBeforeInSlotOrder) {
    SlotGroups groups;
    // Reader A's slots arrive out of order; its tokens still fill the group by slot id.
    const std::vector<int> ids =
        groups.Assign({Seen(0, "A", 7), Seen(0, "A", 3), Seen(0, "B", 1), Seen(1, "A", 1)}, 2);
    EXPECT_EQ(ids, (std::vector<int>{8, 7, 10, 13}));
    ASSERT_NE(groups.ReaderOf(9), nullptr);
    EXPECT_EQ(groups.ReaderOf(9)->name, "A");
    EXPECT_EQ(groups.ReaderOf(13)->module, 1u);  // the same name in another module
    EXPECT_EQ(groups.ReaderOf(6), nullptr);
    EXPECT_EQ(groups.ReaderOf(0), nullptr);
}

TEST(SlotGroups, AFourthTokenOfOneReaderIsNotShown) {
    SlotGroups groups;
    const std::vector<int> ids = groups.Assign({Seen(0, "R", 4), Seen(0, "R", 1), Seen(0, "R", 3),
                                                Seen(0, "R", 2), Seen(0, "R", 9, false)},
                                               0);
    EXPECT_EQ(ids, (std::vector<int>{0, 1, 3, 2, 0}));
}

TEST(SlotGroups, AReaderKeepsItsGroupWhileItStaysConnected) {
    SlotGroups groups;
    EXPECT_EQ(groups.Assign({Seen(0, "A", 1), Seen(0, "B", 2)}, 0), (std::vector<int>{1, 4}));
    // A's card is taken out; a new reader C does not get A's group.
    EXPECT_EQ(groups.Assign({Seen(0, "C", 3), Seen(0, "A", 1, false), Seen(0, "B", 2)}, 0),
              (std::vector<int>{7, 0, 4}));
    // The card comes back under its old id.
    EXPECT_EQ(groups.Assign({Seen(0, "C", 3), Seen(0, "A", 1), Seen(0, "B", 2)}, 0),
              (std::vector<int>{7, 1, 4}));
    // B is unplugged: its group is free for the next reader that comes.
    EXPECT_EQ(groups.Assign({Seen(0, "C", 3), Seen(0, "A", 1)}, 0), (std::vector<int>{7, 1}));
    EXPECT_EQ(groups.Assign({Seen(0, "C", 3), Seen(0, "A", 1), Seen(0, "D", 5)}, 0),
              (std::vector<int>{7, 1, 4}));
}

TEST(SlotGroups, AGroupTheReadersBeforeGrowIntoMoves) {
    SlotGroups groups;
    EXPECT_EQ(groups.Assign({Seen(0, "A", 1), Seen(0, "B", 2)}, 0), (std::vector<int>{1, 4}));
    // A virtual reader now takes group 0: A moves, B stays.
    EXPECT_EQ(groups.Assign({Seen(0, "A", 1), Seen(0, "B", 2)}, 1), (std::vector<int>{7, 4}));
}

TEST(SlotGroups, IdsStayBelowTheSoftTokens) {
    SlotGroups groups;
    std::vector<SeenSlot> slots;
    for (CK_SLOT_ID i = 0; i < 40; ++i)
        slots.push_back(Seen(0, "R" + std::to_string(i), i));
    const std::vector<int> ids = groups.Assign(slots, 30);
    EXPECT_EQ(ids[0], 91);
    EXPECT_EQ(ids[2], 97);
    for (size_t i = 3; i < ids.size(); ++i)
        EXPECT_EQ(ids[i], 0) << i;
}

TEST(CardResults, AnswersBecomeTheProgramsResults) {
    const struct {
        CK_RV card;
        int program;
    } cases[] = {
        {CKR_OK, 0},
        {CKR_USER_ALREADY_LOGGED_IN, 0},
        {CKR_CANCEL, 1},
        {CKR_FUNCTION_CANCELED, 1},
        {CKR_HOST_MEMORY, 2},
        {CKR_DEVICE_MEMORY, 49},
        {CKR_GENERAL_ERROR, 6},
        {CKR_DEVICE_ERROR, 6},
        {CKR_PIN_EXPIRED, 6},
        {CKR_TEMPLATE_INCOMPLETE, 19},
        {CKR_DATA_LEN_RANGE, 19},
        {CKR_TOKEN_WRITE_PROTECTED, 104},
        {CKR_ACTION_PROHIBITED, 104},
        {CKR_MECHANISM_INVALID, 112},
        {CKR_OBJECT_HANDLE_INVALID, 130},
        {CKR_PIN_INCORRECT, 160},
        {CKR_PIN_INVALID, 161},
        {CKR_PIN_LEN_RANGE, 162},
        {CKR_PIN_LOCKED, 164},
        {CKR_USER_PIN_NOT_INITIALIZED, 164},
        {CKR_TOKEN_NOT_PRESENT, 224},
        {CKR_DEVICE_REMOVED, 224},
        {CKR_TOKEN_NOT_RECOGNIZED, 224},
        {CKR_SESSION_HANDLE_INVALID, 224},
        {CKR_USER_NOT_LOGGED_IN, 257},
        {0x80000123ul, 6},  // a vendor's own
    };
    for (const auto& c : cases)
        EXPECT_EQ(CardResult(c.card), c.program) << std::hex << c.card;
    EXPECT_TRUE(TokenGone(CKR_SESSION_CLOSED));
    EXPECT_FALSE(TokenGone(CKR_PIN_INCORRECT));
}

TEST(CardIds, HexBothWays) {
    const std::vector<uint8_t> id{0x00, 0xAB, 0x10};
    EXPECT_EQ(IdText(id), "00ab10");
    EXPECT_EQ(HexBytes("00AB10"), id);
    EXPECT_EQ(HexBytes(""), std::vector<uint8_t>{});
    for (const char* bad : {"0", "zz", "0g12"})
        EXPECT_EQ(HexBytes(bad), std::nullopt) << bad;
}

TEST(ReaderSettings, ReadFromTheConfiguration) {
    testing::IsolatedEnvironment env;
    // The environment of every test leaves the machine's modules out.
    EXPECT_FALSE(ReadReaderSettings().system);
    testing::WriteFile(env.userConfigPath(),
                       "[PKCS11]\nSystem=1\nModules= /a/x.so ;;/b/y.so;\n"
                       "[Smart Card Reader]\nAccepted=Reader One;reader two ;\nDetect=10\n"
                       "LockTimeout=-5\n");
    const ReaderSettings settings = ReadReaderSettings();
    EXPECT_TRUE(settings.system);
    EXPECT_EQ(settings.modules, (std::vector<std::string>{"/a/x.so", "/b/y.so"}));
    EXPECT_EQ(settings.detect, 10);
    EXPECT_EQ(settings.lockTimeout, 0);
    EXPECT_TRUE(settings.Accepts("READER ONE"));
    EXPECT_TRUE(settings.Accepts(" Reader Two  "));
    EXPECT_FALSE(settings.Accepts("Reader Three"));
    EXPECT_TRUE(ReaderSettings{}.Accepts("anything"));
}

TEST(ReaderSettings, DefaultsAreTheDialogs) {
    testing::IsolatedEnvironment env;
    testing::WriteFile(env.installFolder() + "orx.cfg", "");
    const ReaderSettings settings = ReadReaderSettings();
    EXPECT_TRUE(settings.system);
    EXPECT_TRUE(settings.modules.empty());
    EXPECT_TRUE(settings.accepted.empty());
    EXPECT_EQ(settings.detect, 60);
    EXPECT_EQ(settings.lockTimeout, 30);
}

}  // namespace
}  // namespace orx
