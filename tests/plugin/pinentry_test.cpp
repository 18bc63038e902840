#include "prompts/pinentry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>

#include "prompts/departures.h"

#include "support/test_environment.h"

namespace orx {
namespace {

using testing::IsolatedEnvironment;
using testing::ScopedEnv;

TEST(Assuan, EscapesOnlyWhatTheProtocolNeeds) {
    const struct {
        const char* plain;
        const char* escaped;
    } cases[] = {
        {"", ""},           {"plain text", "plain text"},
        {"100%", "100%25"}, {"two\nlines\r", "two%0Alines%0D"},
        {"%0A", "%250A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AssuanEscape(c.plain), c.escaped) << c.plain;
        Secret back;
        AssuanUnescape(c.escaped, back);
        EXPECT_EQ(back.view(), c.plain) << c.escaped;
    }
    Secret odd;
    AssuanUnescape("%4%zz%41%", odd);  // broken escapes stay as they are
    EXPECT_EQ(odd.view(), "%4%zzA%");
}

TEST(Pinentry, TheProgramIsForcedConfiguredOrFoundFromTheSession) {
    IsolatedEnvironment env;
    ScopedEnv noDisplay("DISPLAY", nullptr), noWayland("WAYLAND_DISPLAY", nullptr);
    {
        ScopedEnv forced(kPinentryVariable, "/opt/forced");
        EXPECT_EQ(ChoosePinentry("/opt/configured"), "/opt/forced");
    }
    ScopedEnv unforced(kPinentryVariable, nullptr);
    EXPECT_EQ(ChoosePinentry("/opt/configured"), "/opt/configured");
    ScopedEnv display("DISPLAY", ":7");
    EXPECT_EQ(ChoosePinentry(""), "pinentry-qt");
}

class PinentryConversation : public ::testing::Test {
  protected:
    IsolatedEnvironment env;
    ScopedEnv script{"FAKE_PINENTRY_SCRIPT", (env / "script").c_str()};
    ScopedEnv log{"FAKE_PINENTRY_LOG", (env / "log").c_str()};
    PinPrompt prompt{"Title", "Line one\nline two", "Password:", ""};
};

TEST_F(PinentryConversation, PasswordsComeBackUnescaped) {
    testing::WriteFile(env / "script", "pin 50% off\npin second\n");
    Pinentry pinentry(ORX_FAKE_PINENTRY, 0);
    Secret pin;
    ASSERT_EQ(pinentry.GetPin(prompt, pin), CKR_OK);
    EXPECT_EQ(pin.view(), "50% off");
    prompt.error = "Try again";
    ASSERT_EQ(pinentry.GetPin(prompt, pin), CKR_OK);  // the same program asks again
    EXPECT_EQ(pin.view(), "second");
    const std::string asked = testing::ReadFile(env / "log");
    EXPECT_NE(asked.find("SETDESC Line one%0Aline two"), std::string::npos);
    EXPECT_NE(asked.find("SETERROR Try again"), std::string::npos);
    EXPECT_EQ(asked.find("--parent-wid"), std::string::npos);  // no parent, no option
}

TEST_F(PinentryConversation, CancelFailureAndMessages) {
    testing::WriteFile(env / "script", "cancel\n");
    Secret pin;
    {
        Pinentry pinentry(ORX_FAKE_PINENTRY, 77);
        EXPECT_EQ(pinentry.GetPin(prompt, pin), CKR_CANCEL);
        EXPECT_TRUE(pin.empty());
        EXPECT_EQ(pinentry.Message("About", "Text"), CKR_OK);
    }
    EXPECT_NE(testing::ReadFile(env / "log").find("ARGV --parent-wid 77"), std::string::npos);
    EXPECT_NE(testing::ReadFile(env / "log").find("MESSAGE"), std::string::npos);
    EXPECT_NE(testing::ReadFile(env / "log").find("BYE"), std::string::npos);
    Pinentry missing(env / "no-such-program", 0);
    EXPECT_EQ(missing.GetPin(prompt, pin), CKR_FUNCTION_FAILED);
    Pinentry none("", 0);
    EXPECT_EQ(none.GetPin(prompt, pin), CKR_FUNCTION_FAILED);
    testing::WriteFile(env / "script", "die\n");
    Pinentry dying(ORX_FAKE_PINENTRY, 0);
    EXPECT_EQ(dying.GetPin(prompt, pin), CKR_FUNCTION_FAILED);
}

// A conversation that ends into departures leaves its program to be reaped later:
// one that leaves on BYE is gone at once then, one that stays is killed.
TEST_F(PinentryConversation, DeparturesReapTheProgramsTheyAreGiven) {
    const std::string program = env / "pinentry.sh";
    testing::WriteFile(program,
                       "#!/bin/sh\n"
                       "echo $$ > \"$PIDFILE\"\n"
                       "echo OK hello\n"
                       "while read line; do case \"$line\" in\n"
                       "BYE*) [ -n \"$STAY\" ] && exec sleep 30; echo OK; exit 0;;\n"
                       "GETPIN*) echo 'D 1234'; echo OK;;\n"
                       "*) echo OK;;\n"
                       "esac; done\n");
    ::chmod(program.c_str(), 0755);
    ScopedEnv pidFile("PIDFILE", (env / "pid").c_str());
    for (const bool stays : {false, true}) {
        SCOPED_TRACE(stays ? "stays after BYE" : "leaves on BYE");
        ScopedEnv stay("STAY", stays ? "1" : nullptr);
        Departures departures;
        {
            Pinentry pinentry(program, 0, &departures);
            Secret pin;
            ASSERT_EQ(pinentry.GetPin(prompt, pin), CKR_OK);
            EXPECT_EQ(pin.view(), "1234");
        }
        ASSERT_EQ(departures.size(), 1u);
        const pid_t pid = std::atoi(testing::ReadFile(env / "pid").c_str());
        ASSERT_GT(pid, 0);
        EXPECT_EQ(::kill(pid, 0), 0);  // not reaped yet: still there, or a zombie
        const auto start = std::chrono::steady_clock::now();
        departures.Settle();
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(departures.size(), 0u);
        EXPECT_EQ(::kill(pid, 0), -1);                             // reaped
        EXPECT_EQ(took > std::chrono::milliseconds(1500), stays);  // the 2 s of grace
    }
}

}  // namespace
}  // namespace orx
