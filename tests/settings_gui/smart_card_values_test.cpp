// The Smart Card page's numbers and reader lists without its window: stored values
// brought onto the offered entries, the entries themselves, and the ";"-terminated
// list with its 255 characters.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/smart_card_values.h"
#include "support/test_environment.h"
#include "token/token_application.h"

namespace orx {
namespace {

using testing::IsolatedEnvironment;

TEST(SmartCardValuesTest, StoredNumbersComeOntoAnOfferedEntry) {
    struct Case {
        int32_t (*normalize)(int32_t);
        const char* name;
        int32_t stored;
        int32_t shown;
    };
    const Case cases[] = {
        {NormalizeDetect, "detect", 25, 30},
        {NormalizeDetect, "detect", 45, 50},
        {NormalizeDetect, "detect", 75, 60},
        {NormalizeDetect, "detect", -1, -1},
        {NormalizeDetect, "detect", 0, 0},
        {NormalizeDetect, "detect", 1, 10},
        {NormalizeDetect, "detect", 50, 50},
        {NormalizeDetect, "detect", 59, 60},
        // Division toward zero: small negative values round up to 0, larger ones
        // to a negative multiple of ten that no entry offers.
        {NormalizeDetect, "detect", -9, 0},
        {NormalizeDetect, "detect", -25, -10},
        {NormalizeDetect, "detect", INT_MAX, 60},
        {NormalizeDetect, "detect", INT_MIN, INT_MIN + 18},
        {NormalizeMode, "mode", 5, 1},
        {NormalizeMode, "mode", 1, 1},
        {NormalizeMode, "mode", 0, 0},
        {NormalizeMode, "mode", -3, -3},
        {NormalizeLockTimeout, "lock", -1, 0},
        {NormalizeLockTimeout, "lock", 15, 20},
        {NormalizeLockTimeout, "lock", 30, 30},
        {NormalizeLockTimeout, "lock", 75, 60},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.normalize(c.stored), c.shown) << c.name << " " << c.stored;
}

TEST(SmartCardValuesTest, EntriesInEnglishWithTheirItemData) {
    IsolatedEnvironment env;
    auto flatten = [](const std::vector<ComboEntry>& entries) {
        std::vector<std::pair<std::string, int32_t>> flat;
        for (const ComboEntry& entry : entries)
            flat.emplace_back(entry.text, entry.data);
        return flat;
    };
    using Flat = std::vector<std::pair<std::string, int32_t>>;
    EXPECT_EQ(flatten(DetectEntries()), (Flat{{"0 seconds (disabled)", 0},
                                              {"10 seconds", 10},
                                              {"20 seconds", 20},
                                              {"30 seconds", 30},
                                              {"40 seconds", 40},
                                              {"50 seconds", 50},
                                              {"60 seconds (recommended)", 60},
                                              {"Infinite", -1}}));
    EXPECT_EQ(flatten(ModeEntries()), (Flat{{"SHARED (recommended)", 1}, {"EXCLUSIVE", 0}}));
    EXPECT_EQ(flatten(LockTimeoutEntries()), (Flat{{"0 seconds (disabled)", 0},
                                                   {"10 seconds", 10},
                                                   {"20 seconds", 20},
                                                   {"30 seconds (recommended)", 30},
                                                   {"40 seconds", 40},
                                                   {"50 seconds", 50},
                                                   {"60 seconds", 60}}));
}

TEST(SmartCardValuesTest, ReaderListsSplitAndJoin) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(SplitReaderNames("Alpha;Beta Reader;"), (Names{"Alpha", "Beta Reader"}));
    EXPECT_EQ(SplitReaderNames(";;Alpha"), (Names{"Alpha"}));
    EXPECT_TRUE(SplitReaderNames("").empty());

    const std::string a(100, 'a'), b(100, 'b'), c(100, 'c');
    struct Case {
        Names names;
        size_t size;
        std::string joined;
    };
    const Case cases[] = {
        {{"Alpha", "Beta"}, 256, "Alpha;Beta;"},
        // The placeholder is no name; an empty entry ends the list.
        {{"<All reader names>", "Alpha"}, 256, "Alpha;"},
        {{"Alpha", "", "Beta"}, 256, "Alpha;"},
        // 202 characters, and a third name would make 303.
        {{a, b, c}, 256, a + ";" + b + ";"},
        // A text of exactly 255 characters still fits a 256-byte list, 256 no more.
        {{a, b, std::string(52, 'c')}, 256, a + ";" + b + ";" + std::string(52, 'c') + ";"},
        {{a, b, std::string(53, 'c')}, 256, a + ";" + b + ";"},
        {{}, 256, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinReaderNames(c.names, c.size), c.joined) << c.names.size();
}

// One name per reader from every third "SlotCard" entry, for 255 characters.
TEST(SmartCardValuesTest, KnownReadersFromTheModuleStopBefore255Characters) {
    IsolatedEnvironment env;
    std::vector<std::string> readers;
    for (char letter : std::string("ABCDE")) {
        readers.push_back(std::string(1, letter) + std::string(59, 'r'));
        std::filesystem::create_directories(env / ("data/orx/readers/" + readers.back()));
    }
    TokenApplication app;
    app.StartPlugin();
    ASSERT_EQ(app.EnumPropertyString("SlotCard", 3)->substr(0, 4), "4;Br");
    // Entries "id;<60 characters>;" of 63 or 64 characters, 61 collected from each:
    // the fifth would bring the collected 244 characters past 255.
    std::string expected;
    for (size_t i = 0; i < 4; ++i)
        expected += readers[i] + ";";
    EXPECT_EQ(KnownReaderNames(app), expected);

    TokenApplication none;  // no module: no readers
    EXPECT_EQ(KnownReaderNames(none), "");
}

}  // namespace
}  // namespace orx
