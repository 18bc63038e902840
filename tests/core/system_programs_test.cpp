#include "core/system_programs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "core/product_identity.h"
#include "core/system_mail.h"
#include "core/trace.h"
#include "support/process_state.h"
#include "support/test_environment.h"

namespace orx {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

// A program that writes its name and arguments, one a line, to $ORX_TEST_LOG and
// exits with $ORX_TEST_EXIT.
void FakeProgram(const std::string& path) {
    WriteFile(path,
              "#!/bin/sh\n"
              "{ echo \"$(basename \"$0\")\"; for a in \"$@\"; do echo \"$a\"; done; } "
              ">> \"$ORX_TEST_LOG\"\n"
              "exit ${ORX_TEST_EXIT:-0}\n");
    ::chmod(path.c_str(), 0755);
}

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

class SystemProgramsTest : public ::testing::Test {
  protected:
    SystemProgramsTest()
        : log(env / "calls.log"),
          logVar("ORX_TEST_LOG", log.c_str()),
          exitVar("ORX_TEST_EXIT", "0"),
          pathVar("PATH", (env / "path:/usr/bin:/bin").c_str()) {
        fs::create_directories(env / "bin");
        fs::create_directories(env / "path");
        SetProgramPath(env / "bin/orxxadm");
        identity_testing::Reset();
        InitProductIdentity();
        traceFile = env / "trace.log";
        TraceSetFile(traceFile);
    }
    std::string Traced() { return ReadFile(traceFile); }
    testing::IsolatedEnvironment env;
    std::string log;
    testing::ScopedEnv logVar;
    testing::ScopedEnv exitVar;
    testing::ScopedEnv pathVar;
    std::string traceFile;
};

TEST_F(SystemProgramsTest, CommandsNeedTheirProgram) {
    EXPECT_FALSE(IsAdminCommand("-admin 3"));
    EXPECT_FALSE(IsConfigCommand("-applyconfig x"));
    FakeProgram(env / "bin/orxxadm");
    FakeProgram(env / "bin/orxxcmt");
    struct Case {
        const char* line;
        bool admin;
        bool config;
    };
    const Case cases[] = {
        {"-admin 3", true, false},   {"-ADMIN", true, false},         {"-encrypt f", true, false},
        {"-decrypt f", true, false}, {"-sign f", true, false},        {"-signature", true, false},
        {"-verify f", true, false},  {" -admin", false, false},       {"-adm", false, false},
        {"-help", false, false},     {"-applyconfig a", false, true}, {"-MergeConfig", false, true},
        {"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsAdminCommand(c.line), c.admin) << c.line;
        EXPECT_EQ(IsConfigCommand(c.line), c.config) << c.line;
    }
    EXPECT_NE(Traced().find("Helper - Has component 'orxxadm': YES"), std::string::npos);
}

TEST_F(SystemProgramsTest, HasComponentLooksInTheComponentFolderToo) {
    EXPECT_FALSE(HasComponent("orxxcmt"));
    EXPECT_FALSE(HasComponent(""));
    EXPECT_NE(Traced().find("Helper - Has component 'orxxcmt': NO"), std::string::npos);
    fs::create_directories(env / "components");
    WriteFile(env / "components/orxxcmt", "");
    WriteFile(env.installFolder() + "orx.cfg", "[Install]\nDirectory=" + env / "components\n");
    EXPECT_TRUE(HasComponent("orxxcmt"));
}

TEST_F(SystemProgramsTest, StartProgramPicksTheProgramAndLeavesNoZombie) {
    FakeProgram(env / "bin/orx");
    FakeProgram(env / "bin/orxxadm");
    struct Case {
        const char* line;
        std::string expected;
    };
    const Case cases[] = {
        {"-help", "orx\n-help\n"},
        {"-admin 3 -name \"My card\"", "orxxadm\n-admin\n3\n-name\nMy card\n"},
        {"-applyconfig x", "orx\n-applyconfig\nx\n"},  // no configuration tool installed
    };
    for (const Case& c : cases) {
        fs::remove(log);
        const int pid = StartProgram(c.line);
        ASSERT_GT(pid, 0) << c.line;
        ASSERT_TRUE(WaitFor([&] { return ReadFile(log) == c.expected; }))
            << c.line << ": " << ReadFile(log);
        // Collected once it ended: no process entry stays behind.
        EXPECT_TRUE(WaitFor([&] { return !fs::exists("/proc/" + std::to_string(pid)); })) << c.line;
    }
    FakeProgram(env / "bin/orxxcmt");
    fs::remove(log);
    ASSERT_GT(StartProgram("-applyconfig x"), 0);
    EXPECT_TRUE(WaitFor([&] { return ReadFile(log) == "orxxcmt\n-applyconfig\nx\n"; }));
    EXPECT_NE(Traced().find("Helper - Create process: '\"" + env / "bin/orxxcmt\" -applyconfig x'"),
              std::string::npos);

    fs::remove(env / "bin/orx");
    EXPECT_EQ(StartProgram("-support"), 0);
    EXPECT_NE(Traced().find("Admin - Failed to start myself"), std::string::npos);
}

TEST_F(SystemProgramsTest, ShellOpenWaitsForTheClientAndDeletesTheFile) {
    FakeProgram(env / "bin/orx");
    const std::string file = env / "cert file.cer";
    WriteFile(file, "x");
    EXPECT_EQ(ShellOpen(nullptr, file, true), 0);
    EXPECT_EQ(ReadFile(log), "orx\n-view\n" + file + "\n");
    EXPECT_FALSE(fs::exists(file));

    // Without waiting, the desktop's opener gets it and the file stays.
    FakeProgram(env / "path/xdg-open");
    WriteFile(file, "x");
    fs::remove(log);
    testing::ScopedEnv folder("ORX_TEST_FOLDER", env.root().c_str());
    EXPECT_EQ(ShellOpen(nullptr, "%ORX_TEST_FOLDER%/cert file.cer", false), 0);
    EXPECT_TRUE(WaitFor([&] { return ReadFile(log) == "xdg-open\n" + file + "\n"; }))
        << ReadFile(log);
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(SystemProgramsTest, SendMailHandsTheMessageToTheComposer) {
    FakeProgram(env / "path/xdg-email");
    const std::vector<std::string> files = {env / "a.log", env / "b c.log"};
    EXPECT_TRUE(
        SendMail(nullptr, "someone@example.org", "Trace file", "See attached.\nBye", files));
    EXPECT_EQ(ReadFile(log),
              "xdg-email\n--utf8\n--subject\nTrace file\n--body\nSee attached.\n"
              "Bye\n--attach\n" +
                  files[0] + "\n--attach\n" + files[1] + "\nsomeone@example.org\n");
    EXPECT_NE(Traced().find("Helper - File sent by mail"), std::string::npos);

    // No recipient: none is passed; an empty subject is still one.
    fs::remove(log);
    EXPECT_TRUE(SendMail(nullptr, "", "", "body", {}));
    EXPECT_EQ(ReadFile(log), "xdg-email\n--utf8\n--subject\n\n--body\nbody\n");

    for (const char* code : {"1", "3"}) {
        testing::ScopedEnv failing("ORX_TEST_EXIT", code);
        EXPECT_FALSE(SendMail(nullptr, "x@example.org", "s", "b", {}));
        EXPECT_NE(Traced().find(std::string("Helper - Failed to send mail (") + code + ")"),
                  std::string::npos);
    }
    fs::remove(env / "path/xdg-email");
    testing::ScopedEnv noPath("PATH", (env / "path").c_str());
    EXPECT_FALSE(SendMail(nullptr, "x@example.org", "s", "b", {}));
    EXPECT_NE(Traced().find("Helper - Failed to load MAPI"), std::string::npos);
}

}  // namespace
}  // namespace orx
