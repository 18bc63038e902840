// The configured directories: records as stored, which keys count as directories,
// and which number a new directory gets.
#include "search/directory_records.h"

#include <gtest/gtest.h>

#include <string>

#include "core/config_file.h"
#include "support/test_environment.h"

namespace orx {
namespace {

struct JoinCase {
    DirectoryRecord record;
    std::string text;
};

TEST(DirectoryRecords, JoinedWithTheSchemeEveryUrlNeeds) {
    const JoinCase cases[] = {
        {{"Example", "ldap://ldap.example.org", "dc=example,dc=org", "(cn=*)"},
         "Example|ldap://ldap.example.org|dc=example,dc=org|(cn=*)"},
        {{"Example", "ldap.example.org:389", "", ""}, "Example|ldap://ldap.example.org:389||"},
        // A scheme the client does not know stays as typed; the search then fails.
        {{"Secure", "ldaps://ldap.example.org", "o=x", ""}, "Secure|ldaps://ldap.example.org|o=x|"},
        {{"", "", "", ""}, "|ldap://||"},
    };
    for (const JoinCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(JoinDirectoryRecord(c.record), c.text);
        const DirectoryRecord split = SplitDirectoryRecord(c.text);
        EXPECT_EQ(split.description, c.record.description);
        EXPECT_EQ(split.base, c.record.base);
        EXPECT_EQ(split.filter, c.record.filter);
    }
    const DirectoryRecord longFields =
        SplitDirectoryRecord(std::string(300, 'd') + "|" + std::string(300, 'u') + "|b");
    EXPECT_EQ(longFields.description.size(), kDirectoryFieldCapacity - 1);
    EXPECT_EQ(longFields.url.size(), kDirectoryFieldCapacity - 1);
    EXPECT_EQ(longFields.base, "b");
    EXPECT_EQ(longFields.filter, "");
}

TEST(DirectoryRecords, TheListHoldsNumberedRecordsWithADescriptionInStoredOrder) {
    testing::IsolatedEnvironment environment;
    // The section also holds the dialog's settings; an installation-wide record is
    // not the user's.
    testing::WriteFile(environment.userConfigPath(),
                       "[Directory]\n"
                       "3=Third|ldap://c||\n"
                       "Last=1\n"
                       "MaxFound=50\n"
                       "1=First|ldap://a|dc=a|(cn=*)\n"
                       "2=\n"
                       "4=|ldap://nodescription||\n"
                       "x7=Not a number|ldap://x||\n"
                       "12=Twelfth|ldap://l||\n");
    testing::WriteFile(environment.installFolder() + "orx.cfg",
                       "[Directory]\n5=Machine|ldap://m||\n");
    const auto list = ReadDirectoryList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].number, 3);
    EXPECT_EQ(list[0].description, "Third");
    EXPECT_EQ(list[1].number, 1);
    EXPECT_EQ(list[2].number, 12);
    EXPECT_EQ(ReadDirectoryRecord(1), "First|ldap://a|dc=a|(cn=*)");
    EXPECT_EQ(ReadDirectoryRecord(5), "");
    EXPECT_EQ(ReadDirectoryRecord(99), "");
    // 2 is empty and so free; 5 is taken in the installation-wide file.
    EXPECT_EQ(FirstFreeDirectoryNumber(), 2);
}

TEST(DirectoryRecords, ADeletedNumberIsFreeAgain) {
    testing::IsolatedEnvironment environment;
    EXPECT_EQ(FirstFreeDirectoryNumber(), 1);
    for (int number = 1; number <= 3; ++number)
        ASSERT_EQ(StoreDirectoryRecord(number, "D|ldap://h||"), kConfigOk);
    EXPECT_EQ(FirstFreeDirectoryNumber(), 4);
    ASSERT_EQ(StoreDirectoryRecord(2, ""), kConfigOk);
    EXPECT_EQ(FirstFreeDirectoryNumber(), 2);
    std::string value = "old";
    EXPECT_EQ(ConfigReadString(kDirectorySection, "2", value), kConfigOk);
    EXPECT_EQ(value, "");
    EXPECT_EQ(ReadDirectoryList().size(), 2u);
}

TEST(DirectoryRecords, LastPositionWithinTheList) {
    testing::IsolatedEnvironment environment;
    const std::pair<const char*, int> cases[] = {
        {nullptr, 0}, {"2", 2}, {"3", 0}, {"-1", 0}, {"abc", 0},
    };
    for (const auto& [last, position] : cases) {
        SCOPED_TRACE(last != nullptr ? last : "none");
        ConfigDeleteKey(kDirectorySection, "Last");
        if (last != nullptr) {
            ASSERT_EQ(ConfigWriteString(kDirectorySection, "Last", last), kConfigOk);
        }
        EXPECT_EQ(LastDirectoryPosition(3), position);
    }
}

}  // namespace
}  // namespace orx
