#include "support/process_state.h"

#include "core/config_tree_cache_state.h"
#include "core/language_state.h"
#include "core/product_identity_state.h"
#include "core/static_config_seam.h"
#include "core/trace_state.h"

namespace orx::language_testing {

void Reset() {
    language_detail::LanguageState& state = language_detail::State();
    LockGuard guard(state.lock);
    state.initialised = false;
    state.currentId = 0;
    state.currentIndex = 0;
    state.currentName.clear();
    state.allowed.clear();
    state.dynamicSource.reset();
    state.entries = language_detail::DefaultEntries();
}

}  // namespace orx::language_testing

namespace orx::identity_testing {

void Reset() {
    identity_detail::Identity& id = identity_detail::IdentityState();
    std::string path = std::move(id.programPath);
    id = identity_detail::Identity{};
    id.programPath = std::move(path);
}

}  // namespace orx::identity_testing

namespace orx::static_config_testing {

void SetText(std::optional<std::string> text) {
    StaticConfigOverride& o = StaticConfigAreaOverride();
    std::lock_guard<std::mutex> guard(o.lock);
    o.text = std::move(text);
}

}  // namespace orx::static_config_testing

namespace orx::clock_testing {

void SetClock(EpochMillisFn clock) {
    ClockOverride().store(clock, std::memory_order_relaxed);
}

}  // namespace orx::clock_testing

namespace orx::trace_testing {

void ResetState() {
    trace_detail::TraceState& state = trace_detail::State();
    LockGuard guard(state.lock);
    state.origin = -1;
    state.nextSizeCheck = 0;
}

}  // namespace orx::trace_testing

namespace orx::config_cache_testing {

void Reset() {
    config_cache_detail::CacheState& state = config_cache_detail::State();
    LockGuard guard(state.lock);
    for (config_cache_detail::Entry& entry : state.entries) {
        if (entry.useCount == 0)
            entry = config_cache_detail::Entry{};
    }
}

EntryState Inspect(int entry) {
    config_cache_detail::CacheState& state = config_cache_detail::State();
    LockGuard guard(state.lock);
    const config_cache_detail::Entry& e = state.entries[entry];
    return EntryState{e.path, e.useCount};
}

}  // namespace orx::config_cache_testing
