// The propagation settings as the settings dialog writes them (per user, section
// "Csp") and as "ApplyConfig" hands them to a running module: overwriting a copy
// the user keeps, keeping a removed token's certificates, switching on and off.
#include "der/cert_store.h"
#include "module_fixture.h"
#include "properties/base64_text.h"
#include "store_subjects.h"
#include "test_certificates.h"

namespace orx::testing {
namespace {

constexpr const char* kPassword = "settings-password";
constexpr const char* kNotAfter = "20301231235959Z";

class PropagationSettingsTest : public ModuleTest {
  protected:
    // A token holding one certificate; its slot id, or -1.
    int AddToken(const std::string& label, const std::vector<uint8_t>& certificate) {
        if (Create(label, kPassword) != 0)
            return -1;
        Script({"pin " + std::string(kPassword)});
        app_->SetProperty("Certificate", EncodeBase64(certificate).c_str());
        if (app_->Invoke("WriteCertificate") != 0)
            return -1;
        return std::stoi(*Get("ActiveSlot"));
    }
    int DeleteToken(int slot) {
        app_->SetProperty("ActiveSlot", std::to_string(slot).c_str());
        return app_->Invoke("DeleteToken");
    }
    // As the dialog stores a box of the CryptoAPI group, then has the module take it.
    void Set(std::string_view key, int value) {
        app_->ConfigSetInt(true, "Csp", key, value);
        ASSERT_EQ(app_->Invoke("ApplyConfig"), 0);
    }
    std::vector<std::string> My() { return SubjectsInStore("MY"); }
    static bool PutIntoMy(const std::vector<uint8_t>& der) {
        std::optional<CertStore> my = OpenUserStore("MY");
        return my && my->Add(der);
    }
};

// The user's own copy has the token certificate's issuer and serial number, and
// another subject, so the two are told apart by name.
TEST_F(PropagationSettingsTest, OverwriteDecidesWhoseCopyOfACertificateStays) {
    const auto own = MakeDer({"Own copy", "Test CA", "", kNotAfter, 500});
    const auto token = MakeDer({"Token copy", "Test CA", "", kNotAfter, 500});
    struct Case {
        int overwrite;
        std::vector<std::string> whileThere;
        std::vector<std::string> afterwards;
    };
    const Case cases[] = {
        {0, {"Own copy"}, {"Own copy"}},
        {1, {"Token copy"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.overwrite);
        ASSERT_TRUE(PutIntoMy(own));
        Set("OverWrite", c.overwrite);
        const int slot = AddToken("Overwrite" + std::to_string(c.overwrite), token);
        ASSERT_GT(slot, 0);
        EXPECT_EQ(My(), c.whileThere);
        // A copy that stayed the user's is not taken away with the token.
        ASSERT_EQ(DeleteToken(slot), 0);
        EXPECT_EQ(My(), c.afterwards);
        std::optional<CertStore> my = OpenUserStore("MY");
        ASSERT_TRUE(my);
        my->Remove(own);
    }
}

TEST_F(PropagationSettingsTest, AllowingOverwriteReplacesTheCopyAtOnce) {
    const auto own = MakeDer({"Own copy", "Test CA", "", kNotAfter, 501});
    ASSERT_TRUE(PutIntoMy(own));
    Set("OverWrite", 0);
    ASSERT_GT(AddToken("Later", MakeDer({"Token copy", "Test CA", "", kNotAfter, 501})), 0);
    EXPECT_EQ(My(), std::vector<std::string>{"Own copy"});
    // Nothing about the tokens changed; the new setting alone brings the pass.
    Set("OverWrite", 1);
    EXPECT_EQ(My(), std::vector<std::string>{"Token copy"});
}

TEST_F(PropagationSettingsTest, SwitchedOnItBringsThePresentTokensAtOnce) {
    Set("Enable", 0);
    const int slot = AddToken("Quiet", MakeDer({"Alice", "Test CA", "", kNotAfter, 502}));
    ASSERT_GT(slot, 0);
    EXPECT_TRUE(My().empty());
    Set("Enable", 1);
    EXPECT_EQ(My(), std::vector<std::string>{"Alice"});
}

// The dialog's box says "remove when the card is removed"; stored is the opposite.
TEST_F(PropagationSettingsTest, KeptCertificatesOutliveTheirToken) {
    for (int keep : {1, 0}) {
        SCOPED_TRACE(keep);
        Set("KeepCertificates", keep);
        const int slot = AddToken("Keep" + std::to_string(keep),
                                  MakeDer({"Kept", "Test CA", "", kNotAfter, 503 + keep}));
        ASSERT_GT(slot, 0);
        ASSERT_EQ(DeleteToken(slot), 0);
        EXPECT_EQ(My(), keep ? std::vector<std::string>{"Kept"} : std::vector<std::string>{});
        std::optional<CertStore> my = OpenUserStore("MY");
        ASSERT_TRUE(my);
        for (const StoredCertificate& stored : my->List())
            my->Remove(stored.der);
    }
}

}  // namespace
}  // namespace orx::testing
