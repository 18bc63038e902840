// Parsed installation-wide texts kept for the life of the process, so that the
// file that almost every setting lookup falls back to is parsed once while it
// stays byte-for-byte the same.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/config_tree.h"
#include "core/recursive_lock.h"

namespace orx {

struct ConfigTreeRef {
    int entry = -1;
    const ConfigTree* tree = nullptr;
    explicit operator bool() const { return tree != nullptr; }
};

class ConfigTreeCache {
  public:
    static constexpr int kEntries = 3;

    static ConfigTreeCache& Instance();

    // A tree for the text at this path, or none when every entry is held for other
    // paths or the entry's old tree is still in use (the caller then searches the
    // text line by line).
    ConfigTreeRef Take(std::string_view path, std::string_view text);
    void Release(ConfigTreeRef& ref);

    // Process end: unused trees are freed, trees still in use are left.
    void Finish();

    struct EntryState {
        std::string path;
        int useCount = 0;
        long long lastUse = 0;
        const ConfigTree* tree = nullptr;
    };
    EntryState Inspect(int entry);
    // Frees every unused entry and forgets its path, as at process start.
    void ResetForTesting();

  private:
    struct Entry {
        std::string path;
        int useCount = 0;
        long long lastUse = 0;  // seconds; 0: never used
        std::unique_ptr<ConfigTree> tree;
    };
    RecursiveLock lock_;
    Entry entries_[kEntries];
    bool finished_ = false;
};

}  // namespace orx
