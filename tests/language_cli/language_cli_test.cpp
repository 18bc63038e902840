// orxxctl text and languages against real configuration files, as a deployment
// would check them.
#include <gtest/gtest.h>

#include <string>

#include "core/string_table.h"
#include "core/text_encoding.h"
#include "support/test_environment.h"

namespace orx {
namespace {

class LanguageCliTest : public ::testing::Test {
  protected:
    int Run(const std::string& arguments, std::string& output) {
        return testing::RunCommand(testing::BinPath("orxxctl") + " " + arguments + " 2>/dev/null",
                                   &output);
    }
    void InstallConfig(std::string_view text) {
        testing::WriteFile(env_.installFolder() + "orx.cfg", text);
    }
    void UserConfig(std::string_view text) { testing::WriteFile(env_.userConfigPath(), text); }

    testing::IsolatedEnvironment env_;
};

std::string English(int id) {
    return WideToUtf8(FindString(1033, id));
}

TEST_F(LanguageCliTest, TextInEnglish) {
    struct Case {
        const char* arguments;
        std::string output;
    };
    const Case cases[] = {
        {"text 2032", English(2032) + " (E32)\n"},
        {"text 1003", "Administration\n"},
        {"text 2107", English(2107) + " (M7)\n"},
        {"text 100", "Orvex\n"},
    };
    for (const Case& c : cases) {
        std::string output;
        EXPECT_EQ(Run(c.arguments, output), 0) << c.arguments;
        EXPECT_EQ(output, c.output) << c.arguments;
    }
}

TEST_F(LanguageCliTest, TextInAnotherLanguage) {
    std::string output;
    ASSERT_EQ(Run("text 1003 --language Deutsch", output), 0);
    EXPECT_EQ(output, WideToUtf8(FindString(1031, 1003)) + "\n");
    EXPECT_NE(output, "Administration\n");
    ASSERT_EQ(Run("text 2033 --language suomen", output), 0);
    EXPECT_EQ(output, WideToUtf8(FindString(1035, 2033)) + " (E33)\n");
}

TEST_F(LanguageCliTest, TextErrors) {
    struct Case {
        const char* arguments;
        int status;
    };
    const Case cases[] = {
        {"text", 2},
        {"text abc", 2},
        {"text 0", 2},
        {"text 1003 --language", 2},
        {"text 1003 extra", 2},
        {"languages now", 2},
        {"text 1003 --language Klingon", 1},
        {"text 4000", 1},
    };
    for (const Case& c : cases) {
        std::string output;
        EXPECT_EQ(Run(c.arguments, output), c.status) << c.arguments;
        EXPECT_EQ(output, "") << c.arguments;
    }
}

TEST_F(LanguageCliTest, AllowedLanguages) {
    InstallConfig("[Language]\nAllowed=Svenska;English:English (UK)\n");
    std::string output;
    ASSERT_EQ(Run("languages", output), 0);
    EXPECT_EQ(output, "English (UK)\nSvenska\n");
}

TEST_F(LanguageCliTest, AllLanguagesByDefault) {
    std::string output;
    ASSERT_EQ(Run("languages", output), 0);
    EXPECT_EQ(output,
              "Dansk\nDeutsch\nEnglish\nSuomen\nFrançais\nNorsk\nPolski\nPortuguês\nSvenska\n"
              "Svenska (SAMSET)\nTürkçe\n");
}

TEST_F(LanguageCliTest, DynamicStringWithLineFeed) {
    InstallConfig("[Dynamic Strings]\nEnable=1\nEN_1003=A\\nB\n");
    std::string output;
    ASSERT_EQ(Run("text 1003", output), 0);
    EXPECT_EQ(output, "A\nB\n");
    ASSERT_EQ(Run("text 1003 --language Norsk", output), 0);
    EXPECT_EQ(output, WideToUtf8(FindString(2068, 1003)) + "\n");
}

TEST_F(LanguageCliTest, BlindGivesEmptyTexts) {
    UserConfig("[Language]\nCurrent=Blind\n");
    for (const char* id : {"1003", "2032", "2107"}) {
        std::string output;
        EXPECT_EQ(Run(std::string("text ") + id, output), 0) << id;
        EXPECT_EQ(output, "\n") << id;
    }
}

}  // namespace
}  // namespace orx
