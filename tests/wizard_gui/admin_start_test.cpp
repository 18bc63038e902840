// The start of orxxadm: the status window, the order of the start, the wizard
// with the path from the command line, and a start without any display.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "admin/admin_main.h"
#include "app/admin_start.h"
#include "app/status_window.h"
#include "core/language.h"
#include "fake_plugin_fixture.h"
#include "support/gui/message_sink.h"
#include "support/test_environment.h"
#include "token/token_application.h"
#include "wizard_driver.h"

namespace orx {
namespace {

using orx::ui_testing::RunModal;
using orx::ui_testing::WaitFor;
using testing::FakePluginFolder;
using testing::IsolatedEnvironment;
using testing::RunCommand;
using testing::WizardDriver;
using testing::WriteFile;

TEST(StatusWindowTest, ShowsItsTextAndClosesWhenTheWatchedWindowAppears) {
    IsolatedEnvironment env;
    StatusWindow status(kTextLoading);
    ASSERT_TRUE(status.Show());
    ASSERT_TRUE(status.IsOpen());
    orx::ui_testing::SaveWindowPng(status.Window(), orx::ui_testing::PictureFolder(),
                                   "status_window");
    status.WatchTitle(kTextAdministration);
    // Escape does not close it, and nothing with that title exists yet.
    QTest::keyClick(status.Window(), Qt::Key_Escape);
    EXPECT_FALSE(WaitFor([&] { return !status.IsOpen(); }, 900));

    QWidget main;
    main.setWindowTitle(ToQString(GetTitleText(kTextAdministration)));
    main.show();
    EXPECT_TRUE(WaitFor([&] { return !status.IsOpen(); }, 3000));
}

// A folder of the test's own whose path holds no option's text: the option search
// looks at the whole command line, so a build folder below a checkout named, say,
// "wt-settings" would turn every "-sign" of a path inside it into "-settings".
class NeutralFolder {
  public:
    NeutralFolder() {
        char pattern[] = "/tmp/orx-start-XXXXXX";
        if (::mkdtemp(pattern) != nullptr)
            path_ = pattern;
    }
    ~NeutralFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

class AdminStartTest : public ::testing::Test {
  protected:
    bool Called(std::string_view prefix, size_t* at = nullptr) const {
        const auto calls = fake_.Calls();
        for (size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].rfind(prefix, 0) == 0) {
                if (at != nullptr)
                    *at = i;
                return true;
            }
        }
        return false;
    }

    IsolatedEnvironment env_;
    FakePluginFolder fake_{env_};
    TokenApplication app_;
    AdminSettings settings_;
    StartRequest command_;
    std::unique_ptr<CAdminMain> window_;
    message_testing::ScopedMessageSink sink_;
};

TEST_F(AdminStartTest, SignStartsTheWizardWithTheQuotedPathAfterThePlugin) {
    NeutralFolder folder;
    std::filesystem::create_directories(folder / "with blank");
    const std::string input = folder / "with blank/report.txt";
    WriteFile(input, "x");
    WriteFile(env_.userConfigPath(), "[Trace]\nFile=" + env_ / "adm.trace" + "\n");
    const std::string line = "-sign \"" + input + "\"";
    std::string shown;
    const auto run =
        RunModal([&] { return RunAdminStart(app_, settings_, line, command_, window_) ? 1 : 0; },
                 [&](QWidget* window) {
                     WizardDriver w(window);
                     // No status window is left while the wizard runs.
                     for (QWidget* top : QApplication::topLevelWidgets()) {
                         if (top != window && top->isVisible())
                             ADD_FAILURE() << "still shown: " << ToUtf8(top->windowTitle());
                     }
                     w.key(Qt::Key_Return);
                     shown = w.text(kIdPathEdit);
                     w.key(Qt::Key_Escape);
                 });
    ASSERT_TRUE(run.ok()) << run.error;
    EXPECT_EQ(command_.operation, 1);
    EXPECT_EQ(shown, input);
    size_t init = 0, trace = 0, parent = 0;
    ASSERT_TRUE(Called("PlgInitialize\t0\t0\t0\t0", &init));
    ASSERT_TRUE(Called("PlgSetProperty\tTrace\t" + env_ / "adm.trace", &trace));
    ASSERT_TRUE(Called("PlgSetParentWnd\t", &parent));
    EXPECT_LT(init, trace);
    EXPECT_LT(trace, parent);
}

// "-settings" wins whatever comes first on the line, and the sheet runs over the
// module: every value it shows is read through it.
TEST_F(AdminStartTest, SettingsWinsOverSignAndRunsTheSheetOverTheModule) {
    for (const char* line : {"-sign x -settings", "-settings -sign x"}) {
        fake_.ClearCalls();
        TokenApplication app;
        bool initialisedFirst = false;
        std::string title;
        const auto run =
            RunModal([&] { return RunAdminStart(app, settings_, line, command_, window_); },
                     [&](QWidget* window) {
                         initialisedFirst = Called("PlgInitialize\t0\t0\t0\t0");
                         title = ToUtf8(window->windowTitle());
                         QTest::keyClick(window, Qt::Key_Escape);
                     });
        EXPECT_TRUE(run.ok()) << line << " " << run.error;
        EXPECT_FALSE(run.closedByDriver) << line;
        EXPECT_EQ(command_.task, StartTask::Settings) << line;
        EXPECT_TRUE(initialisedFirst) << line;
        EXPECT_EQ(title, GetTitleText(1014)) << line;
        EXPECT_TRUE(Called("PlgGetProperty\tConfig:Language:Current")) << line;
    }
}

TEST(OrxxadmProcessTest, WithoutADisplayItEndsWithZero) {
    IsolatedEnvironment env;
    NeutralFolder folder;
    WriteFile(folder / "report.txt", "x");
    const std::string program = testing::BinPath("orxxadm");
    for (const std::string& arguments : {"-sign " + folder / "report.txt", std::string("-install"),
                                         std::string("-decrypt"), std::string("-settings")}) {
        std::string out;
        const int status = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                          program + " " + arguments + " 2>&1",
                                      &out);
        EXPECT_EQ(status, 0) << arguments << "\n" << out;
        if (arguments != "-install") {
            EXPECT_NE(out.find("no display"), std::string::npos) << out;
        }
    }
}

}  // namespace
}  // namespace orx
