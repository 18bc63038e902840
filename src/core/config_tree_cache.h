// Parsed installation-wide texts kept for the life of the process, so that the
// file that almost every setting lookup falls back to is parsed once while it
// stays byte-for-byte the same.
#pragma once

#include <string_view>

#include "core/config_tree.h"

namespace orx {

struct ConfigTreeRef {
    int entry = -1;
    const ConfigTree* tree = nullptr;
    explicit operator bool() const { return tree != nullptr; }
};

namespace config_cache_detail {
struct CacheState;
}

class ConfigTreeCache {
  public:
    // The cache of the process, over config_cache_detail::State().
    static ConfigTreeCache& Instance();
    // A cache over entries of its own (config_tree_cache_state.h).
    explicit ConfigTreeCache(config_cache_detail::CacheState& state) : state_(state) {}

    // A tree for the text at this path, or none when every entry is held for other
    // paths or the entry's old tree is still in use (the caller then searches the
    // text line by line).
    ConfigTreeRef Take(std::string_view path, std::string_view text);
    void Release(ConfigTreeRef& ref);

    // Process end: unused trees are freed, trees still in use are left.
    void Finish();

  private:
    config_cache_detail::CacheState& state_;
};

}  // namespace orx
