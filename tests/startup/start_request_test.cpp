#include "app/start_request.h"

#include <gtest/gtest.h>

namespace orx {
namespace {

TEST(StartRequestTest, OptionsAreTestedInTheirFixedOrder) {
    struct Case {
        const char* line;
        StartTask task;
        int operation;
        const char* file;
        int slot;
        const char* label;
    };
    const Case cases[] = {
        {"", StartTask::Admin, 0, "", 0, ""},
        {"-sign a.txt -settings", StartTask::Settings, 0, "", 0, ""},
        {"-settings -sign a.txt", StartTask::Settings, 0, "", 0, ""},
        {"-uninstall -install", StartTask::Install, 0, "", 0, ""},
        {"-decrypt d.p7m -uninstall", StartTask::Uninstall, 0, "", 0, ""},
        {"-decrypt d.p7m -verify v.p7s", StartTask::FileOperation, kVerify, "v.p7s", 0, ""},
        {"-encrypt \"my file.txt\"", StartTask::FileOperation, kEncrypt, "my file.txt", 0, ""},
        {"-encrypt my file.txt", StartTask::FileOperation, kEncrypt, "my", 0, ""},
        {"-signature", StartTask::FileOperation, kSign, "ature", 0, ""},
        {"-admin 3 -name \"My Card\"", StartTask::Admin, 0, "", 3, "My Card"},
        {"-admin 12abc", StartTask::Admin, 0, "", 12, ""},
        {"-admin", StartTask::Admin, 0, "", 0, ""},
        {"-name Lonely", StartTask::Admin, 0, "", 0, ""},
        {"-sign x -admin 5 -name L", StartTask::FileOperation, kSign, "x", 0, ""},
    };
    for (const Case& c : cases) {
        const StartRequest r = ParseStartRequest(c.line);
        EXPECT_EQ(r.task, c.task) << c.line;
        EXPECT_EQ(r.operation, c.operation) << c.line;
        EXPECT_EQ(r.inputFile, c.file) << c.line;
        EXPECT_EQ(r.cachedSlotId, c.slot) << c.line;
        EXPECT_EQ(r.pendingSlotLabel, c.label) << c.line;
    }
}

TEST(StartRequestTest, ValuesAreCutToTheirCapacity) {
    const std::string longPath(300, 'p');
    EXPECT_EQ(ParseStartRequest("-sign " + longPath).inputFile, std::string(255, 'p'));
    const std::string longLabel(100, 'l');
    EXPECT_EQ(ParseStartRequest("-admin 1 -name " + longLabel).pendingSlotLabel,
              std::string(64, 'l'));
}

}  // namespace
}  // namespace orx
