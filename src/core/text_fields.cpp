#include "core/text_fields.h"

#include "core/string_helpers.h"

namespace orx {

std::string GetField(std::string_view text, char separator, int index, size_t capacity) {
    size_t pos = 0;
    for (int skip = index; skip > 0 && pos < text.size(); ++pos) {
        if (text[pos] == separator)
            --skip;
    }
    size_t end = text.find(separator, pos);
    if (end == std::string_view::npos)
        end = text.size();
    return std::string(CutToCapacity(text.substr(pos, end - pos), capacity));
}

void RemoveChars(std::string& text, std::string_view set) {
    std::erase_if(text, [set](char c) { return set.find(c) != std::string_view::npos; });
}

namespace {

// Where the value of `oid` starts (behind its "="), searching from `from`. The type
// must stand at the start of an attribute: at the start of the text or behind a
// separator or blank, so that "1.2.5.4.3" is not taken for "2.5.4.3".
size_t FindAttributeValue(std::string_view name, std::string_view oid, size_t from) {
    if (oid.empty())
        return std::string_view::npos;
    for (size_t pos = name.find(oid, from); pos != std::string_view::npos;
         pos = name.find(oid, pos + 1)) {
        const size_t after = pos + oid.size();
        const bool startsAttribute =
            pos == 0 || name[pos - 1] == ' ' || name[pos - 1] == ',' || name[pos - 1] == '+';
        if (startsAttribute && after < name.size() && name[after] == '=')
            return after + 1;
    }
    return std::string_view::npos;
}

bool GetNameAttributeFrom(std::string_view name, std::string_view oid, size_t from,
                          std::string& out, size_t capacity) {
    out.clear();
    const size_t start = FindAttributeValue(name, oid, from);
    if (start == std::string_view::npos)
        return false;
    size_t end;
    std::string_view value;
    if (start < name.size() && name[start] == '"') {
        const size_t close = name.find('"', start + 1);
        end = close == std::string_view::npos ? name.size() : close + 1;
        value = name.substr(start, end - start);
    } else {
        end = name.find_first_of(",+", start);
        if (end == std::string_view::npos)
            end = name.size();
        value = name.substr(start, end - start);
        while (!value.empty() && value.back() == ' ')
            value.remove_suffix(1);
    }
    out.assign(CutToCapacity(value, capacity));
    if (!out.empty() && out.size() + 2 < capacity) {
        std::string further;
        if (GetNameAttributeFrom(name, oid, end, further, capacity - out.size() - 2) &&
            !further.empty()) {
            out.append(", ").append(further);
        }
    }
    return true;
}

}  // namespace

bool GetNameAttribute(std::string_view name, std::string_view oid, std::string& out,
                      size_t capacity) {
    return GetNameAttributeFrom(name, oid, 0, out, capacity);
}

bool GetDisplayName(std::string_view name, std::string& out, size_t capacity) {
    out.clear();
    if (GetNameAttribute(name, "2.5.4.41", out, capacity) && !out.empty())
        return true;
    out.clear();
    for (const char* oid : {"2.5.4.3", "2.5.4.5", "2.5.4.11", "2.5.4.10"}) {
        // Each value is followed by ", ", so each lookup leaves room for it.
        const size_t room = capacity > out.size() + 2 ? capacity - out.size() - 2 : 0;
        std::string value;
        if (GetNameAttribute(name, oid, value, room) && !value.empty()) {
            out.append(value).append(", ");
        }
    }
    if (out.size() >= 2)
        out.resize(out.size() - 2);
    return !out.empty();
}

}  // namespace orx
