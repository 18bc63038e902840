// orxxctl token, run as a separate program beside a fake module: a copy of orxxctl
// in the test's own program folder finds the fake there as orx.so.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "fake_plugin_fixture.h"

namespace orx {
namespace {

using orx::testing::FakePluginFolder;
using ::testing::Contains;
using ::testing::ElementsAre;

class TokenCommandTest : public ::testing::Test {
  protected:
    // variant nullptr: a program folder without module.
    void Prepare(const char* variant = orx::testing::kCompleteFake) {
        fake_ = std::make_unique<FakePluginFolder>(env_, variant);
        program_ = fake_->programFolder() + "/orxxctl";
        std::filesystem::copy_file(orx::testing::BinPath("orxxctl"), program_,
                                   std::filesystem::copy_options::overwrite_existing);
    }

    int Run(const std::string& arguments, std::string* output = nullptr) {
        return orx::testing::RunCommand(
            "'" + program_ + "' --trace '" + traceFile() + "' " + arguments + " 2>/dev/null",
            output);
    }

    std::string traceFile() const { return env_ / "trace.txt"; }

    orx::testing::IsolatedEnvironment env_;
    std::unique_ptr<FakePluginFolder> fake_;
    std::string program_;
};

TEST_F(TokenCommandTest, ListShowsSlotsAndTokensBehindTheirNames) {
    Prepare();
    fake_->AnswerEnum("SlotCard", 0, "1;Reader A");
    fake_->AnswerEnum("SlotSoft", 0, "100;Soft");
    fake_->AnswerEnum("SlotSoft", 1, "101;Other");
    fake_->AnswerEnum("Token", 0, "100;Mine");
    std::string output;
    EXPECT_EQ(Run("token list", &output), 0);
    EXPECT_EQ(output,
              "SlotCard\t1;Reader A\nSlotSoft\t100;Soft\nSlotSoft\t101;Other\nToken\t100;Mine\n");
}

TEST_F(TokenCommandTest, GetAndEnumAnswerOrFailWhenAbsent) {
    Prepare();
    fake_->AnswerGet("Version", "4.2.0");
    fake_->AnswerGet("Empty", "");
    fake_->AnswerEnum("Component", 0, "a");
    fake_->AnswerEnum("Component", 1, "b");
    std::string output;
    EXPECT_EQ(Run("token get Version", &output), 0);
    EXPECT_EQ(output, "4.2.0\n");
    EXPECT_EQ(Run("token get Empty", &output), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(Run("token get Missing", &output), 1);
    EXPECT_EQ(Run("token enum Component", &output), 0);
    EXPECT_EQ(output, "a\nb\n");
    EXPECT_EQ(Run("token enum Token", &output), 1);
}

TEST_F(TokenCommandTest, SetAndInvokeGoThroughTheWrappers) {
    Prepare();
    fake_->AnswerGet("ActiveSlot", "100");
    fake_->AnswerInvoke("Login", 0xA0);
    std::string output;
    EXPECT_EQ(Run("token set TokenLabel 'My token'", &output), 0);
    EXPECT_EQ(output, "");
    // The start hands the module the configured trace file (none here), then
    // "--trace" hands it the program's own.
    EXPECT_THAT(fake_->Calls(), ElementsAre("PlgInitialize\t0\t0\t0\t0", "PlgSetProperty\tTrace\t",
                                            "PlgSetProperty\tTrace\t" + traceFile(),
                                            "PlgSetProperty\tTokenLabel\tMy token", "PlgFinalize"));
    fake_->ClearCalls();
    EXPECT_EQ(Run("token invoke Refresh", &output), 0);
    EXPECT_EQ(output, "0\n");
    EXPECT_THAT(fake_->Calls(), Contains("PlgSetProperty\tActiveSlot\t100"));
    EXPECT_EQ(Run("token invoke Login", &output), 1);
    EXPECT_EQ(output, "160\n");
}

TEST_F(TokenCommandTest, BadArgumentsAreUsageErrors) {
    Prepare();
    for (const char* arguments : {"token", "token get", "token get a b", "token set a",
                                  "token frob x", "token list x", "token invoke"}) {
        EXPECT_EQ(Run(arguments), 2) << arguments;
    }
    EXPECT_FALSE(orx::testing::PathExists(fake_->controlFolder() + "/calls"));
}

TEST_F(TokenCommandTest, MissingModuleFailsAndIsTracedOnce) {
    Prepare(nullptr);
    std::string output;
    EXPECT_EQ(Run("token get Version", &output), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(
        orx::testing::CountTraceLines(traceFile(), "Web - Failed to load admin module 'orx.so'"),
        1);
}

}  // namespace
}  // namespace orx
