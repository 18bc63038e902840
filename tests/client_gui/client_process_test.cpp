// The program itself, started as the administration program starts it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <chrono>
#include <thread>

#include "client_gui/facts/test_certificates.h"
#include "core/config_file.h"
#include "core/os/process.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using namespace std::chrono_literals;

class ClientProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        trace = env / "client-trace.txt";
        ASSERT_EQ(ConfigWriteString("Trace", "File", trace), kConfigOk);
    }
    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    void Start(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {testing::BinPath("orx")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        pid = SpawnProcess(argv);
        ASSERT_GT(pid, 0);
    }
    bool TraceHas(const std::string& text) const {
        return testing::PathExists(trace) &&
               testing::ReadFile(trace).find(text) != std::string::npos;
    }
    bool WaitForTrace(const std::string& text) const {
        for (auto end = std::chrono::steady_clock::now() + 15s;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(20ms)) {
            if (TraceHas(text))
                return true;
        }
        return false;
    }
    bool Running() const { return waitpid(pid, nullptr, WNOHANG) == 0; }
    // The exit status, or -1 when the program did not end in time.
    int WaitForExit() {
        for (auto end = std::chrono::steady_clock::now() + 15s;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(20ms)) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
        }
        return -1;
    }

    testing::IsolatedEnvironment env;
    std::string trace;
    pid_t pid = -1;
};

TEST_F(ClientProcessTest, ViewDeletesItsFileOnceTheWindowCloses) {
    const std::string file = env / "~orx001.cer";
    testing::WriteFile(file, testing::ReadFile(testing::CertificatePath(testing::TestCert::Full)));
    Start({"-view", file});
    ASSERT_TRUE(WaitForTrace("Client - Showing certificate '" + file + "'"));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(Running());
    EXPECT_TRUE(testing::PathExists(file)) << "deleted while still shown";
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitForExit(), 0);
    EXPECT_FALSE(testing::PathExists(file));
    EXPECT_TRUE(TraceHas("Client - Deleted '" + file + "'"));
}

TEST_F(ClientProcessTest, ViewNoDeleteKeepsTheTraceFile) {
    const std::string file = env / "orx.txt";
    testing::WriteFile(file, "[1:1] 00.00.00.000 line\n");
    Start({"-viewnodelete", file});
    ASSERT_TRUE(WaitForTrace("Client - Showing trace file '" + file + "'"));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(Running());
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitForExit(), 0);
    EXPECT_EQ(testing::ReadFile(file), "[1:1] 00.00.00.000 line\n");
}

TEST_F(ClientProcessTest, GarbageIsToldAndTheTemporaryFileStillGoes) {
    const std::string file = env / "~orx002.cer";
    testing::WriteFile(file, "not a certificate");
    Start({"-view", file});
    ASSERT_TRUE(WaitForTrace("Client - No certificate in '" + file + "'"));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(Running()) << "the message box is not waiting for the user";
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitForExit(), 1);
    EXPECT_FALSE(testing::PathExists(file));
}

TEST_F(ClientProcessTest, HelpOpensTheConfiguredPage) {
    // The desktop's opener is a recorder here.
    const std::string bin = env / "bin";
    ASSERT_EQ(mkdir(bin.c_str(), 0700), 0);
    const std::string opened = env / "opened.txt";
    testing::WriteFile(bin + "/xdg-open", "#!/bin/sh\necho \"$@\" > '" + opened + "'\n");
    ASSERT_EQ(chmod((bin + "/xdg-open").c_str(), 0700), 0);
    testing::ScopedEnv path(
        "PATH", (bin + ":" + std::string(getenv("PATH") ? getenv("PATH") : "/usr/bin")).c_str());
    ASSERT_EQ(ConfigWriteString("Links", "Help", "https://help.example/orx"), kConfigOk);
    Start({"-help"});
    EXPECT_EQ(WaitForExit(), 0);
    for (int i = 0; i < 250 && !testing::PathExists(opened); ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(testing::ReadFile(opened), "https://help.example/orx\n");
}

TEST_F(ClientProcessTest, WithoutALinkTheUserIsTold) {
    Start({"-support"});
    ASSERT_TRUE(WaitForTrace("Client - No link configured for Links/Support"));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(Running());
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitForExit(), 1);
}

TEST_F(ClientProcessTest, NothingToDoIsAUsageError) {
    Start({});
    EXPECT_EQ(WaitForExit(), 2);
}

}  // namespace
}  // namespace orx
