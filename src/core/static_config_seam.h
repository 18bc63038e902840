// The override behind static_config_area.h: while it holds a text, that text
// stands for the area's content. The real area is only ever patched into a built
// program file; the program never sets the override, in-process tests do.
#pragma once

#include <mutex>
#include <optional>
#include <string>

namespace orx {

struct StaticConfigOverride {
    std::mutex lock;
    std::optional<std::string> text;
};

StaticConfigOverride& StaticConfigAreaOverride();

}  // namespace orx
