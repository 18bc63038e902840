// A card's certificates reach the user's "MY" store while the card is in a reader,
// as a soft token's do, through the real module.
#include <unistd.h>

#include "card_fixture.h"
#include "core/base64.h"
#include "core/config_file.h"
#include "store_subjects.h"
#include "test_certificates.h"

namespace orx::testing {
namespace {

constexpr const char* kPassword = "card-pass";

class CardPropagation : public CardTest {
  protected:
    void SetUp() override {
        CardTest::SetUp();
        ASSERT_EQ(MakeCard(Path("p.card"), "Prop", "puk-12345678", kPassword), 0);
        AddReader("A Reader");
        ASSERT_EQ(Insert("A Reader", Path("p.card")), 0);  // slots 1, 2, 3
    }
    int WriteTo(int slot, const std::string& subject, long serial) {
        Script({"pin " + std::string(kPassword)});
        app_->SetActiveSlot(slot);
        const std::vector<uint8_t> der =
            MakeDer({subject, "Test CA", "digitalSignature", "20301231235959Z", serial});
        app_->SetProperty("Certificate", Base64Encode(der).c_str());
        return app_->Invoke("WriteCertificate");
    }
    std::vector<std::string> MySubjects() { return SubjectsInStore("MY"); }
    std::string InsertedCard() const { return Readers() + "A Reader/card.card"; }
};

TEST_F(CardPropagation, CertificatesFollowTheCardInAndOut) {
    ASSERT_EQ(WriteTo(1, "Card Auth", 31), 0);
    ASSERT_EQ(WriteTo(2, "Card Sign", 32), 0);
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Card Auth", "Card Sign"}));

    // The card as it is now, certificates and all, to put in again later.
    const std::string saved = Path("saved.card");
    WriteFile(saved, ReadFile(InsertedCard()));
    ASSERT_EQ(Remove("A Reader"), 0);
    EXPECT_TRUE(MySubjects().empty());

    // Into another reader: other slots, the same certificates.
    AddReader("B Reader");
    ASSERT_EQ(Insert("B Reader", saved), 0);
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Card Auth", "Card Sign"}));
    ASSERT_EQ(Remove("B Reader"), 0);
    EXPECT_TRUE(MySubjects().empty());
    EXPECT_FALSE(PathExists(TokenFolder() + "my-store.idx"));
}

TEST_F(CardPropagation, ACardTakenOutByAnotherProcessIsNoticedWithTheSlotEvent) {
    ASSERT_EQ(WriteTo(3, "Card Crypt", 41), 0);
    ASSERT_EQ(Create("Soft", "soft-pass"), 0);
    Script({"pin soft-pass"});
    app_->SetActiveSlot(100);
    app_->SetProperty(
        "Certificate",
        Base64Encode(MakeDer({"Soft Cert", "Test CA", "", "20301231235959Z", 42})).c_str());
    ASSERT_EQ(app_->Invoke("WriteCertificate"), 0);
    DrainSlotEvents();
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Card Crypt", "Soft Cert"}));

    ASSERT_EQ(::unlink(InsertedCard().c_str()), 0);
    ASSERT_TRUE(WaitForSlotEvent());
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Soft Cert"}));
}

TEST_F(CardPropagation, KeptWhenTheUserSaysSo) {
    ASSERT_EQ(ConfigWriteInt("CSP", "KeepCertificates", 1), kConfigOk);
    ASSERT_EQ(WriteTo(1, "Card Auth", 51), 0);
    ASSERT_EQ(Remove("A Reader"), 0);
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Card Auth"}));
}

}  // namespace
}  // namespace orx::testing
