// The administration window over the real module: a soft token with certificates
// and both data boxes, a virtual card put into a reader and taken out while the
// window runs, and a reader that appears with Refresh. Passwords come from the
// scripted pinentry; tokens are cheap to derive.
#include <gtest/gtest.h>

#include <QTabBar>
#include <QTest>
#include <algorithm>

#include "admin_fixture.h"
#include "core/base64.h"
#include "core/os/folders.h"
#include "ui/commands.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

using Texts = std::vector<std::string>;
using testing::ScopedEnv;

constexpr const char* kPassword = "admin-pass-1";

class AdminRealModuleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string script;
        for (int i = 0; i < 20; ++i)
            script += std::string("pin ") + kPassword + "\n";
        testing::WriteFile(env_ / "pin-script", script);
    }
    void TearDown() override {
        frame_.reset();
        app_.Finalize();
    }

    void OpenWindow() {
        LoadSettings(settings_);
        if (!app_.IsInitialized())
            app_.StartPlugin();
        frame_ = std::make_unique<testing::RecordingFrame>(app_, settings_);
        ASSERT_TRUE(frame_->Create());
        frame_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_.get()));
        frame_->List()->OnTimer(kFirstPollTimer);
    }
    // A self-signed certificate made by openssl, as Base64 DER.
    std::string MakeCertificate(const std::string& name) {
        std::string file = name;
        std::replace(file.begin(), file.end(), ' ', '_');
        const std::string der = env_ / (file + ".der");
        const std::string command =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " +
            env_ / (file + ".key") + " -out " + der + " -outform DER -days 30 -subj '/CN=" + name +
            "/O=Example AB' -addext basicConstraints=critical,CA:FALSE 2>/dev/null";
        if (testing::RunCommand(command) != 0)
            return {};
        return Base64Encode(testing::ReadBytes(der));
    }
    int Invoke(const char* operation) { return app_.Invoke(operation); }
    int WriteBox(int32_t slot, bool privateBox, const std::string& blob) {
        return testing::WriteDataBox(app_, slot, privateBox, blob);
    }
    Texts Column(int column) const { return testing::ContentColumn(frame_->View(), column); }
    std::string Readers() const { return env_ / "data/orx/readers/"; }
    int Orxxctl(const std::string& arguments) {
        return testing::RunCommand(testing::BinPath("orxxctl") + " " + arguments + " 2>&1");
    }

    testing::IsolatedEnvironment env_;
    ScopedEnv pinentry_{"ORX_PINENTRY", ORX_FAKE_PINENTRY};
    ScopedEnv script_{"FAKE_PINENTRY_SCRIPT", (env_ / "pin-script").c_str()};
    ScopedEnv cheap_{"ORX_TOKEN_KDF_LOG2N", "2"};
    ScopedEnv display_{"DISPLAY", nullptr};
    TokenApplication app_;
    AdminSettings settings_;
    message_testing::ScopedMessageSink messages_;
    std::unique_ptr<testing::RecordingFrame> frame_;
};

