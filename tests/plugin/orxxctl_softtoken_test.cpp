// orxxctl token create/info/delete against the real module.
#include "module_fixture.h"

namespace orx::testing {
namespace {

using SoftTokenCommands = ModuleTest;

int Ctl(const std::string& arguments, std::string* output = nullptr) {
    return RunCommand(BinPath("orxxctl") + " " + arguments + " 2>/dev/null", output);
}

TEST_F(SoftTokenCommands, CreateInfoExportImportDelete) {
    app_.reset();
    std::string output;
    Script({"pin ctl-password", "pin ctl-password"});
    ASSERT_EQ(Ctl("token create 'Command Line'", &output), 0);
    EXPECT_EQ(output, "100\n");
    ASSERT_EQ(Ctl("token info 100", &output), 0);
    EXPECT_EQ(FieldOf(output, 0), "100");
    EXPECT_EQ(FieldOf(output, 1), "Command Line");
    const std::string file = FieldOf(output, 5);
    EXPECT_EQ(file, TokenFolder() + "Command Line.tkn");

    Script({"pin ctl-password"});
    ASSERT_EQ(Ctl("token create Second '" + file + "'", &output), 0);
    EXPECT_EQ(output, "101\n");
    ASSERT_EQ(Ctl("token info 101", &output), 0);
    EXPECT_EQ(FieldOf(output, 1), "Second");

    ASSERT_EQ(Ctl("token delete 100"), 0);
    EXPECT_FALSE(PathExists(file));
    EXPECT_EQ(Ctl("token info 100"), 1);
    EXPECT_EQ(Ctl("token delete 100"), 1);
    ASSERT_EQ(Ctl("token list", &output), 0);
    EXPECT_EQ(output, "SlotSoft\t101;Second;Second\nToken\t101;Second\n");
}

TEST_F(SoftTokenCommands, FailuresAndUsage) {
    app_.reset();
    Script({"cancel"});
    EXPECT_EQ(Ctl("token create Cancelled"), 1);
    WriteFile(*env_ / "some.p12", "x");
    EXPECT_EQ(Ctl("token create X " + *env_ / "some.p12"), 1);
    EXPECT_EQ(Ctl("token create X " + *env_ / "missing.tkn"), 1);
    for (const char* bad : {"token create", "token info", "token info abc", "token delete 0",
                            "token info 1 2", "token create a b c"})
        EXPECT_EQ(Ctl(bad), 2) << bad;
    std::string output;
    ASSERT_EQ(Ctl("token list", &output), 0);
    EXPECT_EQ(output, "");
}

}  // namespace
}  // namespace orx::testing
