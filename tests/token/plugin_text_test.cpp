#include "token/plugin_text.h"

#include <gtest/gtest.h>

namespace orx::plugin_text {
namespace {

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
