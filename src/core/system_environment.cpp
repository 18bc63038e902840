#include "core/system_environment.h"

#include <cstdlib>

namespace orx {

std::string GetEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string ExpandEnvironment(std::string_view text, size_t capacity) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find('%', i);
        if (open == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, open - i));
        const size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) {
            out.append(text.substr(open));
            break;
        }
        const std::string name(text.substr(open + 1, close - open - 1));
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value) {
            out.append(value);
            i = close + 1;
        } else {
            // The closing "%" may open the next variable.
            out.append(text.substr(open, close - open));
            i = close;
        }
    }
    if (capacity == 0 || out.size() > capacity - 1)
        return {};
    return out;
}

}  // namespace orx
