// Certificate propagation to the user's "MY" store and the update link, through
// the real module.
#include <sys/stat.h>

#include <chrono>
#include <map>
#include <thread>

#include "core/base64.h"
#include "core/config_file.h"
#include "der/cert_store.h"
#include "module_fixture.h"
#include "store_subjects.h"
#include "test_certificates.h"

namespace orx::testing {
namespace {

constexpr const char* kPassword = "prop-password";

class PropagationTest : public ModuleTest {
  protected:
    int AddToken(const std::string& label, std::initializer_list<std::string> subjects) {
        if (Create(label, kPassword) != 0)
            return -1;
        for (const std::string& subject : subjects) {
            Script({"pin " + std::string(kPassword)});
            made_[subject] = MakeDer({subject, "Test CA", "", "20301231235959Z", ++serial_});
            app_->SetProperty("Certificate", Base64Encode(made_[subject]).c_str());
            if (app_->Invoke("WriteCertificate") != 0)
                return -1;
        }
        return std::stoi(*Get("ActiveSlot"));
    }
    std::vector<std::string> MySubjects() { return SubjectsInStore("MY"); }
    int DeleteToken(int slot) {
        app_->SetProperty("ActiveSlot", std::to_string(slot).c_str());
        return app_->Invoke("DeleteToken");
    }

    // A store knows a certificate by issuer and serial number: each one is unique.
    long serial_ = 1000;
    std::map<std::string, std::vector<uint8_t>> made_;
};

TEST_F(PropagationTest, TokenCertificatesAreInMyWhileTheTokenIsThere) {
    std::optional<CertStore> my = OpenUserStore("MY");
    ASSERT_TRUE(my);
    ASSERT_TRUE(my->Add(MakeDer({"Mine", "Test CA", "", "20301231235959Z", 101})));
    const int first = AddToken("First", {"Alice", "Bob"});
    const int second = AddToken("Second", {"Carol"});
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice", "Bob", "Carol", "Mine"}));

    // A certificate deleted from its token leaves the store.
    Script({"pin " + std::string(kPassword)});
    app_->SetProperty("ActiveSlot", std::to_string(first).c_str());
    app_->SetProperty("Certificate", Base64Encode(made_["Bob"]).c_str());
    ASSERT_EQ(app_->Invoke("DeleteCertificate"), 0);
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice", "Carol", "Mine"}));

    // A token removed behind the module's back is noticed at the next look.
    ASSERT_EQ(::unlink((TokenFolder() + "Second.tkn").c_str()), 0);
    app_.reset();
    app_ = Start();
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice", "Mine"}));
    ASSERT_EQ(DeleteToken(first), 0);
    // What the user put there himself stays.
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Mine"}));
}

TEST_F(PropagationTest, ATokenRemovedByAnotherProcessIsNoticedWithTheSlotEvent) {
    const int slot = AddToken("Leaving", {"Alice", "Bob"});
    ASSERT_GT(slot, 0);
    EXPECT_EQ(*Get("HaveSlotEvent"), "true");
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice", "Bob"}));
    ASSERT_EQ(::unlink((TokenFolder() + "Leaving.tkn").c_str()), 0);
    EXPECT_EQ(*Get("HaveSlotEvent"), "true");
    EXPECT_TRUE(MySubjects().empty());
    EXPECT_FALSE(PathExists(TokenFolder() + "my-store.idx"));
}

TEST_F(PropagationTest, AStartWithNothingChangedWritesNothing) {
    ASSERT_GT(AddToken("Still", {"Alice"}), 0);
    // Files are replaced by renaming a new one over them: a write changes the inode.
    auto inode = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
    };
    const std::string manifest = TokenFolder() + "my-store.idx";
    const ino_t before = inode(manifest);
    ASSERT_NE(before, 0u);
    app_.reset();
    app_ = Start();
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice"}));
    EXPECT_EQ(inode(manifest), before);
}

TEST_F(PropagationTest, ACertificateTakenOutOfMyComesBackAtTheNextStart) {
    ASSERT_GT(AddToken("Back", {"Alice", "Bob"}), 0);
    app_.reset();
    app_ = Start();  // a start with nothing changed
    std::optional<CertStore> my = OpenUserStore("MY");
    ASSERT_TRUE(my);
    ASSERT_TRUE(my->Remove(made_["Bob"]));
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice"}));
    app_.reset();
    app_ = Start();
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice", "Bob"}));
}

TEST_F(PropagationTest, KeptWhenTheUserSaysSoAndNothingWhenSwitchedOff) {
    ASSERT_EQ(ConfigWriteInt("CSP", "KeepCertificates", 1), kConfigOk);
    const int kept = AddToken("Kept", {"Alice"});
    ASSERT_GT(kept, 0);
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice"}));
    ASSERT_EQ(DeleteToken(kept), 0);
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice"}));

    ASSERT_EQ(ConfigWriteInt("CSP", "Enable", 0), kConfigOk);
    ASSERT_GT(AddToken("Off", {"Bob"}), 0);
    EXPECT_EQ(MySubjects(), (std::vector<std::string>{"Alice"}));
}

TEST_F(ModuleTest, UpdateOpensTheConfiguredLinkWithTheDesktopOpener) {
    EXPECT_EQ(app_->Invoke("Update"), 84);  // no link set
    const std::string bin = *env_ / "fakebin";
    ::mkdir(bin.c_str(), 0700);
    const std::string opened = *env_ / "opened.txt";
    WriteFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + opened + ".new'\nmv '" +
                                     opened + ".new' '" + opened + "'\n");
    ::chmod((bin + "/xdg-open").c_str(), 0700);
    ScopedEnv path("PATH", (bin + ":" + std::string(getenv("PATH"))).c_str());
    ASSERT_EQ(ConfigWriteString("Links", "Update", "https://updates.example/orvex?v=4"), kConfigOk);
    ASSERT_EQ(app_->Invoke("Update"), 0);
    for (int i = 0; i < 200 && !PathExists(opened); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFile(opened), "https://updates.example/orvex?v=4");
}

}  // namespace
}  // namespace orx::testing
