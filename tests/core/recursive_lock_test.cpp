#include "core/recursive_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/thread.h"
#include "core/trace.h"
#include "support/test_environment.h"

namespace orx {
namespace {

TEST(RecursiveLockTest, ThreeTakesNeedThreeReleases) {
    RecursiveLock lock;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lock.Lock(), 0);
    EXPECT_EQ(lock.Depth(), 3u);
    EXPECT_EQ(lock.Owner(), CurrentThreadId());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lock.Unlock(), 0);
    EXPECT_EQ(lock.Owner(), 0);
    EXPECT_EQ(lock.Unlock(), RecursiveLock::kInvalid);
}

TEST(RecursiveLockTest, ClosedLockRefusesBoth) {
    RecursiveLock lock;
    EXPECT_EQ(lock.Close(), 0);
    EXPECT_EQ(lock.Close(), 0);  // not open: nothing to do
    EXPECT_EQ(lock.Lock(), RecursiveLock::kInvalid);
    EXPECT_EQ(lock.Unlock(), RecursiveLock::kInvalid);
    EXPECT_EQ(lock.Open(), 0);
    EXPECT_EQ(lock.Open(), 0);
    EXPECT_EQ(lock.Lock(), 0);
    EXPECT_EQ(lock.Unlock(), 0);
}

TEST(RecursiveLockTest, ThreadThatDoesNotHoldItCannotReleaseIt) {
    RecursiveLock lock;
    ASSERT_EQ(lock.Lock(), 0);
    int otherResult = -1;
    std::thread other([&] { otherResult = lock.Unlock(); });
    other.join();
    EXPECT_EQ(otherResult, RecursiveLock::kInvalid);
    EXPECT_EQ(lock.Owner(), CurrentThreadId());
    EXPECT_EQ(lock.Depth(), 1u);
    EXPECT_EQ(lock.Unlock(), 0);
}

// Several threads each re-enter the lock and bump a counter that is only safe
// under it; any overlap shows as a second holder inside the section.
TEST(RecursiveLockTest, ConcurrentThreadsNeverOverlap) {
    RecursiveLock lock;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                LockGuard outer(lock);
                LockGuard inner(lock);
                if (inside.fetch_add(1) != 0)
                    overlaps.fetch_add(1);
                ++counter;
                if (lock.Owner() != CurrentThreadId() || lock.Depth() != 2)
                    overlaps.fetch_add(1);
                inside.fetch_sub(1);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(counter, 8000);
    EXPECT_EQ(lock.Owner(), 0);
}

unsigned AddSeven(void* argument) {
    auto* value = static_cast<std::atomic<int>*>(argument);
    value->fetch_add(7);
    return 42;
}

TEST(ThreadTest, StartThreadRunsTheFunctionAndTracesItsId) {
    testing::IsolatedEnvironment env;
    const std::string trace = env / "t.log";
    TraceSetFile(trace.c_str());
    std::atomic<int> value{0};
    ThreadHandle handle = StartThread(AddSeven, &value);
    ASSERT_TRUE(handle);
    const long id = handle.ThreadId();
    EXPECT_EQ(handle.Join(), 42u);
    EXPECT_TRUE(handle.HasEnded());
    EXPECT_EQ(value.load(), 7);
    char expected[64];
    std::snprintf(expected, sizeof expected, "Thread - Created [%.4ld]", id);
    EXPECT_NE(testing::ReadFile(trace).find(expected), std::string::npos);
    EXPECT_FALSE(StartThread(nullptr, nullptr));
    EXPECT_NE(testing::ReadFile(trace).find("Thread - Create failed"), std::string::npos);
}

}  // namespace
}  // namespace orx
