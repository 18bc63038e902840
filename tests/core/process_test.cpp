#include "core/os/process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>

namespace orx {
namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(WaitProcessFor, EndsWhenTheChildDoesAndGivesUpAtTheDeadline) {
    struct Case {
        std::vector<std::string> argv;
        int timeout;
        bool ended;
        long atLeast, below;  // milliseconds the wait may take
    };
    const Case cases[] = {
        // Leaves at once: the wait must not sit out a fixed pause, let alone the timeout.
        {{"/bin/true"}, 5000, true, 0, 1000},
        {{"/bin/sh", "-c", "sleep 0.2"}, 5000, true, 150, 2000},
        {{"/bin/sleep", "10"}, 150, false, 140, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back());
        const pid_t pid = SpawnProcess(c.argv);
        ASSERT_GT(pid, 0);
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(WaitProcessFor(pid, c.timeout), c.ended);
        const long took = MillisecondsSince(start);
        EXPECT_GE(took, c.atLeast);
        EXPECT_LT(took, c.below);
        if (!c.ended) {
            ::kill(pid, SIGKILL);
            EXPECT_EQ(WaitProcess(pid), 128 + SIGKILL);
        }
        // Once collected the child is gone for good: asking again must not block or fail.
        EXPECT_TRUE(WaitProcessFor(pid, 5000));
    }
}

TEST(WaitProcess, ExitStatusOrSignal) {
    const pid_t exits = SpawnProcess({"/bin/sh", "-c", "exit 3"});
    ASSERT_GT(exits, 0);
    EXPECT_EQ(WaitProcess(exits), 3);
    const pid_t killed = SpawnProcess({"/bin/sh", "-c", "kill -TERM $$"});
    ASSERT_GT(killed, 0);
    EXPECT_EQ(WaitProcess(killed), 128 + SIGTERM);
    EXPECT_EQ(WaitProcess(killed), -1);  // nothing left to wait for
}

}  // namespace
}  // namespace orx
