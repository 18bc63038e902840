#include "core/config_tree_cache.h"

#include "core/clock.h"
#include "core/trace.h"

namespace orx {

namespace {

struct CacheEnd {
    ~CacheEnd() { ConfigTreeCache::Instance().Finish(); }
};

}  // namespace

ConfigTreeCache& ConfigTreeCache::Instance() {
    // The cache itself outlives static destructors (configuration files may be closed
    // by them); the end-of-process clean-up runs from a static object of its own.
    static ConfigTreeCache* cache = new ConfigTreeCache;
    static CacheEnd end;
    return *cache;
}

ConfigTreeRef ConfigTreeCache::Take(std::string_view path, std::string_view text) {
    LockGuard guard(lock_);
    if (finished_)
        return {};
    int chosen = -1;
    for (int i = 0; i < kEntries; ++i) {
        if (entries_[i].lastUse != 0 && entries_[i].path == path) {
            chosen = i;
            break;
        }
    }
    if (chosen < 0) {
        for (int i = 0; i < kEntries; ++i) {
            if (entries_[i].lastUse == 0) {
                chosen = i;
                break;
            }
        }
    }
    if (chosen < 0)
        return {};
    Entry& entry = entries_[chosen];
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
    LockGuard guard(lock_);
    Entry& entry = entries_[ref.entry];
    if (entry.tree.get() == ref.tree && entry.useCount > 0)
        --entry.useCount;
    ref = ConfigTreeRef{};
}

void ConfigTreeCache::Finish() {
    LockGuard guard(lock_);
    finished_ = true;
    for (Entry& entry : entries_) {
        if (!entry.tree)
            continue;
        if (entry.useCount == 0) {
            entry.tree.reset();
        } else {
            Trace("Config - WARNING Tree cache in use");
        }
    }
}

ConfigTreeCache::EntryState ConfigTreeCache::Inspect(int entry) {
    LockGuard guard(lock_);
    const Entry& e = entries_[entry];
    return EntryState{e.path, e.useCount, e.lastUse, e.tree.get()};
}

void ConfigTreeCache::ResetForTesting() {
    LockGuard guard(lock_);
    for (Entry& entry : entries_) {
        if (entry.useCount != 0)
            continue;
        entry = Entry{};
    }
}

}  // namespace orx
