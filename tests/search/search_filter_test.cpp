// The simple form's filters and how long inputs are kept within the filter's room.
#include "search/search_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace orx {
namespace {

struct FilterCase {
    std::string name;
    std::string email;
    std::string filter;
};

TEST(SearchFilter, NameAddressOrBoth) {
    const FilterCase cases[] = {
        {"Jane", "", "(cn=*Jane*)"},
        {"", "jane@example.org", "(mail=*jane@example.org*)"},
        {"Jane", "example.org", "(&(cn=*Jane*)(mail=*example.org*))"},
        {"", "", ""},
        // Typed as they are: the user's "*" and blanks keep their filter meaning.
        {"J*ne Doe", "", "(cn=*J*ne Doe*)"},
        {" Jane", "a(b)", "(&(cn=* Jane*)(mail=*a(b)*))"},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.name + "|" + c.email);
        EXPECT_EQ(BuildSimpleFilter(c.name, c.email), c.filter);
    }
}

struct LongCase {
    const char* what;
    std::string name;
    std::string email;
    size_t nameKept;
    size_t emailKept;
};

TEST(SearchFilter, LongInputsAreCutSoThatTheFilterStaysWhole) {
    const std::string full(255, 'x');
    const std::string mail(255, 'y');
    // "(cn=**)" takes 7 bytes, "(mail=**)" 9, "(&" and ")" 3 more: room for 248,
    // 246 or 236 input bytes.
    const LongCase cases[] = {
        {"long name", full, "", 248, 0},
        {"long address", "", mail, 0, 246},
        {"both long", full, mail, 118, 118},
        {"short name, long address", "xxxx", mail, 4, 232},
        {"long name, short address", full, "yyy", 233, 3},
        {"both exactly fitting", std::string(118, 'x'), std::string(118, 'y'), 118, 118},
    };
    for (const LongCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string filter = BuildSimpleFilter(c.name, c.email);
        EXPECT_LE(filter.size(), kSearchFilterCapacity - 1);
        EXPECT_EQ(static_cast<size_t>(std::count(filter.begin(), filter.end(), 'x')), c.nameKept);
        EXPECT_EQ(static_cast<size_t>(std::count(filter.begin(), filter.end(), 'y')), c.emailKept);
        EXPECT_EQ(filter.back(), ')');
        EXPECT_EQ(std::count(filter.begin(), filter.end(), '('),
                  std::count(filter.begin(), filter.end(), ')'));
    }
}

TEST(SearchFilter, ACutNeverSplitsACharacter) {
    // Three-byte characters: the 248 bytes of room hold 82 of them, and 118 hold 39.
    std::string name;
    for (int i = 0; i < 90; ++i)
        name += "\xE2\x82\xAC";
    EXPECT_EQ(BuildSimpleFilter(name, ""), "(cn=*" + name.substr(0, 246) + "*)");
    EXPECT_EQ(BuildSimpleFilter(name, std::string(250, 'm')),
              "(&(cn=*" + name.substr(0, 117) + "*)(mail=*" + std::string(119, 'm') + "*))");
}

TEST(SearchFilter, AnAngleBracketMakesATemplate) {
    EXPECT_TRUE(IsTemplateFilter("(x=<publickeydigest>)"));
    EXPECT_TRUE(IsTemplateFilter("<"));
    EXPECT_FALSE(IsTemplateFilter("(cn=*Jane*)"));
    EXPECT_FALSE(IsTemplateFilter(""));
}

}  // namespace
}  // namespace orx
