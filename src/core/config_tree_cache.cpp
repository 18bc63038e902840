#include "core/config_tree_cache.h"

#include "core/clock.h"
#include "core/config_tree_cache_state.h"
#include "core/trace.h"

namespace orx {

using config_cache_detail::CacheState;
using config_cache_detail::Entry;
using config_cache_detail::kEntries;
using config_cache_detail::State;

namespace {

struct CacheEnd {
    ~CacheEnd() { ConfigTreeCache::Instance().Finish(); }
};

}  // namespace

ConfigTreeCache& ConfigTreeCache::Instance() {
    // The end-of-process clean-up runs from a static object of its own.
    static ConfigTreeCache cache(State());
    static CacheEnd end;
    return cache;
}

ConfigTreeRef ConfigTreeCache::Take(std::string_view path, std::string_view text) {
    LockGuard guard(state_.lock);
    if (state_.finished)
        return {};
    int chosen = -1;
    for (int i = 0; i < kEntries; ++i) {
        if (state_.entries[i].lastUse != 0 && state_.entries[i].path == path) {
            chosen = i;
            break;
        }
    }
    if (chosen < 0) {
        for (int i = 0; i < kEntries; ++i) {
            if (state_.entries[i].lastUse == 0) {
                chosen = i;
                break;
            }
        }
    }
    if (chosen < 0)
        return {};
    Entry& entry = state_.entries[chosen];
    if (!entry.tree || !entry.tree->IsBuiltFrom(text)) {
        if (entry.tree && entry.useCount > 0)
            return {};
        entry.tree = ConfigTree::Build(text);
        entry.useCount = 0;
        entry.lastUse = 0;
        entry.path.assign(path);
    }
    const long long now = EpochSeconds();
    entry.lastUse = now > 0 ? now : 1;
    ++entry.useCount;
    return ConfigTreeRef{chosen, entry.tree.get()};
}

void ConfigTreeCache::Release(ConfigTreeRef& ref) {
    if (!ref)
        return;
    LockGuard guard(state_.lock);
    Entry& entry = state_.entries[ref.entry];
    if (entry.tree.get() == ref.tree && entry.useCount > 0)
        --entry.useCount;
    ref = ConfigTreeRef{};
}

void ConfigTreeCache::Finish() {
    LockGuard guard(state_.lock);
    state_.finished = true;
    for (Entry& entry : state_.entries) {
        if (!entry.tree)
            continue;
        if (entry.useCount == 0) {
            entry.tree.reset();
        } else {
            Trace("Config - WARNING Tree cache in use");
        }
    }
}

namespace config_cache_detail {

CacheState& State() {
    static CacheState* state = new CacheState;  // outlives every static destructor
    return *state;
}

}  // namespace config_cache_detail

}  // namespace orx
