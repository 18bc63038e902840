#include "core/config_tree.h"

#include "core/config_file.h"
#include "core/config_text.h"
#include "core/string_helpers.h"
#include "core/text_encoding.h"

namespace orx {

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

std::unique_ptr<ConfigTree> ConfigTree::Build(std::string_view source) {
    std::unique_ptr<ConfigTree> tree(new ConfigTree);
    tree->text_.assign(source);
    const std::string_view t(tree->text_);
    const size_t n = t.size();
    std::vector<Section>& sections = tree->sections_;
    size_t p = 0;
    while (p < n) {
        while (p < n && IsLineEnd(t[p]))
            ++p;
        if (p >= n)
            break;
        size_t end = p;
        while (end < n && !IsLineEnd(t[end]))
            ++end;
        const std::string_view line = t.substr(p, end - p);
        const char first = line[0];
        if (first == ' ' || first == ';' || line.starts_with("//")) {
            p = end;
        } else if (first == '[') {
            const size_t close = line.find(']');
            if (close != std::string_view::npos && close > 1) {
                sections.push_back(Section{line.substr(1, close - 1), {}});
            }
            p = end;
        } else if (first == '<') {
            // Markup is skipped up to its ">", wherever that is, and the rest of its line.
            const size_t close = t.find('>', p);
            p = close == std::string_view::npos ? n : close;
            while (p < n && !IsLineEnd(t[p]))
                ++p;
        } else {
            const size_t eq = line.find('=');
            if (eq != std::string_view::npos && !sections.empty()) {
                std::string_view value = line.substr(eq + 1);
                while (!value.empty() && value.back() == ' ')
                    value.remove_suffix(1);
                sections.back().entries.push_back(Entry{line.substr(0, eq), value});
            }
            p = end;
        }
    }
    return tree;
}

int ConfigTree::Find(std::string_view section, std::string_view key, std::string& value,
                     size_t capacity) const {
    value.clear();
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
        if (!EqualsNoCase(s->name, section))
            continue;
        // Only the last section of that name counts.
        for (auto e = s->entries.rbegin(); e != s->entries.rend(); ++e) {
            if (!EqualsNoCase(e->name, key))
                continue;
            if (capacity > 0)
                value.assign(CutUtf8(e->value, capacity - 1));
            return kConfigOk;
        }
        return kConfigFailed;
    }
    return kConfigFailed;
}

}  // namespace orx
