#include "core/os/work_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace orx {
namespace {

// Started, the work runs on a thread of its own; not started, it runs when waited
// for. Either way it runs once, and what it wrote is there once Wait() returns.
TEST(WorkAhead, RunsOnAThreadOfItsOwnOrWhenWaitedForAndOnce) {
    for (const bool started : {true, false}) {
        SCOPED_TRACE(started ? "started" : "not started");
        int runs = 0;
        std::thread::id where;
        WorkAhead work([&] {
            ++runs;
            where = std::this_thread::get_id();
        });
        if (started)
            work.Start();
        work.Wait();
        work.Wait();
        work.Start();  // after Wait: nothing more
        work.Wait();
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(where != std::this_thread::get_id(), started);
    }
    // Never waited for: the end waits, and the work is done.
    std::atomic<int> runs{0};
    {
        WorkAhead work([&] { ++runs; });
        work.Start();
    }
    EXPECT_EQ(runs.load(), 1);
}

}  // namespace
}  // namespace orx
