// The process-wide state of the core library put back as at process start, so
// that each test begins where a freshly started program does.
#pragma once

#include <optional>
#include <string>

#include "core/clock_seam.h"

namespace orx::language_testing {
// Back to the uninitialised language layer.
void Reset();
}  // namespace orx::language_testing

namespace orx::identity_testing {
// Forgets every derived name and the product and company names (the program path
// stays as set).
void Reset();
}  // namespace orx::identity_testing

namespace orx::static_config_testing {
// Replaces the static configuration area's content; nullopt gives the real area back.
void SetText(std::optional<std::string> text);
}  // namespace orx::static_config_testing

namespace orx::clock_testing {
// Replaces the clock for the whole process; nullptr gives the system clock back.
void SetClock(EpochMillisFn clock);
}  // namespace orx::clock_testing

namespace orx::trace_testing {
// Forgets the clock origin and the next size check, as at process start, so that a
// test need not wait a day or an hour.
void ResetState();
}  // namespace orx::trace_testing

namespace orx::config_cache_testing {
// Frees every unused entry of the configuration tree cache and forgets its path.
void Reset();

struct EntryState {
    std::string path;
    int useCount = 0;
};
EntryState Inspect(int entry);
}  // namespace orx::config_cache_testing
