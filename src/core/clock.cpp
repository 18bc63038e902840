#include "core/clock.h"

#include <ctime>

#include "core/clock_seam.h"

namespace orx {

namespace {

// clock_gettime rather than time(): the latter may still tell the second that
// the precise clock has already left.
long long SystemEpochMillis() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

long long EpochMillis() {
    const EpochMillisFn forced = ClockOverride().load(std::memory_order_relaxed);
    return forced ? forced() : SystemEpochMillis();
}

std::atomic<EpochMillisFn>& ClockOverride() {
    static std::atomic<EpochMillisFn> clock{nullptr};
    return clock;
}

}  // namespace orx
