// The override behind clock.h: while it holds a function, that function tells the
// time for the whole process. The program never sets it; tests that need a fixed
// or a moving time do.
#pragma once

#include <atomic>

namespace orx {

// Milliseconds since the epoch.
using EpochMillisFn = long long (*)();

// nullptr: the system clock.
std::atomic<EpochMillisFn>& ClockOverride();

}  // namespace orx
