#include "token/token_application.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/trace.h"
#include "fake_plugin_fixture.h"
#include "token/slot_ids.h"

namespace orx {
namespace {

using orx::testing::FakePluginFolder;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;

// A window layer that writes what it is asked to do into the fake's call record,
// so that cursor and repaint show up in order with the plug-in calls.
class RecordingHost : public TokenWindowHost {
  public:
    RecordingHost(FakePluginFolder& fake, PluginWindow window) : fake_(fake), window_(window) {}
    void BeginWaitCursor() override { fake_.Mark("cursor wait"); }
    void EndWaitCursor() override { fake_.Mark("cursor restored"); }
    PluginWindow GetMainWindow() override { return window_; }
    void RepaintMainWindowNow() override { fake_.Mark("repaint"); }

  private:
    FakePluginFolder& fake_;
    PluginWindow window_;
};

class TokenApplicationTest : public ::testing::Test {
  protected:
    void SetUp() override { TraceSetFile(env_ / "trace.txt"); }

    // Starts the application once the test has written the fake's answers.
    void Start() {
        ASSERT_EQ(app_.Initialize(0, 0, 0, 0), kPluginOk);
        fake_.ClearCalls();
    }

    orx::testing::IsolatedEnvironment env_;
    FakePluginFolder fake_{env_};
    TokenApplication app_;
};

TEST_F(TokenApplicationTest, InvokeWrapsTheOperationInParentResetAndActiveSlot) {
    fake_.AnswerGet("ActiveSlot", "5");
    fake_.AnswerInvoke("ChangePassword", 0xA0);
    Start();
    RecordingHost host(fake_, 77);
    app_.SetWindowHost(&host);
    EXPECT_EQ(app_.Invoke("ChangePassword"), 0xA0);
    EXPECT_THAT(fake_.Calls(),
                ElementsAre("cursor wait", "PlgSetParentWnd\t77", "PlgInvoke\tChangePassword",
                            "PlgSetParentWnd\t0", "PlgGetProperty\tActiveSlot", "PlgInvoke\tReset",
                            "PlgSetProperty\tActiveSlot\t5", "cursor restored"));
    app_.SetWindowHost(nullptr);
}

TEST_F(TokenApplicationTest, InvokeWithoutWindowHasNoParentAndNoCursor) {
    Start();
    EXPECT_EQ(app_.Invoke("Refresh"), 0);
    // No slot known: nothing to restore.
    EXPECT_THAT(fake_.Calls(),
                ElementsAre("PlgSetParentWnd\t0", "PlgInvoke\tRefresh", "PlgSetParentWnd\t0",
                            "PlgGetProperty\tActiveSlot", "PlgInvoke\tReset"));
}

TEST_F(TokenApplicationTest, FileOperationsInAnyCaseAreNotFollowedByReset) {
    fake_.AnswerGet("ActiveSlot", "4");
    fake_.AnswerInvoke("sIGN", 6);
    Start();
    for (const char* operation : {"sIGN", "Verify", "ENCRYPT", "decrypt"}) {
        fake_.ClearCalls();
        const int result = app_.InvokeWithParent(12, operation);
        EXPECT_EQ(result, std::string(operation) == "sIGN" ? 6 : 0);
        EXPECT_THAT(fake_.Calls(),
                    ElementsAre("PlgSetParentWnd\t12", std::string("PlgInvoke\t") + operation,
                                "PlgSetParentWnd\t0"));
    }
}

TEST_F(TokenApplicationTest, ReloadThroughTheWrapperResetsTheNewModule) {
    fake_.AnswerGet("ActiveSlot", "101");
    Start();
    EXPECT_EQ(app_.Invoke("Reload"), 0);
    EXPECT_THAT(fake_.Calls(),
                ElementsAre("PlgSetParentWnd\t0", "PlgFinalize", "PlgInitialize\t0\t0\t0\t0",
                            "PlgSetParentWnd\t0", "PlgGetProperty\tActiveSlot", "PlgInvoke\tReset",
                            "PlgSetProperty\tActiveSlot\t101"));
}

TEST_F(TokenApplicationTest, EmptyAnswersAreAbsent) {
    fake_.AnswerGet("Version", "");
    fake_.AnswerGet("Serial", "0");
    fake_.AnswerEnum("Token", 0, "");
    fake_.AnswerEnum("Token", 1, "100;Soft");
    Start();
    EXPECT_EQ(app_.GetProperty("Version"), nullptr);
    EXPECT_EQ(app_.GetProperty("Missing"), nullptr);
    EXPECT_STREQ(app_.GetProperty("Serial"), "0");
    EXPECT_EQ(app_.EnumProperty("Token", "0"), nullptr);
    EXPECT_STREQ(app_.EnumProperty("Token", "1"), "100;Soft");
    EXPECT_EQ(app_.GetPropertyString("Version"), std::nullopt);
    EXPECT_EQ(app_.EnumPropertyString("Token", 1), "100;Soft");
    EXPECT_EQ(app_.EnumPropertyString("Token", 2), std::nullopt);
}

TEST_F(TokenApplicationTest, SetActiveSlotSkipsNoSlotAndNoToken) {
    Start();
    EXPECT_FALSE(app_.SetActiveSlot(0));
    EXPECT_TRUE(app_.SetActiveSlot(-1));
    EXPECT_THAT(fake_.Calls(), IsEmpty());
    EXPECT_TRUE(app_.SetActiveSlot(104));
    EXPECT_THAT(fake_.Calls(), ElementsAre("PlgSetProperty\tActiveSlot\t104"));
}

struct ActiveSlotCase {
    const char* title;
    int32_t cached;
    const char* label;
    bool fresh;
    const char* activeSlot;  // the module's "ActiveSlot", nullptr for absent
    int32_t expected;
    bool enumerates;  // whether the "Slot" enumeration is read
};

class ActiveSlotTest : public TokenApplicationTest,
                       public ::testing::WithParamInterface<ActiveSlotCase> {};

TEST_P(ActiveSlotTest, FollowsCacheLabelAndModule) {
    const ActiveSlotCase& c = GetParam();
    fake_.AnswerEnum("Slot", 0, "1;Alice;Reader A");
    fake_.AnswerEnum("Slot", 1, "4;Bob;Reader B");
    fake_.AnswerEnum("Slot", 2, "7;" + std::string(70, 'L') + ";Reader C");
    fake_.AnswerEnum("Slot", 4, "10;Late;never reached past the gap");
    if (c.activeSlot != nullptr)
        fake_.AnswerGet("ActiveSlot", c.activeSlot);
    Start();
    app_.SetCachedSlotId(c.cached);
    app_.SetPendingSlotLabel(c.label);
    EXPECT_EQ(app_.GetActiveSlot(c.fresh), c.expected);
    EXPECT_EQ(app_.GetCachedSlotId(), c.expected);
    const std::vector<std::string> calls = fake_.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "PlgEnumProperty\tSlot\t0"),
              c.enumerates ? 1 : 0);
    if (c.enumerates) {
        EXPECT_EQ(app_.GetPendingSlotLabel(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ActiveSlotTest,
    ::testing::Values(ActiveSlotCase{"LabelFindsItsSlot", 3, "Bob", false, "1", 4, true},
                      ActiveSlotCase{"LabelComparesCaseSensitively", 3, "bob", false, "1", 3, true},
                      ActiveSlotCase{"UnknownLabelKeepsCachedId", 3, "Carol", false, "1", 3, true},
                      ActiveSlotCase{"EntriesAfterAGapAreNotRead", 3, "Late", false, nullptr, 3,
                                     true},
                      ActiveSlotCase{"LabelIsComparedWithTheFieldCutTo64", 3,
                                     "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL"
                                     "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL",
                                     false, nullptr, 7, true},
                      ActiveSlotCase{"CachedIdWithoutLabelIsKept", 3, "", false, "1", 3, false},
                      ActiveSlotCase{"NoCachedIdIgnoresTheLabel", 0, "Bob", false, "9", 9, false},
                      ActiveSlotCase{"FreshAsksTheModule", 3, "Bob", true, "9", 9, false},
                      ActiveSlotCase{"FreshKeepsCacheWhenAbsent", 3, "", true, nullptr, 3, false},
                      ActiveSlotCase{"NonNumericReadsAsZero", 0, "", true, "card", 0, false}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(TokenApplicationTest, PendingLabelIsLookedUpOnlyOnce) {
    fake_.AnswerEnum("Slot", 0, "4;Bob;Reader B");
    fake_.AnswerGet("ActiveSlot", "1");
    Start();
    app_.SetCachedSlotId(3);
    app_.SetPendingSlotLabel("Bob");
    EXPECT_EQ(app_.GetActiveSlot(false), 4);
    EXPECT_EQ(app_.GetActiveSlot(false), 4);
    const std::vector<std::string> calls = fake_.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "PlgEnumProperty\tSlot\t0"), 1);
    EXPECT_THAT(calls, Not(Contains("PlgGetProperty\tActiveSlot")));
}

TEST_F(TokenApplicationTest, PendingLabelKeepsAtMost64Bytes) {
    app_.SetPendingSlotLabel(std::string(64, 'a') + "bc");
    EXPECT_EQ(app_.GetPendingSlotLabel(), std::string(64, 'a'));
    // A two-byte character that would straddle the cut is left out whole.
    app_.SetPendingSlotLabel(std::string(63, 'a') + "\xC3\xA9");
    EXPECT_EQ(app_.GetPendingSlotLabel(), std::string(63, 'a'));
}

TEST_F(TokenApplicationTest, LoggedInOnlyForExactlyTrue) {
    for (const auto& [answer, expected] : std::vector<std::pair<const char*, bool>>{
             {"true", true}, {"TRUE", false}, {"1", false}, {nullptr, false}}) {
        orx::testing::WriteFile(fake_.controlFolder() + "/answers", "");
        if (answer != nullptr)
            fake_.AnswerGet("LoggedIn", answer);
        app_.Finalize();
        ASSERT_EQ(app_.Initialize(0, 0, 0, 0), kPluginOk);
        EXPECT_EQ(app_.IsLoggedIn(), expected) << (answer ? answer : "absent");
    }
}

TEST_F(TokenApplicationTest, LoginInvokesAndRepaintsTheWindow) {
    fake_.AnswerInvoke("Login", 0xA0);
    Start();
    RecordingHost host(fake_, 5);
    app_.SetWindowHost(&host);
    EXPECT_EQ(app_.Login(), 0xA0);
    const std::vector<std::string> calls = fake_.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "repaint");
    EXPECT_THAT(calls, Contains("PlgInvoke\tLogin"));
    EXPECT_THAT(calls, Contains("PlgSetParentWnd\t5"));
    app_.SetWindowHost(nullptr);
}

struct BytesCase {
    const char* title;
    const char* name;
    std::string bytes;
    const char* sent;  // what the module receives, nullptr for no call
};

class SetPropertyBytesTest : public TokenApplicationTest,
                             public ::testing::WithParamInterface<BytesCase> {};

TEST_P(SetPropertyBytesTest, SendsTextOrBase64) {
    Start();
    const BytesCase& c = GetParam();
    app_.SetPropertyBytes(
        c.name, std::span(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()));
    if (c.sent == nullptr) {
        EXPECT_THAT(fake_.Calls(), IsEmpty());
    } else {
        EXPECT_THAT(fake_.Calls(),
                    ElementsAre(std::string("PlgSetProperty\t") + c.name + "\t" + c.sent));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetPropertyBytesTest,
    ::testing::Values(
        BytesCase{"PemCertificateAsText", "Certificate", "-----BEGIN CERTIFICATE-----",
                  "-----BEGIN CERTIFICATE-----"},
        BytesCase{"Base64CertificateAsText", "certificate", "MIIBzz==", "MIIBzz=="},
        BytesCase{"DerCertificateAsBase64", "Certificate", std::string("\x30\x82\x01", 3), "MIIB"},
        BytesCase{"DerWithNulBytes", "Certificate", std::string("\x30\x00\x00\x01", 4), "MAAAAQ=="},
        BytesCase{"MimeHeaderAloneIsBase64", "Data", "MIME-Version:", "TUlNRS1WZXJzaW9uOg=="},
        BytesCase{"MimeTextAsText", "DATA", "mime-version: 1.0", "mime-version: 1.0"},
        BytesCase{"OtherDataAsBase64", "Data", "hello", "aGVsbG8="},
        BytesCase{"OtherNamesAlwaysBase64", "TokenData", "MIME-Version: 1.0",
                  "TUlNRS1WZXJzaW9uOiAxLjA="},
        BytesCase{"NothingForNoBytes", "Data", "", nullptr}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(TokenApplicationTest, ConfigNamesCarryTheirScope) {
    Start();
    app_.ConfigSetString(true, "Links", "Help", "https://help.example/");
    app_.ConfigSetString(false, "Language", "Current", "");
    app_.ConfigSetInt(true, "Smart Card Reader", "LockTimeout", -5);
    app_.ConfigSetInt(false, "CSP", "Enable", 1);
    EXPECT_THAT(fake_.Calls(),
                ElementsAre("PlgSetProperty\tConfigLocal:Links:Help\thttps://help.example/",
                            "PlgSetProperty\tConfigGlobal:Language:Current\t",
                            "PlgSetProperty\tConfigLocal:Smart Card Reader:LockTimeout\t-5",
                            "PlgSetProperty\tConfigGlobal:CSP:Enable\t1"));
}

TEST_F(TokenApplicationTest, ConfigReadsNeedRoomForTheWholeValue) {
    fake_.AnswerGet("Config:Links:Help", "abcd");
    fake_.AnswerGet("ConfigGlobal:Links:Help", "xyz");
    fake_.AnswerGet("Config:CSP:Enable", "");
    Start();
    std::string value = "untouched";
    EXPECT_EQ(app_.ConfigGetString(true, "Links", "Help", value, 4), 0);
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(app_.ConfigGetString(true, "Links", "Help", value, 5), 1);
    EXPECT_EQ(value, "abcd");
    EXPECT_EQ(app_.ConfigGetString(false, "Links", "Help", value, 4), 1);
    EXPECT_EQ(value, "xyz");
    EXPECT_EQ(app_.ConfigGetString(true, "CSP", "Enable", value, 256), 0);
    EXPECT_EQ(app_.ConfigGetString(true, "GINA", "Enable", value, 256), 0);
}

TEST_F(TokenApplicationTest, ConfigIntegersReadLikeAtoi) {
    fake_.AnswerGet("Config:CSP:Enable", "42abc");
    fake_.AnswerGet("Config:CSP:OverWrite", "yes");
    fake_.AnswerGet("Config:CSP:KeepCertificates", "123456789012345");  // 15 characters
    fake_.AnswerGet("Config:CSP:DisableSilent", "1234567890123456");    // 16 characters
    Start();
    int32_t value = -7;
    EXPECT_EQ(app_.ConfigGetInt(true, "CSP", "Enable", value), 1);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(app_.ConfigGetInt(true, "CSP", "OverWrite", value), 1);
    EXPECT_EQ(value, 0);
    value = -7;
    EXPECT_EQ(app_.ConfigGetInt(true, "CSP", "KeepCertificates", value), 1);
    EXPECT_NE(value, -7);
    value = -7;
    EXPECT_EQ(app_.ConfigGetInt(true, "CSP", "DisableSilent", value), 0);
    EXPECT_EQ(app_.ConfigGetInt(true, "CSP", "Missing", value), 0);
    EXPECT_EQ(value, -7);
}

// Counts the lock per thread through the overridable pair, to see every wrapper
// release what it took and InvokeWithParent re-enter it on its own thread.
class CountingApplication : public TokenApplication {
  public:
    void LockPlugin() override {
        TokenApplication::LockPlugin();
        ++depth_;
        if (depth_ > deepest_)
            deepest_ = depth_;
    }
    void UnlockPlugin() override {
        --depth_;
        TokenApplication::UnlockPlugin();
    }
    int depth() const { return depth_; }
    int deepest() const { return deepest_; }
    void ResetDeepest() { deepest_ = 0; }

  private:
    int depth_ = 0;  // only ever changed while the lock is held
    int deepest_ = 0;
};

TEST_F(TokenApplicationTest, EveryWrapperReleasesTheLockItTakes) {
    fake_.AnswerGet("ActiveSlot", "2");
    fake_.AnswerEnum("Slot", 0, "2;Card");
    fake_.AnswerEnum("Certificate", 0, "2;a;b;c;MAA=");
    CountingApplication app;
    ASSERT_EQ(app.Initialize(0, 0, 0, 0), kPluginOk);
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"GetProperty", [&] { app.GetProperty("Version"); }},
        {"EnumProperty", [&] { app.EnumProperty("Slot", "0"); }},
        {"SetProperty", [&] { app.SetProperty("Trace", ""); }},
        {"PostURL", [&] { app.SetProperty("PostURL", "https://x.example/"); }},
        {"Invoke", [&] { app.Invoke("Refresh"); }},
        {"InvokeSign", [&] { app.InvokeWithParent(0, "Sign"); }},
        {"GetActiveSlot", [&] { app.GetActiveSlot(false); }},
        {"ConfigGetInt",
         [&] {
             int32_t v = 0;
             app.ConfigGetInt(true, "CSP", "Enable", v);
         }},
        {"IsLoggedIn", [&] { app.IsLoggedIn(); }},
        {"ReadCertificateAt", [&] { app.ReadCertificateAt(0, 255, true); }},
    };
    for (const auto& [title, step] : steps) {
        app.ResetDeepest();
        step();
        EXPECT_EQ(app.depth(), 0) << title;
        EXPECT_GE(app.deepest(), 1) << title;
    }
    // The nested calls of these take the lock again on the same thread.
    for (const auto& [title, step] : std::vector<std::pair<const char*, std::function<void()>>>{
             {"Invoke", [&] { app.Invoke("About"); }},
             {"PostURL", [&] {
                  app.Finalize();
                  ASSERT_EQ(app.Initialize(0, 0, 0, 0), kPluginOk);
                  app.SetProperty("PostURL", "https://x.example/");
              }}}) {
        app.ResetDeepest();
        step();
        EXPECT_GE(app.deepest(), 2) << title;
        EXPECT_EQ(app.depth(), 0) << title;
    }
}

TEST_F(TokenApplicationTest, StartPluginSendsTheConfiguredTraceFileOrNone) {
    for (const char* file : {"", "/var/tmp/orx-trace.txt"}) {
        orx::testing::WriteFile(env_.userConfigPath(), std::string("[Trace]\nFile=") + file + "\n");
        app_.Finalize();
        fake_.ClearCalls();
        app_.StartPlugin();
        EXPECT_TRUE(app_.IsInitialized());
        EXPECT_THAT(fake_.Calls(), ElementsAre("PlgInitialize\t0\t0\t0\t0",
                                               std::string("PlgSetProperty\tTrace\t") + file));
    }
}

TEST(TokenApplicationStartTest, WithoutModuleTheProgramGoesOn) {
    orx::testing::IsolatedEnvironment env;
    FakePluginFolder empty(env, nullptr);
    TraceSetFile(env / "trace.txt");
    TokenApplication app;
    app.StartPlugin();
    EXPECT_FALSE(app.IsInitialized());
    EXPECT_EQ(app.GetPropertyString("Version"), std::nullopt);
    EXPECT_EQ(app.Invoke("Login"), kPluginFailed);
    EXPECT_EQ(app.Invoke("ChangePassword"), kPluginFailed);
    EXPECT_EQ(orx::testing::CountTraceLines(env / "trace.txt",
                                            "Web - Failed to load admin module 'orx.so'"),
              1);
}

TEST(SlotGroupTest, CardSlotsGroupByThreeSoftTokensStandAlone) {
    const std::map<int32_t, int32_t> bases = {{1, 1},     {2, 1},    {3, 1},   {4, 4},
                                              {6, 4},     {97, 97},  {99, 97}, {100, 100},
                                              {101, 101}, {250, 250}};
    for (const auto& [id, base] : bases)
        EXPECT_EQ(SlotGroupBase(id), base) << id;
}

}  // namespace
}  // namespace orx
