// What the module must never leak or risk: passwords in traces, command lines or
// files; damaged token files taken for good ones; a prompt that hangs.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/base64.h"
#include "module_fixture.h"

namespace orx::testing {
namespace {

namespace fs = std::filesystem;
using ModuleSecrets = ModuleTest;

// Replaces a file the way a copy tool would: a new file, renamed over the old one.
void ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteFile(path + ".tmp", std::string(bytes.begin(), bytes.end()));
    fs::rename(path + ".tmp", path);
}

TEST_F(ModuleSecrets, NoPasswordInTheTraceInAChildsCommandLineOrInAnyFile) {
    const std::string trace = *env_ / "trace.log";
    app_->SetProperty("Trace", trace.c_str());
    ASSERT_EQ(Create("Secret", "Sekrit-Pw-9137"), 0);
    Script({"pin Sekrit-Wrong-1", "pin Sekrit-Pw-9137"});
    ASSERT_EQ(app_->InvokeWithParent(4242, "Login"), 0);
    Script({"pin Sekrit-Pw-9137", "pin Sekrit-New-4410", "pin Sekrit-New-4410"});
    ASSERT_EQ(app_->Invoke("ChangePassword"), 0);
    const std::string tokenPath = TokenFolder() + "Secret.tkn";
    app_->SetProperty("TokenData", Base64Encode(ReadBytes(tokenPath)).c_str());
    app_->SetProperty("TokenLabel", "Imported");
    Script({"pin Sekrit-New-4410"});
    ASSERT_EQ(app_->Invoke("CreateToken"), 0);
    app_.reset();

    const std::string traced = ReadFile(trace);
    EXPECT_NE(traced.find("Plg - Login ... done"), std::string::npos);
    EXPECT_NE(traced.find("Plg - Password is incorrect"), std::string::npos);
    EXPECT_EQ(traced.find("Sekrit"), std::string::npos);

    // The fake pinentry logged its own /proc/self/cmdline: the parent window, no password.
    const std::string log = PinentryLog();
    EXPECT_NE(log.find("CMDLINE " ORX_FAKE_PINENTRY " --parent-wid 4242"), std::string::npos);
    EXPECT_EQ(log.find("Sekrit"), std::string::npos);

    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(env_->root())) {
        if (!entry.is_regular_file() || entry.path() == ScriptPath())
            continue;
        ++files;
        EXPECT_EQ(ReadFile(entry.path()).find("Sekrit"), std::string::npos) << entry.path();
    }
    EXPECT_GE(files, 4);  // two tokens, the slot index, the trace
}

TEST_F(ModuleSecrets, ADamagedTokenFileIsDetectedNeverUsed) {
    ASSERT_EQ(Create("Damaged", "damaged-pass"), 0);
    const std::string path = TokenFolder() + "Damaged.tkn";
    const std::vector<uint8_t> good = ReadBytes(path);
    const size_t positions[] = {0, 9, 20, 60, good.size() / 2, good.size() - 40, good.size() - 1};
    for (size_t at : positions) {
        auto bad = good;
        bad[at] ^= 0x10;
        ReplaceFile(path, bad);
        app_->SetActiveSlot(100);
        EXPECT_EQ(Get("TokenInfo"), std::nullopt) << at;
        EXPECT_TRUE(Enum("Token").empty()) << at;
        EXPECT_EQ(Enum("SlotSoft"), std::vector<std::string>{"100;Damaged;Damaged"}) << at;
        Script({"pin damaged-pass"});
        EXPECT_EQ(app_->Invoke("Login"), 19) << at;
        EXPECT_EQ(ScriptLeft(), "pin damaged-pass\n") << "asked for a password at " << at;
        app_->SetProperty("TokenData", Base64Encode(bad).c_str());
        EXPECT_EQ(app_->Invoke("CreateToken"), 19) << at;
    }
    ReplaceFile(path, good);
    Script({"pin damaged-pass"});
    EXPECT_EQ(app_->Invoke("Login"), 0);
}

// Without a display, a terminal or a configured program there is nobody to ask:
// the answer comes at once.
TEST_F(ModuleSecrets, NoDisplayAndNoTerminalAnswersAtOnce) {
    ASSERT_EQ(Create("Alone", "alone-pass"), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setsid();  // no controlling terminal from here on
        unsetenv("ORX_PINENTRY");
        _exit(app_->Invoke("Login"));
    }
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 200 && done == 0; ++i) {
        done = waitpid(child, &status, WNOHANG);
        if (done == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the login waited for a prompt that cannot come";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 6);
}

TEST_F(ModuleSecrets, ThePinentryProgramComesFromTheConfigurationWhenNotForced) {
    ASSERT_EQ(Create("Configured", "configured-pass"), 0);
    ScopedEnv unforced("ORX_PINENTRY", nullptr);
    app_->SetProperty("ConfigLocal:Pinentry:Program", ORX_FAKE_PINENTRY);
    ASSERT_EQ(app_->Invoke("ApplyConfig"), 0);
    Script({"pin configured-pass"});
    EXPECT_EQ(app_->Invoke("Login"), 0);
    app_->SetProperty("ConfigLocal:Pinentry:Program", (*env_ / "missing-program").c_str());
    ASSERT_EQ(app_->Invoke("ApplyConfig"), 0);
    Script({"pin configured-pass", "pin configured-pass2", "pin configured-pass2"});
    EXPECT_EQ(app_->Invoke("ChangePassword"), 6);
}

}  // namespace
}  // namespace orx::testing

namespace orx::testing {
namespace {

// A password change killed at any moment leaves a token that opens with the old or
// the new password, never one that opens with neither.
TEST_F(ModuleSecrets, APasswordChangeKilledWithSigkillLeavesAUsableToken) {
    ASSERT_EQ(Create("Killed", "password-0"), 0);
    std::string current = "password-0";
    for (int round = 1; round <= 6; ++round) {
        const std::string next = "password-" + std::to_string(round);
        Script({"pin " + current, "pin " + next, "pin " + next});
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string ctl = BinPath("orxxctl");
            execl(ctl.c_str(), ctl.c_str(), "token", "invoke", "ChangePassword", nullptr);
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(round * 9));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        // Its orphaned pinentry sees the socket close and leaves; let it go first so
        // that it cannot take an answer meant for the login below.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));

        auto fresh = Start();
        Script({"pin " + current, "pin " + next});
        ASSERT_EQ(fresh->Invoke("Login"), 0) << "round " << round;
        if (ScriptLeft().empty())
            current = next;  // the change went through before the kill
    }
    // The next writer clears what a killed one left behind.
    Script({"pin " + current, "pin final-pass", "pin final-pass"});
    ASSERT_EQ(app_->Invoke("ChangePassword"), 0);
    for (const auto& entry : fs::directory_iterator(TokenFolder()))
        EXPECT_EQ(entry.path().string().find(".new-"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace orx::testing
