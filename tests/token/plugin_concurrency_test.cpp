// The plug-in lock keeps two threads out of the module at the same time, and holds
// the whole invoke sequence together. The fake module notes any overlap.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "core/trace.h"
#include "fake_plugin_fixture.h"
#include "token/token_application.h"

namespace orx {
namespace {

using orx::testing::FakePluginFolder;
using ::testing::Contains;
using ::testing::Not;

constexpr int kThreads = 4;
constexpr int kRounds = 25;

// Starts all threads together so that their calls really meet.
template <class Body>
void RunTogether(Body body) {
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < kThreads)
                std::this_thread::yield();
            body(t);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

TEST(TokenConcurrencyTest, ConcurrentWrappersNeverOverlapInsideTheModule) {
    orx::testing::IsolatedEnvironment env;
    FakePluginFolder fake(env);
    TraceSetFile(env / "trace.txt");
    fake.AnswerGet("ActiveSlot", "3");
    fake.AnswerGet("Version", "4.2");
    fake.AnswerEnum("Token", 0, "100;Soft");
    fake.AnswerGet("Config:CSP:Enable", "1");
    fake.SetDelay(200);
    TokenApplication app;
    ASSERT_EQ(app.Initialize(0, 0, 0, 0), kPluginOk);
    fake.ClearCalls();

    std::atomic<int> wrongAnswers{0};
    RunTogether([&](int t) {
        for (int round = 0; round < kRounds; ++round) {
            switch ((t + round) % 4) {
                case 0:
                    if (app.GetPropertyString("Version") != "4.2")
                        ++wrongAnswers;
                    break;
                case 1:
                    if (app.EnumPropertyString("Token", 0) != "100;Soft")
                        ++wrongAnswers;
                    break;
                case 2: {
                    int32_t value = 0;
                    if (app.ConfigGetInt(true, "CSP", "Enable", value) != 1 || value != 1) {
                        ++wrongAnswers;
                    }
                    break;
                }
                default:
                    if (app.Invoke("Refresh") != 0)
                        ++wrongAnswers;
                    break;
            }
        }
    });

    EXPECT_EQ(wrongAnswers.load(), 0);
    const std::vector<std::string> calls = fake.Calls();
    EXPECT_THAT(calls, Not(Contains("OVERLAP")));
    // Every invoke is one unbroken sequence: nobody else's call gets in between.
    int invokes = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i] != "PlgInvoke\tRefresh")
            continue;
        ++invokes;
        ASSERT_GE(i, 1u);
        ASSERT_LT(i + 4, calls.size());
        EXPECT_EQ(calls[i - 1], "PlgSetParentWnd\t0");
        EXPECT_EQ(calls[i + 1], "PlgSetParentWnd\t0");
        EXPECT_EQ(calls[i + 2], "PlgGetProperty\tActiveSlot");
        EXPECT_EQ(calls[i + 3], "PlgInvoke\tReset");
        EXPECT_EQ(calls[i + 4], "PlgSetProperty\tActiveSlot\t3");
    }
    EXPECT_EQ(invokes, kThreads * kRounds / 4);
}

// The detector itself: the binding alone holds no lock, so calls from two threads
// do meet inside the module. Without this the test above could never fail.
TEST(TokenConcurrencyTest, FakeModuleSeesOverlapOfUnserialisedCalls) {
    orx::testing::IsolatedEnvironment env;
    FakePluginFolder fake(env);
    fake.SetDelay(20000);
    PluginBinding binding;
    ASSERT_EQ(binding.Initialize(0, 0, 0, 0), kPluginOk);
    // PlgInvoke only reads the fake's answers, so the overlap itself is harmless.
    RunTogether([&](int) { binding.Invoke("Refresh"); });
    EXPECT_THAT(fake.Calls(), Contains("OVERLAP"));
}

}  // namespace
}  // namespace orx
