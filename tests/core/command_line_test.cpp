#include "core/command_line.h"

#include <gtest/gtest.h>

namespace orx {
namespace {

TEST(FindOptionTest, ValueRules) {
    struct Case {
        const char* line;
        const char* option;
        size_t capacity;
        bool found;
        const char* value;
    };
    const Case cases[] = {
        {"-sign report.txt", "-sign", 256, true, "report.txt"},
        {"-sign    report.txt -x", "-sign", 256, true, "report.txt"},
        {"-sign \"my report.txt\" -x", "-sign", 256, true, "my report.txt"},
        {"-sign my report.txt", "-sign", 256, true, "my"},
        {"-sign \"unterminated value", "-sign", 256, true, "unterminated value"},
        // Any word that contains the option counts; the value starts right behind it.
        {"-signature.p7s", "-sign", 256, true, "ature.p7s"},
        {"x-signfile", "-sign", 256, true, "file"},
        {"-sign", "-sign", 256, true, ""},
        {"-SIGN a", "-sign", 256, false, ""},
        {"-verify abcdef", "-verify", 4, true, "abc"},
        {"-verify abcdef", "-verify", 1, true, ""},
        {"", "-admin", 256, false, ""},
    };
    for (const Case& c : cases) {
        std::string value = "stale";
        EXPECT_EQ(FindOption(c.line, c.option, value, c.capacity), c.found) << c.line;
        EXPECT_EQ(value, c.value) << c.line;
        EXPECT_EQ(FindOption(c.line, c.option), c.found) << c.line;
    }
}

TEST(CommandLineTest, JoinAndSplitAreInverseForArgumentsWithBlanks) {
    const std::vector<std::string> arguments = {"-sign", "/tmp/my report.txt", "-x", "plain"};
    const std::string line = JoinCommandLine(arguments);
    EXPECT_EQ(line, "-sign \"/tmp/my report.txt\" -x plain");
    EXPECT_EQ(SplitCommandLine(line), arguments);
    std::string value;
    ASSERT_TRUE(FindOption(line, "-sign", value, 256));
    EXPECT_EQ(value, "/tmp/my report.txt");
    EXPECT_EQ(SplitCommandLine("  a   \"\"  b\"c d\"e "),
              (std::vector<std::string>{"a", "", "bc de"}));
}

}  // namespace
}  // namespace orx
