#include "token/plugin_text.h"

#include "core/text_encoding.h"

namespace orx::plugin_text {

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size())
        return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (EqualsNoCase(text.substr(i, part.size()), part))
            return true;
    }
    return false;
}

std::string ListField(std::string_view list, char separator, size_t index, size_t capacity) {
    size_t start = 0;
    for (size_t skipped = 0; skipped < index; ++skipped) {
        const size_t at = list.find(separator, start);
        if (at == std::string_view::npos)
            return {};
        start = at + 1;
    }
    const size_t end = list.find(separator, start);
    const std::string_view field =
        list.substr(start, end == std::string_view::npos ? end : end - start);
    return capacity == 0 ? std::string() : std::string(CutUtf8(field, capacity - 1));
}

}  // namespace orx::plugin_text
