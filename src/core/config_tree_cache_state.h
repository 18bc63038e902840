// What a configuration tree cache holds. The process-wide cache's state lives for
// the whole process; the tests look into it and put it back as at process start.
#pragma once

#include <memory>
#include <string>

#include "core/config_tree.h"
#include "core/recursive_lock.h"

namespace orx::config_cache_detail {

inline constexpr int kEntries = 3;

struct Entry {
    std::string path;
    int useCount = 0;
    long long lastUse = 0;  // seconds; 0: never used
    std::unique_ptr<ConfigTree> tree;
};

struct CacheState {
    RecursiveLock lock;
    Entry entries[kEntries];
    bool finished = false;  // the process is ending: nothing is cached any more
};

// The state of the process-wide cache. It outlives static destructors
// (configuration files may be closed by them).
CacheState& State();

}  // namespace orx::config_cache_detail
