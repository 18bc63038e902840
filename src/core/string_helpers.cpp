#include "core/string_helpers.h"

#include <algorithm>

namespace orx {

namespace {

template <typename Fold>
int CompareWith(std::string_view a, std::string_view b, Fold fold) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(fold(a[i]));
        const auto y = static_cast<unsigned char>(fold(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

char Same(char c) {
    return c;
}

}  // namespace

void StrCopyN(std::string& destination, std::string_view source, size_t n) {
    source = source.substr(0, std::min(n, source.size()));
    const size_t nul = source.find('\0');
    destination.assign(source.substr(0, nul));
}

size_t StrLength(const char* text) {
    return text ? std::char_traits<char>::length(text) : 0;
}

int StrCompare(std::string_view a, std::string_view b) {
    return CompareWith(a, b, Same);
}

int StrCompareN(std::string_view a, std::string_view b, size_t n) {
    return StrCompare(a.substr(0, n), b.substr(0, n));
}

int StrCompareNoCase(std::string_view a, std::string_view b) {
    return CompareWith(a, b, FoldAscii);
}

int StrCompareNoCaseN(std::string_view a, std::string_view b, size_t n) {
    return StrCompareNoCase(a.substr(0, n), b.substr(0, n));
}

size_t StrFindChar(std::string_view text, char c) {
    return text.find(c);
}

size_t StrFindLastChar(std::string_view text, char c) {
    return text.rfind(c);
}

size_t StrFind(std::string_view text, std::string_view part) {
    if (part.size() > text.size())
        return kNotFound;
    return text.find(part);
}

size_t StrFindNoCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size())
        return kNotFound;
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (StrCompareNoCase(text.substr(i, part.size()), part) == 0)
            return i;
    }
    return kNotFound;
}

std::string_view CutToCapacity(std::string_view text, size_t capacity) {
    if (capacity == 0)
        return {};
    if (text.size() <= capacity - 1)
        return text;
    size_t cut = capacity - 1;
    // Back off over continuation bytes so that the cut lands on a lead byte.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

const std::string* StringList::Next(const std::string* entry) const {
    if (items_.empty())
        return nullptr;
    if (entry == nullptr)
        return &items_.front();
    for (size_t i = 0; i + 1 < items_.size(); ++i) {
        if (&items_[i] == entry)
            return &items_[i + 1];
    }
    return nullptr;
}

}  // namespace orx
