// The start of orxxadm without a file operation: the order of its calls, the slot
// asked for with "-admin" and "-name", the title, the parent window handed to the
// module, the sizes kept when the window goes, and a second start that hands over.
#include <gtest/gtest.h>

#include <signal.h>

#include <QApplication>
#include <QTest>
#include <algorithm>

#include "admin_fixture.h"
#include "app/admin_start.h"
#include "app/status_window.h"
#include "core/config_file.h"
#include "core/language.h"
#include "core/os/process.h"
#include "core/os/window_registry.h"
#include "ui/native_window.h"
#include "ui/qt_text.h"
#include "support/gui/modal_driver.h"

namespace orx {
namespace {

using testing::AdminWindowTest;
using Texts = std::vector<std::string>;

class AdminStartTest : public AdminWindowTest {
  protected:
    bool Start(const std::string& line) {
        return RunAdminStart(app_, settings_, line, command_, window_);
    }
    // Where the first call that begins with `prefix` stands; -1 when none.
    long Index(std::string_view prefix) const {
        const auto calls = fake_.Calls();
        const auto at = std::find_if(calls.begin(), calls.end(),
                                     [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
        return at == calls.end() ? -1 : static_cast<long>(at - calls.begin());
    }

    StartRequest command_;
    std::unique_ptr<CAdminMain> window_;
};

TEST_F(AdminStartTest, CallsInTheirOrder) {
    testing::WriteFile(env_.userConfigPath(), "[Trace]\nFile=" + env_ / "adm.trace" + "\n");
    AnswerList("SlotSoft", {"100;Alice;alice"});
    AnswerList("Token", {"100;Alice"});
    ASSERT_TRUE(Start(""));
    ASSERT_TRUE(window_);
    EXPECT_EQ(ToUtf8(window_->windowTitle()), "Administration - Orvex");
    EXPECT_TRUE(window_->isVisible());
    // Nothing but the main window is left on the screen.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != window_.get() && top->isVisible() && !top->inherits("QMenu"))
            ADD_FAILURE() << "still shown: " << ToUtf8(top->windowTitle());
    }
    const std::vector<std::string> order = {
        "PlgInitialize\t0\t0\t0\t0",
        "PlgSetProperty\tTrace\t" + env_ / "adm.trace",
        "PlgEnumProperty\tToken\t0",
        "PlgEnumProperty\tSlotCard\t0",
        "PlgEnumProperty\tSlotSoft\t0",
        "PlgSetParentWnd\t" + std::to_string(NativeWindowId(window_.get())),
    };
    long last = -1;
    for (const std::string& call : order) {
        const long at = Index(call);
        EXPECT_GT(at, last) << call;
        last = at;
    }
    // The window goes with the plug-in's parent; the first poll comes later.
    EXPECT_EQ(Index("PlgGetProperty\tHaveSlotEvent"), -1);
    EXPECT_TRUE(ui_testing::WaitFor([&] { return window_->List()->GetSelectedSlot() == 100; }));
}

TEST_F(AdminStartTest, AdminAndNameChooseTheSlot) {
    AnswerList("SlotSoft", {"100;Alice;alice", "101;Bob;bob", "102;Carol;carol"});
    AnswerList("Slot", {"100;Alice", "101;Bob", "102;Carol Smith"});
    fake_.AnswerGet("ActiveSlot", "100");
    const struct {
        const char* line;
        int32_t selected;
    } cases[] = {
        {"", 100},
        {"-admin 101", 101},
        {"-admin 101 -name \"Carol Smith\"", 102},
        {"-name Bob", 100},  // without "-admin" the name is not looked at
        {"-admin 101 -name Nobody", 101},
    };
    for (const auto& c : cases) {
        app_.Finalize();
        app_.SetCachedSlotId(0);
        app_.SetPendingSlotLabel("");
        ASSERT_TRUE(Start(c.line)) << c.line;
        window_->List()->OnTimer(kFirstPollTimer);
        EXPECT_EQ(window_->List()->GetSelectedSlot(), c.selected) << c.line;
        window_.reset();
    }
}

TEST_F(AdminStartTest, TheWindowKeepsItsSizeUnlessMaximised) {
    ASSERT_EQ(ConfigWriteString("Dialog", "Width", std::to_string((700 << 16) + 450)), kConfigOk);
    ASSERT_TRUE(Start(""));
    EXPECT_EQ(window_->size(), QSize(700, 450));
    window_->resize(720, 480);
    window_.reset();
    EXPECT_EQ(settings_[kWidth], (720 << 16) + 480);

    ASSERT_TRUE(Start(""));
    settings_[kWidth] = (640 << 16) + 400;  // as the previous run left it
    window_->showMaximized();
    ASSERT_TRUE(ui_testing::WaitFor([&] { return window_->isMaximized(); }));
    window_.reset();
    EXPECT_EQ(settings_[kWidth], (640 << 16) + 400);
}

TEST_F(AdminStartTest, ASecondStartBringsTheWindowForward) {
    ASSERT_TRUE(Start(""));
    std::unique_ptr<CAdminMain> second;
    window_->showMinimized();
    ASSERT_TRUE(RunAdminStart(app_, settings_, "", command_, second));
    EXPECT_FALSE(second);
    EXPECT_TRUE(ui_testing::WaitFor([&] { return !window_->isMinimized(); }));
}

// Two processes: the second start finds the first one's window, brings it forward
// and ends with 0 without a window of its own.
TEST(AdminProcessTest, ASecondProcessHandsOver) {
    testing::IsolatedEnvironment env;
    const std::string trace = env / "adm.trace";
    testing::WriteFile(env.userConfigPath(), "[Trace]\nFile=" + trace + "\n");
    const std::string program = testing::BinPath("orxxadm");
    const pid_t first = SpawnProcess({program});
    ASSERT_GT(first, 0);
    const std::string title = GetTitleText(1003);
    const bool registered = ui_testing::WaitFor([&] { return FindRegisteredWindow(title); }, 20000);
    std::string out;
    const int status = registered ? testing::RunCommand(program + " 2>&1", &out) : -1;
    const bool forward = ui_testing::WaitFor(
        [&] {
            return testing::ReadFile(trace).find("AdminMain - Brought forward by another start") !=
                   std::string::npos;
        },
        10000);
    const bool running = !WaitProcessFor(first, 0);
    ::kill(first, SIGTERM);
    WaitProcess(first);
    ASSERT_TRUE(registered);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(forward);
    EXPECT_TRUE(running);
    const std::string lines = testing::ReadFile(trace);
    EXPECT_NE(lines.find("Admin - Handed over to the open administration window"),
              std::string::npos);
    // Only the first start made a window.
    size_t windows = 0;
    for (size_t at = lines.find("window requested"); at != std::string::npos;
         at = lines.find("window requested", at + 1))
        ++windows;
    EXPECT_EQ(windows, 1u);
}

// Nobody could see the window: the program says so and ends instead of waiting.
TEST(AdminProcessTest, WithoutADisplayThereIsNoWindowToWaitFor) {
    testing::IsolatedEnvironment env;
    std::string out;
    const int status =
        testing::RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 " +
                                testing::BinPath("orxxadm") + " -admin 100 2>&1",
                            &out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("no display to show the administration window"), std::string::npos) << out;
}

}  // namespace
}  // namespace orx
