#include "token/plugin_binding.h"

#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/trace.h"
#include "fake_plugin_fixture.h"

namespace orx {
namespace {

using orx::testing::CountTraceLines;
using orx::testing::FakePluginFolder;
using orx::testing::TraceMessages;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class PluginBindingTest : public ::testing::Test {
  protected:
    void SetUp() override { TraceSetFile(traceFile()); }
    std::string traceFile() const { return env_ / "trace.txt"; }

    orx::testing::IsolatedEnvironment env_;
};

TEST_F(PluginBindingTest, InitializeOpensTheContextWithTheGivenValues) {
    FakePluginFolder fake(env_);
    PluginBinding binding;
    EXPECT_EQ(binding.Initialize(1, 2, 3, 4), kPluginOk);
    EXPECT_TRUE(binding.IsInitialized());
    EXPECT_THAT(fake.Calls(), ElementsAre("PlgInitialize\t1\t2\t3\t4"));
    EXPECT_THAT(TraceMessages(traceFile()),
                ElementsAre("Web - Initialize ...", "Web - Load ...", "Web - Load OK",
                            "Web - Library loaded", "Web - Initialize ... OK"));
}

TEST_F(PluginBindingTest, DestructionFinalizesTheContextAndUnloads) {
    FakePluginFolder fake(env_);
    {
        PluginBinding binding;
        ASSERT_EQ(binding.Initialize(0, 0, 0, 0), kPluginOk);
        fake.ClearCalls();
    }
    EXPECT_THAT(fake.Calls(), ElementsAre("PlgFinalize"));
    EXPECT_EQ(CountTraceLines(traceFile(), "Web - Finalize ... done"), 1);
    EXPECT_EQ(CountTraceLines(traceFile(), "Web - Release done"), 1);
}

TEST_F(PluginBindingTest, MissingModuleAnswersNothingAndTracesTheFailureOnce) {
    FakePluginFolder fake(env_, nullptr);
    PluginBinding binding;
    EXPECT_EQ(binding.Initialize(0, 0, 0, 0), kPluginFailed);
    EXPECT_FALSE(binding.IsLoaded());
    for (const char* name : {"Version", "ActiveSlot", "Token"}) {
        EXPECT_EQ(binding.GetProperty(name), nullptr);
        EXPECT_EQ(binding.EnumProperty(name, "0"), nullptr);
    }
    for (const char* operation : {"Login", "Reset", "Reload", "RELOAD", "Sign"}) {
        EXPECT_EQ(binding.Invoke(operation), kPluginFailed) << operation;
    }
    binding.SetProperty("PostURL", "https://example.org/");
    binding.SetParentWnd(42);
    binding.Clear();
    EXPECT_EQ(CountTraceLines(traceFile(), "Web - Failed to load admin module 'orx.so'"), 1);
    const std::vector<std::string> messages = TraceMessages(traceFile());
    ASSERT_GE(messages.size(), 6u);
    EXPECT_THAT(std::vector<std::string>(messages.begin(), messages.begin() + 6),
                ElementsAre("Web - Initialize ...", "Web - Load ...",
                            "Web - Failed to load admin module 'orx.so'", "Web - Load FAILED",
                            "Web - Failed to load library", "Web - Initialize ... FAILED"));
    EXPECT_THAT(messages, Contains("Web - Invoke Reload ... (1)"));
    EXPECT_THAT(messages, Contains("Web - SetProperty 'PostURL' ... done"));
}

// Any one export missing refuses the whole module, PlgClear included although the
// program never calls it.
class IncompleteModuleTest : public PluginBindingTest,
                             public ::testing::WithParamInterface<const char*> {};

TEST_P(IncompleteModuleTest, IsRefusedAndUnloaded) {
    FakePluginFolder fake(env_, GetParam());
    PluginBinding binding;
    EXPECT_EQ(binding.Initialize(0, 0, 0, 0), kPluginFailed);
    EXPECT_FALSE(binding.IsLoaded());
    EXPECT_FALSE(binding.IsInitialized());
    EXPECT_THAT(fake.Calls(), IsEmpty());  // PlgInitialize never ran
    EXPECT_EQ(
        CountTraceLines(traceFile(), "Web - Failed to get procedure addresses for module 'orx.so'"),
        1);
    EXPECT_EQ(CountTraceLines(traceFile(), "Web - Release done"), 1);
    EXPECT_EQ(CountTraceLines(traceFile(), "Web - Load FAILED"), 1);
}

INSTANTIATE_TEST_SUITE_P(Variants, IncompleteModuleTest,
                         ::testing::Values(orx::testing::kFakeWithoutClear,
                                           orx::testing::kFakeWithoutEnum));

TEST_F(PluginBindingTest, FailedInitializationKeepsTheModuleButNoContext) {
    FakePluginFolder fake(env_, orx::testing::kFakeInitFails);
    PluginBinding binding;
    EXPECT_EQ(binding.Initialize(0, 0, 0, 0), kPluginFailed);
    EXPECT_TRUE(binding.IsLoaded());
    EXPECT_FALSE(binding.IsInitialized());
    EXPECT_EQ(binding.GetProperty("Version"), nullptr);
    EXPECT_EQ(binding.Invoke("Login"), kPluginFailed);
    binding.SetProperty("Trace", "");
    EXPECT_THAT(fake.Calls(), ElementsAre("PlgInitialize\t0\t0\t0\t0"));
    // A second start fails at loading until the module has been released.
    EXPECT_EQ(binding.Initialize(0, 0, 0, 0), kPluginFailed);
    EXPECT_EQ(fake.Calls().size(), 1u);
    EXPECT_EQ(CountTraceLines(traceFile(), "Web - Load FAILED"), 1);
    binding.Release();
    fake.ClearCalls();
    EXPECT_EQ(binding.Initialize(0, 0, 0, 0), kPluginFailed);
    EXPECT_THAT(fake.Calls(), ElementsAre("PlgInitialize\t0\t0\t0\t0"));
}

TEST_F(PluginBindingTest, ForwardsCallsWithTheirArguments) {
    FakePluginFolder fake(env_);
    fake.AnswerGet("Version", "4.2");
    fake.AnswerEnum("Token", 0, "100;Soft");
    fake.AnswerInvoke("Login", 0xA0);
    PluginBinding binding;
    ASSERT_EQ(binding.Initialize(0, 0, 0, 0), kPluginOk);
    fake.ClearCalls();
    EXPECT_STREQ(binding.GetProperty("Version"), "4.2");
    EXPECT_STREQ(binding.EnumProperty("Token", "0"), "100;Soft");
    EXPECT_EQ(binding.EnumProperty("Token", "1"), nullptr);
    EXPECT_EQ(binding.Invoke("Login"), 0xA0);
    binding.SetParentWnd(0x1234);
    binding.Clear();
    binding.SetProperty("Data", nullptr);
    EXPECT_THAT(fake.Calls(),
                ElementsAre("PlgGetProperty\tVersion", "PlgEnumProperty\tToken\t0",
                            "PlgEnumProperty\tToken\t1", "PlgInvoke\tLogin",
                            "PlgSetParentWnd\t4660", "PlgClear", "PlgSetProperty\tData\t<null>"));
    const std::vector<std::string> messages = TraceMessages(traceFile());
    EXPECT_THAT(messages, Contains("Web - GetProperty 'Version' ..."));
    EXPECT_THAT(messages, Contains("Web - GetProperty 'Version' ... done"));
    EXPECT_THAT(messages, Contains("Web - EnumProperty 'Token' ... done"));
    EXPECT_THAT(messages, Contains("Web - Invoke Login ... (160)"));
    EXPECT_THAT(messages, Contains("Web - SetParentWnd"));
    EXPECT_THAT(messages, Contains("Web - Clear"));
}

TEST_F(PluginBindingTest, ReloadInAnyCaseReloadsTheModuleWithTheKeptValues) {
    FakePluginFolder fake(env_);
    PluginBinding binding;
    ASSERT_EQ(binding.Initialize(7, 0, 0, 9), kPluginOk);
    binding.SetProperty("Type", "text/plain");
    binding.SetProperty("DirectActivation", "Verify");
    for (const char* operation : {"Reload", "reLOAD"}) {
        fake.ClearCalls();
        EXPECT_EQ(binding.Invoke(operation), kPluginOk);
        EXPECT_THAT(fake.Calls(), ElementsAre("PlgFinalize", "PlgInitialize\t7\t0\t0\t9"));
        EXPECT_TRUE(binding.IsInitialized());
        EXPECT_EQ(binding.GetDirectActivation(), nullptr);  // freed by the finalisation
    }
    EXPECT_EQ(CountTraceLines(traceFile(), "Web - Reinitialize"), 2);
}

TEST_F(PluginBindingTest, ReloadThatCannotInitializeAgainAnswersOne) {
    FakePluginFolder fake(env_);
    PluginBinding binding;
    ASSERT_EQ(binding.Initialize(0, 0, 0, 0), kPluginOk);
    fake.AddAnswer("initialize\t0");
    EXPECT_EQ(binding.Invoke("Reload"), kPluginFailed);
    EXPECT_FALSE(binding.IsInitialized());
    EXPECT_EQ(binding.Invoke("Reload"), kPluginFailed);  // no context: not acted on
    EXPECT_THAT(fake.Calls(), Not(Contains("PlgInvoke\tReload")));
}

// The rules for "Type", "PostURL" and "DirectActivation": each step sets one
// property and names what the module must have received for it.
struct PropertyStep {
    const char* name;
    const char* value;
    std::vector<std::string> sent;
};

struct PropertyCase {
    const char* title;
    std::vector<PropertyStep> steps;
    const char* stored;  // the direct activation kept at the end, nullptr for none
};

class PropertyRuleTest : public PluginBindingTest,
                         public ::testing::WithParamInterface<PropertyCase> {};

TEST_P(PropertyRuleTest, SendsWhatTheRulesSay) {
    FakePluginFolder fake(env_);
    PluginBinding binding;
    ASSERT_EQ(binding.Initialize(0, 0, 0, 0), kPluginOk);
    for (const PropertyStep& step : GetParam().steps) {
        fake.ClearCalls();
        binding.SetProperty(step.name, step.value);
        EXPECT_EQ(fake.Calls(), step.sent) << step.name << "=" << (step.value ? step.value : "");
    }
    if (GetParam().stored == nullptr) {
        EXPECT_EQ(binding.GetDirectActivation(), nullptr);
    } else {
        EXPECT_STREQ(binding.GetDirectActivation(), GetParam().stored);
    }
}

const char* const kSetPost = "PlgSetProperty\tPostURL\thttps://x.example/p";
const char* const kSetSign = "PlgSetProperty\tDirectActivation\tSign";

INSTANTIATE_TEST_SUITE_P(
    Rules, PropertyRuleTest,
    ::testing::Values(
        PropertyCase{"PostUrlForcesSignFirst",
                     {{"PostURL", "https://x.example/p", {kSetSign, kSetPost}}},
                     "Sign"},
        PropertyCase{
            "EmptyPostUrlForcesNothing", {{"posturl", "", {"PlgSetProperty\tposturl\t"}}}, nullptr},
        PropertyCase{"PostUrlKeepsAStoredActivation",
                     {{"DirectActivation", "Verify", {"PlgSetProperty\tDirectActivation\tVerify"}},
                      {"PostURL", "https://x.example/p", {kSetPost}}},
                     "Verify"},
        PropertyCase{"YesInAnyCaseIsSign", {{"DirectActivation", "YeS", {kSetSign}}}, "Sign"},
        PropertyCase{
            "TrueAndOneAreSign",
            {{"DirectActivation", "TRUE", {kSetSign}}, {"DirectActivation", "1", {kSetSign}}},
            "Sign"},
        PropertyCase{"ZeroIsSentAsNoneAndKeepsTheStoredCopy",
                     {{"DirectActivation", "Verify", {"PlgSetProperty\tDirectActivation\tVerify"}},
                      {"DirectActivation", "0", {"PlgSetProperty\tDirectActivation\t<null>"}},
                      {"DirectActivation", "No", {"PlgSetProperty\tDirectActivation\t<null>"}}},
                     "Verify"},
        PropertyCase{"TextToSignTypeSilencesDirectActivation",
                     {{"Type",
                       "text/plain;TEXT/X-Text-To-Sign",
                       {"PlgSetProperty\tType\ttext/plain;TEXT/X-Text-To-Sign"}},
                      {"DirectActivation", "Verify", {}},
                      {"PostURL", "https://x.example/p", {kSetPost}}},
                     nullptr},
        PropertyCase{"AnotherTypeChangesNothing",
                     {{"Type", "text/plain", {"PlgSetProperty\tType\ttext/plain"}},
                      {"DirectActivation", "Verify", {"PlgSetProperty\tDirectActivation\tVerify"}}},
                     "Verify"},
        PropertyCase{"NoneValueSkipsTheRules",
                     {{"PostURL", nullptr, {"PlgSetProperty\tPostURL\t<null>"}},
                      {"DirectActivation", nullptr, {"PlgSetProperty\tDirectActivation\t<null>"}}},
                     nullptr}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(PluginBindingTest, IgnoredDirectActivationIsTraced) {
    FakePluginFolder fake(env_);
    PluginBinding binding;
    ASSERT_EQ(binding.Initialize(0, 0, 0, 0), kPluginOk);
    binding.SetProperty("Type", "text/x-text-to-sign");
    binding.SetProperty("DirectActivation", "Sign");
    const std::vector<std::string> messages = TraceMessages(traceFile());
    ASSERT_GE(messages.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(messages.end() - 3, messages.end()),
                ElementsAre("Web - SetProperty 'DirectActivation' ...", "Web - Ignored",
                            "Web - SetProperty 'DirectActivation' ... done"));
}

// The fakes stand for the real module only if they export what it exports, and
// nothing else: the version script must hold even a symbol marked visible.
TEST(FakeModuleTest, ExportsExactlyTheEightFunctions) {
    void* module = ::dlopen(FakePluginFolder::VariantPath(orx::testing::kCompleteFake).c_str(),
                            RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    for (const char* name : {"PlgInitialize", "PlgFinalize", "PlgClear", "PlgSetParentWnd",
                             "PlgSetProperty", "PlgGetProperty", "PlgEnumProperty", "PlgInvoke"}) {
        EXPECT_NE(::dlsym(module, name), nullptr) << name;
    }
    EXPECT_EQ(::dlsym(module, "FakePluginInternalHelper"), nullptr);
    ::dlclose(module);
}

}  // namespace
}  // namespace orx
