#include "token/plugin_text.h"

#include <gtest/gtest.h>

namespace orx::plugin_text {
namespace {

TEST(PluginTextTest, ListFieldsCountFromZeroAndCutToCapacity) {
    struct Case {
        const char* list;
        size_t index;
        size_t capacity;
        const char* field;
    } const cases[] = {
        {"1;Reader;;Desc", 0, 65, "1"},
        {"1;Reader;;Desc", 2, 65, ""},
        {"1;Reader;;Desc", 3, 65, "Desc"},
        {"1;Reader;;Desc", 7, 65, ""},
        {"1;Reader;;Desc", 1, 4, "Rea"},
        {"1;Reader", 1, 1, ""},
        {"1;Reader", 1, 0, ""},
        {"", 0, 65, ""},
        {"1;J\xC3\xBCrgen", 1, 3, "J"},  // the cut leaves no half character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ListField(c.list, ';', c.index, c.capacity), c.field)
            << c.list << " #" << c.index << " cap " << c.capacity;
    }
    EXPECT_EQ(ListField("a|b|c", '|', 1, 65), "b");
}

TEST(PluginTextTest, CaseFoldingTouchesOnlyAsciiLetters) {
    EXPECT_TRUE(EqualsNoCase("ReLoad", "reload"));
    EXPECT_FALSE(EqualsNoCase("Reload", "Reloads"));
    EXPECT_FALSE(EqualsNoCase("\xC3\x84", "\xC3\xA4"));  // Ä and ä stay different
    EXPECT_TRUE(ContainsNoCase("a;TEXT/X-TEXT-TO-SIGN;b", "text/x-text-to-sign"));
    EXPECT_FALSE(ContainsNoCase("text/x-text-to-sig", "text/x-text-to-sign"));
    EXPECT_TRUE(ContainsNoCase("anything", ""));
}

}  // namespace
}  // namespace orx::plugin_text
