#include "core/language.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/product_identity.h"
#include "core/string_table.h"
#include "core/text_encoding.h"
#include "support/process_state.h"
#include "support/test_environment.h"

namespace orx {
namespace {

std::string English(int id) {
    return WideToUtf8(FindString(kLanguageEnglish, id));
}

// One isolated process state with the two configuration files of a deployment.
class LanguageTest : public ::testing::Test {
  protected:
    void InstallConfig(std::string_view text) {
        testing::WriteFile(env_.installFolder() + "orx.cfg", text);
    }
    void UserConfig(std::string_view text) { testing::WriteFile(env_.userConfigPath(), text); }
    std::vector<std::string> Offered() {
        std::vector<std::string> names;
        std::string name;
        int index = 0;
        while (EnumLanguageName(name, 256, index))
            names.push_back(name);
        return names;
    }

    testing::IsolatedEnvironment env_;
};

TEST_F(LanguageTest, MessageNumberSuffix) {
    struct Case {
        int id;
        size_t capacity;
        std::string expected;
    };
    const std::string e2027 = English(2027);  // "Failed to open file.", 20 characters
    ASSERT_EQ(e2027.size(), 20u);
    const Case cases[] = {
        {2032, 256, English(2032) + " (E32)"},
        {2107, 256, English(2107) + " (M7)"},
        {2000, 256, English(2000) + " (E0)"},
        {2119, 256, English(2119) + " (M19)"},
        {1003, 256, "Administration"},
        {2209, 256, English(2209)},  // questions carry no number
        // The suffix needs text + 6 below the capacity, whatever its real length.
        {2027, 27, e2027 + " (E27)"},
        {2027, 26, e2027},
        {2027, 21, e2027},
        {2027, 20, "Failed to open file"},
        {2101, 20, "The import of the c"},
        {2027, 8, "Failed"},  // cut to "Failed " and the blank removed
        {2027, 1, ""},
        {2027, 0, ""},
        {2099, 256, ""},  // no text: no number either
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetText(c.id, c.capacity), c.expected) << c.id << " capacity " << c.capacity;
    }
}

TEST_F(LanguageTest, WideAndTitleForms) {
    // The wide form has no number and keeps its capacity.
    EXPECT_EQ(GetTextWide(2032), Utf8ToWide(English(2032)));
    EXPECT_EQ(GetTextWide(1302, 8), u"Compone");  // a 10-character text, capacity 8
    EXPECT_EQ(GetText(1302, 8), "Compone");
    EXPECT_EQ(GetTextWide(1302, 1), u"");
    EXPECT_EQ(GetTextWide(4000), u"");
    // Trailing blanks go, also the one a cut leaves behind.
    const std::u16string_view raw = FindString(kLanguageEnglish, 1640);
    ASSERT_EQ(raw.back(), u' ');
    EXPECT_EQ(GetTextWide(1640), raw.substr(0, raw.size() - 1));
    EXPECT_EQ(GetTextWide(1667, 9), u"Loading,");
    // Text, product name and 3 characters must stay below the capacity.
    EXPECT_EQ(GetTitleText(1003), "Administration - Orvex");
    EXPECT_EQ(GetTitleText(1003, 23), "Administration - Orvex");
    EXPECT_EQ(GetTitleText(1003, 22), "Administration");
    EXPECT_EQ(GetTitleText(2027), English(2027) + " (E27) - Orvex");
    EXPECT_EQ(GetTitleText(4000), "");
}

TEST_F(LanguageTest, EnglishUntilConfigured) {
    EXPECT_EQ(GetText(1003), "Administration");
    EXPECT_EQ(Offered(), (std::vector<std::string>{"Dansk", "Deutsch", "English", "Suomen",
                                                   "Français", "Norsk", "Polski", "Português",
                                                   "Svenska", "Svenska (SAMSET)", "Türkçe"}));
}

TEST_F(LanguageTest, CurrentLanguageFromConfiguration) {
    struct Case {
        const char* user;
        const char* install;
        int id;
    };
    const Case cases[] = {
        {"", "", kLanguageEnglish},
        {"deutsch", "Polski", 1031},
        {"", "Polski", 1045},  // the installation-wide file when the user's has none
        {"Klingon", "", kLanguageEnglish},
    };
    for (const Case& c : cases) {
        language_testing::Reset();
        // An empty value in the user's file would hide the installation-wide one.
        UserConfig(*c.user ? std::string("[Language]\nCurrent=") + c.user + "\n" : "");
        InstallConfig(*c.install ? std::string("[Language]\nCurrent=") + c.install + "\n" : "");
        EXPECT_EQ(GetCurrentLanguageId(), c.id) << c.user << c.install;
        EXPECT_EQ(GetTextWide(1003), FindString(c.id, 1003)) << c.user << c.install;
    }
    EXPECT_EQ(GetCurrentLanguageName(), "");
    // The name alone, asked first, comes from the configuration as well.
    language_testing::Reset();
    UserConfig("[Language]\nCurrent=Deutsch\n");
    EXPECT_EQ(GetCurrentLanguageName(), "Deutsch");
}

TEST_F(LanguageTest, MissingTextComesFromEnglish) {
    UserConfig("[Language]\nCurrent=Deutsch\n");
    ASSERT_EQ(GetCurrentLanguageId(), 1031);
    EXPECT_EQ(GetCurrentLanguageName(), "Deutsch");
    // The product name and the company are not translated: German has no entry.
    ASSERT_TRUE(FindString(1031, 100).empty());
    EXPECT_EQ(GetText(100), "Orvex");
    EXPECT_EQ(GetText(102), "Valdoran AB");
    // German keeps the message number.
    EXPECT_EQ(GetText(2032), WideToUtf8(FindString(1031, 2032)) + " (E32)");
}

// Every offered language has a table of its own (no two names share an id) and a
// text for every English id.
TEST_F(LanguageTest, EveryEnglishTextExistsInEveryLanguage) {
    const StringTable* english = nullptr;
    for (const StringTable& t : CompiledStringTables()) {
        if (t.languageId == kLanguageEnglish)
            english = &t;
    }
    ASSERT_NE(english, nullptr);
    std::set<int> ids;
    for (const std::string& name : Offered()) {
        ASSERT_TRUE(SelectLanguage(name)) << name;
        const int id = GetCurrentLanguageId();
        EXPECT_TRUE(ids.insert(id).second) << name;
        ASSERT_TRUE(HasStringTable(id)) << name;
        EXPECT_EQ(GetTextWide(1003), FindString(id, 1003)) << name;
        for (const StringEntry& entry : english->entries)
            EXPECT_FALSE(GetTextWide(entry.id).empty()) << name << " " << entry.id;
    }
    EXPECT_EQ(ids.size(), 11u);
}

TEST_F(LanguageTest, SelectLanguageByName) {
    struct Case {
        const char* name;
        bool known;
        int id;
    };
    const Case cases[] = {
        {"Deutsch", true, 1031},  {"DEUTSCH", true, 1031},
        {"svenska", true, 1053},  {"Svenska (SAMSET)", true, 1050},
        {"FRANçAIS", true, 1036}, {"FRANÇAIS", false, 0},  // only A to Z are folded
        {"Türkçe", true, 1055},   {"Blind", true, kLanguageBlind},
        {"", false, 0},           {"Deutsch ", false, 0},
    };
    for (const Case& c : cases) {
        language_testing::Reset();
        EXPECT_EQ(SelectLanguage(c.name), c.known) << c.name;
        EXPECT_EQ(GetCurrentLanguageId(), c.known ? c.id : kLanguageEnglish) << c.name;
        EXPECT_EQ(GetCurrentLanguageName(), c.known ? c.name : "") << c.name;
    }
}

TEST_F(LanguageTest, AllowedListRestrictsAndRenames) {
    InstallConfig("[Language]\nAllowed=Svenska;English:English (UK)\n");
    EXPECT_EQ(Offered(), (std::vector<std::string>{"English (UK)", "Svenska"}));
    EXPECT_TRUE(SelectLanguage("english (uk)"));
    EXPECT_EQ(GetCurrentLanguageId(), kLanguageEnglish);
    // The old name is gone; hidden languages can still be chosen by name.
    EXPECT_FALSE(SelectLanguage("English"));
    EXPECT_TRUE(SelectLanguage("Deutsch"));
    EXPECT_EQ(GetCurrentLanguageId(), 1031);
}

TEST_F(LanguageTest, AllowedListVariants) {
    struct Case {
        std::string allowed;
        std::vector<std::string> offered;
    };
    const Case cases[] = {
        {"Klingon", {}},                                    // names none: none offered
        {"Klingon;Norsk", {"Norsk"}},                       // unknown items are ignored
        {"Norsk;;Dansk", {"Norsk"}},                        // the list ends at an empty item
        {"Norsk;Dansk;", {"Dansk", "Norsk"}},               // table order, not list order
        {"Blind;Suomen", {"Suomen"}},                       // never offered
        {"polski:Polish;English:", {"English", "Polish"}},  // an empty new name keeps the old
        {"Dansk:Dansk (" + std::string(60, 'x') + ")",      // items are cut to 63 characters
         {"Dansk (" + std::string(50, 'x')}},
    };
    for (const Case& c : cases) {
        language_testing::Reset();
        InstallConfig("[Language]\nAllowed=" + c.allowed + "\n");
        EXPECT_EQ(Offered(), c.offered) << c.allowed;
    }
}

TEST_F(LanguageTest, ConfigurationBesideTheProgramWins) {
    const std::string bin = env_ / "bin";
    std::filesystem::create_directories(bin);
    SetProgramPath(bin + "/orxxadm");
    identity_testing::Reset();
    InitProductIdentity();
    testing::WriteFile(bin + "/orx.cfg", "[Language]\nAllowed=Deutsch\n");
    InstallConfig("[Language]\nAllowed=Svenska\n[Dynamic Strings]\nEnable=1\nEN_1003=Install\n");
    EXPECT_EQ(Offered(), std::vector<std::string>{"Deutsch"});
    EXPECT_EQ(GetText(1003), "Administration");  // overrides come from the same file only
}

TEST_F(LanguageTest, EnumerationEdges) {
    std::string name = "unchanged";
    int index = 0;
    ASSERT_TRUE(EnumLanguageName(name, 4, index));
    EXPECT_EQ(name, "Dan");
    EXPECT_EQ(index, 1);
    index = 4;
    ASSERT_TRUE(EnumLanguageName(name, 6, index));
    EXPECT_EQ(name, "Fran");  // never half a character
    index = 10;
    ASSERT_TRUE(EnumLanguageName(name, 256, index));
    EXPECT_EQ(name, "Türkçe");
    EXPECT_FALSE(EnumLanguageName(name, 256, index));  // Blind ends the list
    EXPECT_EQ(index, 12);
    EXPECT_FALSE(EnumLanguageName(name, 256, index));
    index = 500;
    EXPECT_FALSE(EnumLanguageName(name, 256, index));
    index = -3;
    ASSERT_TRUE(EnumLanguageName(name, 256, index));
    EXPECT_EQ(name, "Dansk");
}

TEST_F(LanguageTest, DynamicStringOverrides) {
    InstallConfig(
        "[Dynamic Strings]\nEnable=1\n"
        "EN_1003=A\\nB\n"
        "EN_1302=back\\\\slash\\ttab\\rreturn \\x kept\\\n"
        "EN_0100=Brand\n"
        "EN_2032=Mail failed\n"
        "SE_1003=Gemensam\n");
    EXPECT_EQ(GetText(1003), "A\nB");
    InstallConfig("[Dynamic Strings]\nEnable=1\nEN_1003=Second\n");
    EXPECT_EQ(GetText(1003), "A\nB");  // read once
    EXPECT_EQ(GetTextWide(1302), u"back\\slash\ttab\rreturn \\x kept\\");
    EXPECT_EQ(GetText(100), "Brand");
    EXPECT_EQ(GetText(2032), "Mail failed (E32)");
    EXPECT_EQ(GetTextWide(1003, 2), u"A");
    // Other languages keep their table text; both Swedish tables share the code.
    ASSERT_TRUE(SelectLanguage("Deutsch"));
    EXPECT_EQ(GetTextWide(1003), FindString(1031, 1003));
    ASSERT_TRUE(SelectLanguage("Svenska (SAMSET)"));
    EXPECT_EQ(GetText(1003), "Gemensam");

    // Nothing without Enable set.
    for (const char* enable : {"Enable=0\n", "", "Enable=no\n"}) {
        language_testing::Reset();
        InstallConfig(std::string("[Dynamic Strings]\n") + enable + "EN_1003=Other\n");
        EXPECT_EQ(GetText(1003), "Administration") << enable;
    }
}

TEST_F(LanguageTest, BlindShowsNothing) {
    UserConfig("[Language]\nCurrent=Blind\n");
    InstallConfig("[Dynamic Strings]\nEnable=1\nEN_1003=Override\n.._1003=Dots\n");
    for (const int id : {100, 1003, 2032, 2107, 2426}) {
        EXPECT_EQ(GetText(id), "") << id;
        EXPECT_EQ(GetTextWide(id), u"") << id;
        EXPECT_EQ(GetTitleText(id), "") << id;
    }
    EXPECT_EQ(GetCurrentLanguageId(), kLanguageBlind);
    // Never offered, even though it is current.
    for (const std::string& name : Offered())
        EXPECT_NE(name, "Blind");
}

TEST_F(LanguageTest, ConcurrentLookupsAndSelections) {
    InstallConfig("[Dynamic Strings]\nEnable=1\nEN_1003=Over\\nride\n");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                if (t == 0)
                    SelectLanguage(i % 2 ? "Deutsch" : "English");
                const std::string text = GetText(2032);
                EXPECT_FALSE(text.empty());
                EXPECT_EQ(text.substr(text.size() - 6), " (E32)");
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

TEST(StringTableTest, Lookups) {
    EXPECT_EQ(FindString(kLanguageEnglish, 1003), u"Administration");
    EXPECT_TRUE(FindString(kLanguageEnglish, 0).empty());
    EXPECT_TRUE(FindString(kLanguageEnglish, 99999).empty());
    EXPECT_TRUE(FindString(kLanguageBlind, 1003).empty());
    EXPECT_FALSE(HasStringTable(kLanguageBlind));
    EXPECT_FALSE(HasStringTable(0));
    // Escapes in the table files become the characters themselves.
    EXPECT_NE(FindString(kLanguageEnglish, 2032).find(u'\n'), std::u16string_view::npos);
    for (const StringTable& table : CompiledStringTables()) {
        for (size_t i = 1; i < table.entries.size(); ++i) {
            EXPECT_LT(table.entries[i - 1].id, table.entries[i].id) << table.languageId;
        }
    }
}

}  // namespace
}  // namespace orx
