#include "core/standard_options.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "core/product_identity.h"

namespace orx {
namespace {

StandardOption Find(std::vector<const char*> arguments) {
    return FindStandardOption(arguments);
}

TEST(StandardOptionsTest, OnlyWholeArgumentsBeforeTheEndOfOptionsCount) {
    const struct {
        std::vector<const char*> arguments;
        StandardOption expected;
    } cases[] = {
        {{}, StandardOption::kNone},
        {{"--help"}, StandardOption::kHelp},
        {{"--version"}, StandardOption::kVersion},
        // Found anywhere, as the programs' own options are.
        {{"-sign", "report.txt", "--help"}, StandardOption::kHelp},
        {{"token", "list", "--version"}, StandardOption::kVersion},
        // The first of the two wins.
        {{"--version", "--help"}, StandardOption::kVersion},
        {{"--help", "--version"}, StandardOption::kHelp},
        // Only whole arguments: the programs' option scan sees "-help" inside these,
        // and they must reach it unchanged.
        {{"-help"}, StandardOption::kNone},
        {{"x--help"}, StandardOption::kNone},
        {{"--helpme"}, StandardOption::kNone},
        {{"--HELP"}, StandardOption::kNone},
        {{"-sign", "--help.txt"}, StandardOption::kNone},
        {{"--help "}, StandardOption::kNone},
        {{"-version"}, StandardOption::kNone},
        // A value of "--" and everything after it are no options.
        {{"--", "--help"}, StandardOption::kNone},
        {{"b64", "encode", "--", "--version"}, StandardOption::kNone},
        {{"--version", "--"}, StandardOption::kVersion},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const char* argument : c.arguments)
            shown.append(" [").append(argument).append("]");
        EXPECT_EQ(Find(c.arguments), c.expected) << shown;
    }
}

TEST(StandardOptionsTest, VersionLineNamesProgramProductAndVersion) {
    EXPECT_EQ(VersionLine("orxxctl"), "orxxctl (Orvex) " + std::string(GetProductVersion()) + "\n");
    // Four numbers, as the module reports it.
    const std::string version(GetProductVersion());
    EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << version;
}

}  // namespace
}  // namespace orx
