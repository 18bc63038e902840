#include "search/search_filter.h"

#include <algorithm>

#include "core/text_encoding.h"

namespace orx {

namespace {

constexpr std::string_view kNameOpen = "(cn=*";
constexpr std::string_view kMailOpen = "(mail=*";
constexpr std::string_view kClose = "*)";
constexpr std::string_view kBothOpen = "(&";
constexpr std::string_view kBothClose = ")";

std::string Clause(std::string_view open, std::string_view value) {
    std::string clause(open);
    clause.append(value);
    clause.append(kClose);
    return clause;
}

}  // namespace

std::string BuildSimpleFilter(std::string_view name, std::string_view email) {
    const size_t limit = kSearchFilterCapacity - 1;
    if (name.empty() && email.empty())
        return {};
    if (email.empty())
        return Clause(kNameOpen, CutUtf8(name, limit - kNameOpen.size() - kClose.size()));
    if (name.empty())
        return Clause(kMailOpen, CutUtf8(email, limit - kMailOpen.size() - kClose.size()));
    // Both: what the two inputs may take together, shared so that a short one
    // stays whole and a long one gives way.
    const size_t room = limit - kBothOpen.size() - kNameOpen.size() - kMailOpen.size() -
                        2 * kClose.size() - kBothClose.size();
    const size_t nameRoom = std::max(room / 2, room - std::min(room, email.size()));
    name = CutUtf8(name, nameRoom);
    email = CutUtf8(email, room - name.size());
    std::string filter(kBothOpen);
    filter += Clause(kNameOpen, name);
    filter += Clause(kMailOpen, email);
    filter += kBothClose;
    return filter;
}

bool IsTemplateFilter(std::string_view filter) {
    return filter.find('<') != std::string_view::npos;
}

}  // namespace orx
