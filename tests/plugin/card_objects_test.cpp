// Certificates and data boxes on card applications, through the same operations
// and lists as on soft tokens: the token view finds a card's certificates under
// the card's slot group.
#include "card_fixture.h"
#include "core/base64.h"
#include "test_certificates.h"

namespace orx::testing {
namespace {

constexpr const char* kPassword = "card-pass";

class CardObjects : public CardTest {
  protected:
    void SetUp() override {
        CardTest::SetUp();
        ASSERT_EQ(MakeCard(Path("o.card"), "Objects", "puk-12345678", kPassword), 0);
        AddReader("A Reader");
        ASSERT_EQ(Insert("B Reader", Path("o.card")), 0);  // slots 4, 5, 6
    }
    int WriteTo(int slot, const std::vector<uint8_t>& der,
                std::initializer_list<std::string> pins) {
        Script(pins);
        app_->SetActiveSlot(slot);
        app_->SetProperty("Certificate", Base64Encode(der).c_str());
        return app_->Invoke("WriteCertificate");
    }
    // The certificates the token view shows for `slot`: a card's whole slot group.
    std::vector<std::string> ShownFor(int slot) {
        std::vector<std::string> shown;
        for (const std::string& entry : Enum("CertificateEx")) {
            const int owner = std::atoi(entry.c_str());
            const bool mine = slot >= 100 ? owner == slot : owner >= slot && owner <= slot + 2;
            if (mine)
                shown.push_back(FieldOf(entry, 3));
        }
        return shown;
    }
};

TEST_F(CardObjects, ACardsCertificatesBelongToItsSlotGroup) {
    const auto auth = MakeDer({"Card Auth", "Test CA", "digitalSignature", "20301231235959Z", 21});
    const auto sign = MakeDer({"Card Sign", "Test CA", "nonRepudiation", "20301231235959Z", 22});
    const auto crypt = MakeDer({"Card Crypt", "Test CA", "keyEncipherment", "20301231235959Z", 23});
    const auto soft = MakeDer({"Soft Cert", "Test CA", "digitalSignature", "20301231235959Z", 24});
    // Each application asks its own password the first time.
    ASSERT_EQ(WriteTo(4, auth, {"pin " + std::string(kPassword)}), 0);
    ASSERT_EQ(WriteTo(5, sign, {"pin wrong-pass", "pin " + std::string(kPassword)}), 0);
    ASSERT_EQ(WriteTo(6, crypt, {"pin " + std::string(kPassword)}), 0);
    ASSERT_EQ(WriteTo(4, auth, {"pin never-asked"}), 0);  // logged in: no question
    EXPECT_EQ(ScriptLeft(), "pin never-asked\n");
    ASSERT_EQ(Create("Soft", "soft-pass"), 0);
    ASSERT_EQ(WriteTo(100, soft, {"pin soft-pass"}), 0);

    const std::vector<std::string> entries = Enum("CertificateEx");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(FieldOf(entries[0], 0), "4");
    EXPECT_EQ(FieldOf(entries[0], 1), "Objects (Authentication)");
    EXPECT_EQ(FieldOf(entries[1], 0), "5");
    EXPECT_EQ(FieldOf(entries[2], 0), "6");
    EXPECT_EQ(FieldOf(entries[3], 0), "100");
    EXPECT_EQ(ShownFor(4), (std::vector<std::string>{"Card Auth", "Card Sign", "Card Crypt"}));
    EXPECT_TRUE(ShownFor(1).empty());
    EXPECT_TRUE(ShownFor(7).empty());
    EXPECT_EQ(ShownFor(100), std::vector<std::string>{"Soft Cert"});

    // Another process sees them without any password; a wrong password never opened
    // the card, the applications kept their tries.
    auto other = Start();
    int count = 0;
    while (other->EnumPropertyString("CertificateEx", count))
        ++count;
    EXPECT_EQ(count, 4);

    // The certificates travel with the card, into another reader's slot group.
    const std::vector<uint8_t> written = ReadBytes(Readers() + "B Reader/card.card");
    WriteFile(Path("moved.card"), std::string(written.begin(), written.end()));
    ASSERT_EQ(Remove("B Reader"), 0);
    EXPECT_EQ(Enum("CertificateEx").size(), 1u);
    ASSERT_EQ(Insert("A Reader", Path("moved.card")), 0);
    EXPECT_EQ(ShownFor(1), (std::vector<std::string>{"Card Auth", "Card Sign", "Card Crypt"}));
    EXPECT_TRUE(ShownFor(4).empty());
}

TEST_F(CardObjects, DeleteAndDataBoxesOnACard) {
    const auto cert = MakeDer({"Removable", "Test CA", "digitalSignature", "20301231235959Z", 31});
    ASSERT_EQ(WriteTo(5, cert, {"pin " + std::string(kPassword)}), 0);
    ASSERT_EQ(ShownFor(4), std::vector<std::string>{"Removable"});
    app_->SetActiveSlot(5);
    app_->SetProperty("Certificate", Base64Encode(cert).c_str());
    ASSERT_EQ(app_->Invoke("DeleteCertificate"), 0);
    EXPECT_TRUE(ShownFor(4).empty());

    auto describe = [&](bool isPrivate) {
        app_->SetProperty("CKA_CLASS", "0x00000000");
        app_->SetProperty("CKA_TOKEN", "0x01");
        app_->SetProperty("CKA_LABEL", "");
        app_->SetProperty("CKA_PRIVATE", isPrivate ? "0x01" : "0x00");
        app_->SetProperty("CKA_APPLICATION", "Orvex");
    };
    // The private box of an application that is logged in; the public box of another.
    app_->SetActiveSlot(5);
    describe(true);
    app_->SetProperty("CKA_VALUE", Base64Encode(std::vector<uint8_t>{'s', 'e', 'c'}).c_str());
    ASSERT_EQ(app_->Invoke("UpdateObject"), 0);
    app_->SetActiveSlot(6);
    describe(false);
    app_->SetProperty("CKA_VALUE", Base64Encode(std::vector<uint8_t>{'p', 'u', 'b'}).c_str());
    Script({"pin " + std::string(kPassword)});
    ASSERT_EQ(app_->Invoke("UpdateObject"), 0);

    app_->SetActiveSlot(5);
    describe(true);
    EXPECT_EQ(FieldOf(Enum("Object").at(0), 1), Base64Encode(std::vector<uint8_t>{'s', 'e', 'c'}));
    app_->SetActiveSlot(6);
    describe(false);
    EXPECT_EQ(FieldOf(Enum("Object").at(0), 1), Base64Encode(std::vector<uint8_t>{'p', 'u', 'b'}));
    app_->SetActiveSlot(4);
    describe(false);
    EXPECT_TRUE(Enum("Object").empty());  // boxes are per application

    // A second context without a login sees the public box, not the private one.
    auto other = Start();
    other->SetActiveSlot(6);
    for (auto [name, value] : {std::pair{"CKA_CLASS", "0x00000000"},
                               {"CKA_TOKEN", "0x01"},
                               {"CKA_LABEL", ""},
                               {"CKA_PRIVATE", "0x00"},
                               {"CKA_APPLICATION", "Orvex"}})
        other->SetProperty(name, value);
    EXPECT_TRUE(other->EnumPropertyString("Object", 0).has_value());
    other->SetActiveSlot(5);
    other->SetProperty("CKA_PRIVATE", "0x01");
    EXPECT_FALSE(other->EnumPropertyString("Object", 0).has_value());
}

}  // namespace
}  // namespace orx::testing
