// The wall clock (UTC) behind every decision that depends on the time of day:
// trace time stamps and size checks, certificate validity, cache ages. One
// clock, so that a test that sets the time sets it for all of them.
#pragma once

namespace orx {

// Milliseconds since the epoch.
long long EpochMillis();

inline constexpr long long kDayMillis = 86400000;

inline long long EpochSeconds() {
    const long long millis = EpochMillis();
    return millis >= 0 ? millis / 1000 : -((999 - millis) / 1000);
}

// Milliseconds since midnight (UTC), 0 to kDayMillis - 1.
inline long long MillisOfDay() {
    const long long millis = EpochMillis() % kDayMillis;
    return millis >= 0 ? millis : millis + kDayMillis;
}

}  // namespace orx