TEST_F(AdminRealModuleTest, ASoftTokenWithItsCertificatesAndBothBoxes) {
    const std::string alice = MakeCertificate("Alice Example");
    const std::string bob = MakeCertificate("Bob Example");
    ASSERT_FALSE(alice.empty());
    app_.StartPlugin();
    app_.SetProperty("TokenLabel", "Alice");
    ASSERT_EQ(Invoke("CreateToken"), 0);
    const int32_t slot = app_.GetActiveSlot(true);
    ASSERT_GE(slot, 100);
    for (const std::string& certificate : {alice, bob}) {
        app_.SetActiveSlot(slot);
        app_.SetProperty("Certificate", certificate.c_str());
        ASSERT_EQ(Invoke("WriteCertificate"), 0);
    }
    ASSERT_EQ(WriteBox(slot, false, testing::DataBoxBlob({{"Phone", "+46 8 123"}})), 0);
    ASSERT_EQ(WriteBox(slot, true, testing::DataBoxBlob({{"PIN hint", "blue"}})), 0);
    // A new context: nobody is logged in, as after a restart.
    app_.Finalize();

    OpenWindow();
    frame_->List()->SelectSlot(slot);
    CAdminView* view = frame_->View();
    ASSERT_EQ(view->Mode(), kModeToken);
    EXPECT_EQ(view->HeaderLine(1), "Alice");
    EXPECT_EQ(view->HeaderLine(2).size(), 19u);  // the serial number "0A1B 2C3D 4E5F 6071"
    // The module's display names, subject and (self-signed) issuer alike.
    EXPECT_EQ(Column(0), (Texts{"Alice Example, Example AB", "Bob Example, Example AB"}));
    EXPECT_EQ(Column(1), Column(0));
    EXPECT_EQ(Column(2).front().size(), 10u);  // YYYY-MM-DD
    view->Tabs()->setCurrentIndex(1);
    EXPECT_EQ(Column(0), Texts{"Phone"});
    EXPECT_EQ(Column(1), Texts{"+46 8 123"});
    // The private box asks for the password first.
    view->Tabs()->setCurrentIndex(2);
    EXPECT_EQ(Column(0), Texts{"PIN hint"});
    EXPECT_EQ(Column(1), Texts{"blue"});
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(AdminRealModuleTest, ACardComesAndGoesWithinOnePollEach) {
    ASSERT_TRUE(testing::MakePath(Readers() + "Reader A"));
    const std::string card = env_ / "company.card";
    ASSERT_EQ(Orxxctl("card create " + card + " 'Company Card'"), 0);
    OpenWindow();
    ASSERT_EQ(frame_->List()->item(0)->text().toStdString(), "Reader A");
    frame_->List()->SelectSlot(1);
    CAdminView* view = frame_->View();
    EXPECT_EQ(view->Mode(), kModeNothing);
    frame_->List()->OnTimer(kPollTimer);  // whatever the start left to tell

    const struct {
        const char* step;
        int mode;
    } steps[] = {{"insert", kModeToken}, {"remove", kModeNothing}, {"insert", kModeToken}};
    for (const auto& s : steps) {
        const std::string command = std::string("card ") + s.step + " 'Reader A'" +
                                    (std::string(s.step) == "insert" ? " " + card : "");
        ASSERT_EQ(Orxxctl(command), 0) << command;
        frame_->List()->OnTimer(kPollTimer);
        EXPECT_EQ(view->Mode(), s.mode) << s.step;
        if (s.mode == kModeToken) {
            EXPECT_EQ(view->HeaderLine(1), "Company Card") << s.step;
            EXPECT_EQ(view->CurrentSlot(), 1);
        }
    }
    // The card's password menus came with it.
    EXPECT_FALSE(SubMenuAt(frame_->ActionMenu(), 1)->isEmpty());
}

TEST_F(AdminRealModuleTest, AReaderAddedAppearsAfterRefresh) {
    ASSERT_TRUE(testing::MakePath(Readers() + "Reader A"));
    OpenWindow();
    auto items = [this]() {
        Texts texts;
        for (int row = 0; row < frame_->List()->count(); ++row)
            texts.push_back(ToUtf8(frame_->List()->item(row)->text()));
        return texts;
    };
    EXPECT_EQ(items(), (Texts{"Reader A", "Orvex\nComponents"}));
    ASSERT_TRUE(testing::MakePath(Readers() + "Reader B"));
    frame_->List()->OnTimer(kPollTimer);
    EXPECT_EQ(items().size(), 2u);  // a slot event alone does not read the list again
    frame_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
    QTest::keyClick(frame_.get(), Qt::Key_F5);
    EXPECT_EQ(items(), (Texts{"Reader A", "Reader B", "Orvex\nComponents"}));
}

}  // namespace
}  // namespace orx
