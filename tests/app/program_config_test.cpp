// The configuration as the programs themselves see it: orxxctl's config commands,
// orxxadm's start and end, a text patched into the program file, and a writer that
// is killed while it writes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "support/test_environment.h"

extern char** environ;

namespace orx {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunCommand;
using testing::WriteFile;

std::string Ctl(const std::string& arguments) {
    return testing::BinPath("orxxctl") + " " + arguments + " 2>/dev/null";
}

TEST(ProgramConfigTest, OrxxctlConfigCommands) {
    testing::IsolatedEnvironment env;
    const std::string user = env / "u.cfg";
    testing::ScopedEnv override("configorx", user.c_str());
    std::string out;
    EXPECT_EQ(RunCommand(Ctl("config set Dialog Width 123"), &out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(RunCommand(Ctl("config get Dialog Width"), &out), 0);
    EXPECT_EQ(out, "123\n");

    WriteFile(env.installFolder() + "orx.cfg", "[Dialog]\nWidth=9\nInstallOnly=here\n");
    EXPECT_EQ(RunCommand(Ctl("config get Dialog Width"), &out), 0);
    EXPECT_EQ(out, "123\n");
    EXPECT_EQ(RunCommand(Ctl("config get dialog installonly"), &out), 0);
    EXPECT_EQ(out, "here\n");
    EXPECT_EQ(RunCommand(Ctl("config get Dialog Missing"), &out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(RunCommand(Ctl("config get Nowhere Missing"), &out), 1);

    EXPECT_EQ(RunCommand(Ctl("config set Dialog Height '1 2 '"), &out), 0);
    EXPECT_EQ(RunCommand(Ctl("config set Other Key v"), &out), 0);
    EXPECT_EQ(RunCommand(Ctl("config keys Dialog"), &out), 0);
    EXPECT_EQ(out, "Width\nHeight\n");
    EXPECT_EQ(RunCommand(Ctl("config get Dialog Height"), &out), 0);
    EXPECT_EQ(out, "1 2\n");
    EXPECT_EQ(RunCommand(Ctl("config keys Missing"), &out), 0);
    EXPECT_EQ(out, "");

    EXPECT_EQ(RunCommand(Ctl("config delete Dialog Width"), &out), 0);
    EXPECT_EQ(RunCommand(Ctl("config get Dialog Width"), &out), 0);
    EXPECT_EQ(out, "9\n");  // the installation-wide value shows through
    EXPECT_EQ(RunCommand(Ctl("config delete Dialog Width"), &out), 1);
    EXPECT_EQ(RunCommand(Ctl("config delete Dialog"), &out), 0);
    EXPECT_EQ(ReadFile(user), "\n[Other]\nKey=v\n");

    EXPECT_EQ(RunCommand(Ctl("config"), &out), 2);
    EXPECT_EQ(RunCommand(Ctl("config get Dialog"), &out), 2);

    // A per-user file that cannot be made.
    WriteFile(env / "plain", "x");
    testing::ScopedEnv bad("configorx", (env / "plain/u.cfg").c_str());
    EXPECT_EQ(RunCommand(Ctl("config set Dialog Width 1"), &out), 1);
}

TEST(ProgramConfigTest, OrxxadmCleansUpAndKeepsSizes) {
    testing::IsolatedEnvironment env;
    const std::string traceFile = env / "adm.trace";
    WriteFile(env.userConfigPath(),
              "[PCSC]\nReader=1\n[Dialog]\nWidthColumnCert0=1000\nWidthColumnCert1=5\n"
              "[Gina]\nA=1\n[Smart Card Reader]\nB=2\n[Trace]\nFile=" +
                  traceFile + "\n");
    // Without a display the program goes as far as it can and ends.
    ASSERT_EQ(RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                         testing::BinPath("orxxadm") + " -admin 3"),
              0);
    const std::string text = ReadFile(env.userConfigPath());
    EXPECT_EQ(text.find("[PCSC]"), std::string::npos) << text;
    EXPECT_EQ(text.find("[Gina]"), std::string::npos) << text;
    EXPECT_EQ(text.find("[Smart Card Reader]"), std::string::npos) << text;
    EXPECT_NE(text.find("WidthColumnCert0=500\n"), std::string::npos) << text;
    EXPECT_NE(text.find("WidthColumnCert1=5\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Width=40305040\n"), std::string::npos) << text;
    const std::string trace = ReadFile(traceFile);
    EXPECT_NE(trace.find("Config - Open '" + env.userConfigPath() + "' (w)"), std::string::npos)
        << trace;
}

// Finds the unused static configuration area: the marker followed by nothing but zeros.
size_t FindStaticArea(const std::string& program) {
    const std::string marker(8, '\xCF');
    const std::string empty(16384 - 8, '\0');
    size_t at = 0;
    while ((at = program.find(marker, at)) != std::string::npos) {
        if (program.compare(at + 8, empty.size(), empty) == 0)
            return at;
        ++at;
    }
    return std::string::npos;
}

TEST(ProgramConfigTest, TextPatchedIntoTheProgramIsTheInstallationWideFile) {
    testing::IsolatedEnvironment env;
    std::string program = ReadFile(testing::BinPath("orxxctl"));
    const size_t area = FindStaticArea(program);
    ASSERT_NE(area, std::string::npos);
    const std::string patch = "[Dialog]\nWidth=patched\n[Install]\nProductType=Pro\n";
    program.replace(area + 8, patch.size(), patch);
    fs::create_directories(env / "bin");
    const std::string copy = env / "bin/orxxctl";
    WriteFile(copy, program);
    fs::permissions(copy, fs::perms::owner_all);
    // It stands for the installation-wide file even when that file exists.
    WriteFile(env.installFolder() + "orx.cfg", "[Dialog]\nWidth=file\n");

    std::string out;
    EXPECT_EQ(RunCommand(copy + " config get Dialog Width", &out), 0);
    EXPECT_EQ(out, "patched\n");
    EXPECT_EQ(RunCommand(copy + " config get Install ProductType", &out), 0);
    EXPECT_EQ(out, "Pro\n");
    // The per-user file still wins.
    EXPECT_EQ(RunCommand(copy + " config set Dialog Width mine", &out), 0);
    EXPECT_EQ(RunCommand(copy + " config get Dialog Width", &out), 0);
    EXPECT_EQ(out, "mine\n");
    // The unpatched program reads the file.
    EXPECT_EQ(RunCommand(Ctl("config get Install ProductType"), &out), 1);
}

pid_t Spawn(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool HasTempBeside(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(".user.cfg.", 0) == 0)
            return true;
    }
    return false;
}

TEST(ProgramConfigTest, WriterKilledMidWriteLeavesAWholeFile) {
    testing::IsolatedEnvironment env;
    const std::string path = env.userConfigPath();
    std::string old = "[Dialog]\nWidth=1\n[Bulk]\n";
    for (int i = 0; old.size() < 32u << 20; ++i) {
        old += "Key" + std::to_string(i) + "=" + std::string(200, 'a' + i % 26) + "\n";
    }
    WriteFile(path, old);
    const std::string newText = [&] {
        std::string t = old;
        t.replace(t.find("Width=1"), 7, "Width=2");
        return t;
    }();
    int killedMidWrite = 0;
    for (int round = 0; round < 3; ++round) {
        const pid_t pid =
            Spawn({testing::BinPath("orxxctl"), "config", "set", "Dialog", "Width", "2"});
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool sawTemp = false;
        while (std::chrono::steady_clock::now() < deadline) {
            if (HasTempBeside(env.root())) {
                sawTemp = true;
                break;
            }
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        if (sawTemp && WIFSIGNALED(status))
            ++killedMidWrite;
        const std::string now = ReadFile(path);
        EXPECT_TRUE(now == old || now == newText) << "round " << round << ": " << now.size();
        for (const auto& entry : fs::directory_iterator(env.root())) {
            if (entry.path().filename().string().rfind(".user.cfg.", 0) == 0) {
                fs::remove(entry.path());
            }
        }
        WriteFile(path, old);
    }
    EXPECT_GT(killedMidWrite, 0);
}

}  // namespace
}  // namespace orx
