#include "core/clock.h"

#include <atomic>
#include <ctime>

namespace orx {

namespace {

// clock_gettime rather than time(): the latter may still tell the second that
// the precise clock has already left.
long long SystemEpochMillis() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::atomic<clock_testing::EpochMillisFn> g_clock{SystemEpochMillis};

}  // namespace

long long EpochMillis() {
    return g_clock.load(std::memory_order_relaxed)();
}

namespace clock_testing {
void SetClock(EpochMillisFn clock) {
    g_clock.store(clock ? clock : SystemEpochMillis, std::memory_order_relaxed);
}
}  // namespace clock_testing

}  // namespace orx
