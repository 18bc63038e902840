#include "der/der_name_match.h"

#include <algorithm>
#include <array>

#include "core/string_helpers.h"
#include "core/trace.h"
#include "der/der_result.h"

namespace orx {

namespace {

struct TypeName {
    const char* name;
    const char* oid;
};

// Unlike the names the encoder accepts, "sn" here is the surname: patterns were
// always written with directory attribute names.
constexpr std::array<TypeName, 9> kTypeNames = {{
    {"c", "2.5.4.6"},
    {"cn", "2.5.4.3"},
    {"o", "2.5.4.10"},
    {"ou", "2.5.4.11"},
    {"sn", "2.5.4.4"},
    {"g", "2.5.4.42"},
    {"e", "1.2.840.113549.1.9.1"},
    {"serialNumber", "2.5.4.5"},
    {"l", "2.5.4.7"},
}};

// Calls `visit(key, value)` for each "key=value" item of a ","-separated list,
// with blanks after each "," skipped; stops when `visit` returns false or, when
// `stopWithoutEquals` is set, at an item without "=". Items without "=" are passed
// over otherwise.
template <typename Visit>
void ForEachItem(std::string_view list, bool stopWithoutEquals, Visit visit) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string_view::npos)
            end = list.size();
        const std::string_view item = TrimStart(list.substr(start, end - start));
        const size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            if (stopWithoutEquals)
                return;
        } else if (!visit(item.substr(0, equals), item.substr(equals + 1))) {
            return;
        }
        start = end + 1;
    }
}

std::string PlusAsComma(std::string_view text) {
    std::string copy(text);
    std::replace(copy.begin(), copy.end(), '+', ',');
    return copy;
}

}  // namespace

std::string GetObjectIdentifier(std::string_view name, size_t capacity) {
    std::string_view result = name;
    bool known = false;
    for (const auto& entry : kTypeNames) {
        if (StrCompareNoCase(name, entry.name) == 0) {
            result = entry.oid;
            known = true;
            break;
        }
    }
    if (!known && StrCompareNoCaseN(name, "OID.", 4) == 0 && name.size() >= 4) {
        result = name.substr(4);
    } else if (!known && name.find('.') == std::string_view::npos) {
        const std::string shown(name);
        Trace("GetObjectIdentifier - Bad oid: '%s'", shown.c_str());
    }
    return std::string(CutToCapacity(result, capacity));
}

bool MatchValue(std::string_view pattern, std::string_view value) {
    pattern = TrimStart(pattern);
    value = TrimStart(value);
    if (!pattern.empty() && pattern.back() == '*') {
        pattern.remove_suffix(1);
        if (value.size() > pattern.size())
            value = value.substr(0, pattern.size());
    }
    if (!value.empty() && value.back() == '*') {
        value.remove_suffix(1);
        if (pattern.size() > value.size())
            pattern = pattern.substr(0, value.size());
    }
    pattern = TrimEnd(pattern);
    value = TrimEnd(value);
    if (pattern.size() != value.size())
        return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != value[i] && pattern[i] != '?' && value[i] != '?')
            return false;
    }
    return true;
}

bool FindAndMatchAttribute(std::string_view key, std::string_view patternValue,
                           std::string_view nameText) {
    const std::string type = GetObjectIdentifier(key, kMatchTypeCapacity);
    bool matched = false;
    ForEachItem(nameText, false, [&](std::string_view itemType, std::string_view itemValue) {
        if (GetObjectIdentifier(itemType, kMatchTypeCapacity) == type &&
            MatchValue(patternValue, itemValue)) {
            matched = true;
            return false;
        }
        return true;
    });
    return matched;
}

int MatchNameText(std::string_view nameText, std::string_view pattern) {
    if (pattern.empty())
        return 1;
    const std::string name = PlusAsComma(nameText);
    const std::string items = PlusAsComma(pattern);
    int result = 1;
    ForEachItem(items, true, [&](std::string_view key, std::string_view value) {
        if (!FindAndMatchAttribute(key, value, name))
            result = 0;
        return result == 1;
    });
    return result;
}

int MatchNameTextAny(std::string_view nameText, std::string_view patterns) {
    patterns = TrimStart(patterns);
    if (patterns.empty())
        return 1;
    int result = 0;
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(';', start);
        if (end == std::string_view::npos)
            end = patterns.size();
        // Alternatives may be written "a; b"; an empty one (a trailing ";") is no
        // pattern that everything matches.
        const std::string_view alternative = TrimStart(patterns.substr(start, end - start));
        if (!alternative.empty()) {
            result = MatchNameText(nameText, alternative);
            if (result == 1)
                return 1;
        }
        start = end + 1;
    }
    return result;
}

int FindNameAttributeText(std::string_view nameText, std::string_view key, std::string& out,
                          size_t capacity) {
    const size_t at = key.empty() ? std::string_view::npos : nameText.find(key);
    if (at == std::string_view::npos)
        return DER_FAILED;
    const size_t equals = nameText.find('=', at);
    if (equals == std::string_view::npos)
        return DER_FAILED;
    std::string_view value = nameText.substr(equals + 1);
    value = value.substr(0, value.find_first_of(",+"));
    if (!value.empty() && value.back() == ' ')
        value.remove_suffix(1);
    if (value.size() >= capacity)
        return DER_BUFFER_TOO_SMALL;
    out.assign(value);
    return DER_OK;
}

}  // namespace orx
