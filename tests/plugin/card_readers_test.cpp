// Virtual readers through the real module: the slots of every reader, a card
// seen when it goes in and when it comes out, the card's applications as tokens,
// and the card's serial number as the directory search reads it.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "card_fixture.h"
#include "directory/search_template.h"

namespace orx::testing {
namespace {

using CardReaders = CardTest;

int GroupBase(int slot) {
    return (slot - 1) / 3 * 3 + 1;
}

TEST_F(CardReaders, EmptyReadersOfferSlotsWithoutCards) {
    EXPECT_TRUE(Enum("SlotCard").empty());
    AddReader("Beta Reader");
    AddReader("Alpha; USB");
    WriteFile(Readers() + "not-a-reader.txt", "a file is no reader");
    ASSERT_TRUE(WaitForSlotEvent());
    // Three entries per reader, in name order; the settings sheet reads the
    // names from entries 0, 3, 6, ...
    EXPECT_EQ(Enum("SlotCard"),
              (std::vector<std::string>{"1;Alpha, USB;", "2;Alpha, USB;", "3;Alpha, USB;",
                                        "4;Beta Reader;", "5;Beta Reader;", "6;Beta Reader;"}));
    EXPECT_EQ(Enum("Slot")[3], "4;Beta Reader");
    EXPECT_TRUE(Enum("Token").empty());
    app_->SetActiveSlot(4);
    EXPECT_EQ(Get("TokenInfo"), std::nullopt);
    EXPECT_EQ(Get("LoggedIn"), "false");
    Script({"pin whatever-pass"});
    EXPECT_EQ(app_->Invoke("Login"), 224);
    EXPECT_EQ(ScriptLeft(), "pin whatever-pass\n");  // nobody was asked
}

TEST_F(CardReaders, InsertionAndRemovalAreSeenWithinOneSecond) {
    ASSERT_EQ(Create("Soft", "soft-pass"), 0);
    ASSERT_EQ(MakeCard(Path("office.card"), "Office", "puk-12345678", "card-pass"), 0);
    AddReader("A");
    AddReader("B");
    DrainSlotEvents();
    EXPECT_EQ(Get("HaveSlotEvent"), "false");

    // Another process puts the card in, as the command line does.
    const std::vector<uint8_t> bytes = ReadBytes(Path("office.card"));
    auto other = Start();
    other->SetProperty("Reader", "B");
    other->SetProperty("FileName", Path("office.card").c_str());
    ASSERT_EQ(other->Invoke("InsertCard"), 0);
    const auto seen = WaitForSlotEvent();
    ASSERT_TRUE(seen) << "the insertion was not seen";
    EXPECT_LT(seen->count(), 1000);
    EXPECT_EQ(Get("HaveSlotEvent"), "false");  // once per change

    EXPECT_EQ(Enum("SlotCard")[3], "4;B;Office");
    EXPECT_EQ(Enum("SlotCard")[0], "1;A;");
    EXPECT_EQ(Enum("Token"),
              (std::vector<std::string>{"4;Office (Authentication)", "5;Office (Signature)",
                                        "6;Office (Encryption)", "100;Soft"}));
    // Every application of the card belongs to the group of its first slot.
    for (const std::string& entry : Enum("Token")) {
        const int slot = std::atoi(entry.c_str());
        if (slot < 100) {
            EXPECT_EQ(GroupBase(slot), 4) << entry;
        }
    }
    app_->SetActiveSlot(5);
    const std::string info = Get("TokenInfo").value_or("");
    EXPECT_EQ(FieldOf(info, 0), "5");
    EXPECT_EQ(FieldOf(info, 1), "Office (Signature)");
    EXPECT_EQ(FieldOf(info, 2).size(), 19u);
    EXPECT_EQ(FieldOf(info, 4), "Smart Card");
    EXPECT_EQ(FieldOf(info, 8), "B");
    EXPECT_EQ(FieldOf(info, 9), "3/3");
    app_->SetActiveSlot(6);
    EXPECT_EQ(FieldOf(Get("TokenInfo").value_or(""), 2), FieldOf(info, 2));  // one card

    ASSERT_EQ(other->Invoke("RemoveCard"), 7) << "no reader was named";
    other->SetProperty("Reader", "B");
    ASSERT_EQ(other->Invoke("RemoveCard"), 0);
    ASSERT_TRUE(WaitForSlotEvent()) << "the removal was not seen";
    EXPECT_EQ(Enum("SlotCard")[3], "4;B;");
    EXPECT_EQ(Enum("Token"), std::vector<std::string>{"100;Soft"});
    EXPECT_EQ(Get("TokenInfo"), std::nullopt);
    other->SetProperty("Reader", "B");
    EXPECT_EQ(other->Invoke("RemoveCard"), 224);

    // A card file copied in by hand counts as well.
    WriteFile(Readers() + "A/by-hand.card",
              std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(WaitForSlotEvent());
    EXPECT_EQ(Enum("SlotCard")[0], "1;A;Office");
    EXPECT_EQ(Enum("Token").front(), "1;Office (Authentication)");
}

TEST_F(CardReaders, ACardWrittenInPlaceIsAnEventToo) {
    ASSERT_EQ(MakeCard(Path("c.card"), "Counted", "puk-12345678", "card-pass"), 0);
    ASSERT_EQ(Insert("Reader", Path("c.card")), 0);
    ASSERT_TRUE(WaitForSlotEvent());
    DrainSlotEvents();
    app_->SetActiveSlot(1);
    Script({"pin card-pass"});
    ASSERT_EQ(app_->Invoke("Login"), 0);
    // The counters were written: the view has to look again.
    EXPECT_TRUE(WaitForSlotEvent());
}

TEST_F(CardReaders, DamagedCardsAndBadRequests) {
    ASSERT_EQ(MakeCard(Path("d.card"), "Damaged", "puk-12345678", "card-pass"), 0);
    std::vector<uint8_t> bytes = ReadBytes(Path("d.card"));
    bytes[bytes.size() / 2] ^= 0x40;
    WriteFile(Path("bad.card"), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(Insert("Reader", Path("bad.card")), 19);
    EXPECT_EQ(Insert("Reader", Path("missing.card")), 6);
    // Only a file is a card: a pipe nobody writes to is refused, not waited on.
    ASSERT_EQ(::mkfifo(Path("pipe.card").c_str(), 0600), 0);
    EXPECT_EQ(Insert("Reader", Path("pipe.card")), 6);
    EXPECT_EQ(Insert("Reader", "/dev/zero"), 6);
    EXPECT_EQ(Insert("../escape", Path("d.card")), 7);
    EXPECT_EQ(Insert(".hidden", Path("d.card")), 7);
    EXPECT_EQ(Insert("", Path("d.card")), 7);
    EXPECT_FALSE(PathExists(*env_ / "data/orx/escape"));

    // A damaged file in a reader is a card nobody can use.
    AddReader("R");
    WriteFile(Readers() + "R/x.card", std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(Enum("SlotCard")[0], "1;R;?");
    EXPECT_TRUE(Enum("Token").empty());
    app_->SetActiveSlot(1);
    EXPECT_EQ(Get("TokenInfo"), std::nullopt);
    Script({"pin card-pass"});
    EXPECT_EQ(app_->Invoke("Login"), 19);

    // No label, no file.
    app_->SetProperty("FileName", Path("e.card").c_str());
    EXPECT_EQ(app_->Invoke("CreateCard"), 7);
    EXPECT_FALSE(PathExists(Path("e.card")));
    // Cancelled at the PUK.
    Script({"cancel"});
    app_->SetProperty("TokenLabel", "Cancelled");
    app_->SetProperty("FileName", Path("e.card").c_str());
    EXPECT_EQ(app_->Invoke("CreateCard"), 1);
    EXPECT_FALSE(PathExists(Path("e.card")));
}

TEST_F(CardReaders, TheReadersFolderIsASetting) {
    ASSERT_EQ(MakeCard(Path("s.card"), "Elsewhere", "puk-12345678", "card-pass"), 0);
    const std::string folder = *env_ / "other-readers";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((folder + "/Desk").c_str(), 0700), 0);
    app_->SetProperty("ConfigLocal:Readers:Folder", folder.c_str());
    ASSERT_EQ(app_->Invoke("ApplyConfig"), 0);
    ASSERT_TRUE(WaitForSlotEvent());
    EXPECT_EQ(Enum("SlotCard")[0], "1;Desk;");
    ASSERT_EQ(Insert("Desk", Path("s.card")), 0);
    EXPECT_TRUE(PathExists(folder + "/Desk/card.card"));
    EXPECT_FALSE(PathExists(Readers() + "Desk"));
    EXPECT_EQ(Enum("SlotCard")[0], "1;Desk;Elsewhere");
}

TEST_F(CardReaders, TheDirectorySearchReadsTheCardSerialNumber) {
    ASSERT_EQ(MakeCard(Path("l.card"), "Ldap", "puk-12345678", "card-pass"), 0);
    ASSERT_EQ(Insert("Reader", Path("l.card")), 0);
    app_->SetActiveSlot(2);
    const std::string shown = FieldOf(Get("TokenInfo").value_or(""), 2);
    ASSERT_EQ(shown.size(), 19u);
    std::string expected = shown;
    std::erase(expected, ' ');

    for (int slot : {1, 2, 3}) {
        std::string serial;
        EXPECT_EQ(GetCardSerialNumber(*app_, slot, serial), 0);
        EXPECT_EQ(serial, expected) << slot;
    }
    std::string serial = "left";
    EXPECT_EQ(GetCardSerialNumber(*app_, 4, serial), kTokenInfoAbsent);
    ASSERT_EQ(Remove("Reader"), 0);
    EXPECT_EQ(GetCardSerialNumber(*app_, 1, serial), kTokenInfoAbsent);
}

}  // namespace
}  // namespace orx::testing
