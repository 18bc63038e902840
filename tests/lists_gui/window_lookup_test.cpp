#include "ui/window_lookup.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <memory>
#include <string>

#include "support/gui/modal_driver.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using testing::IsolatedEnvironment;
using testing::PathExists;

const std::string kTitle = "Administration - Orvex";

// The helper program: a registered window in a process of its own.
class WindowOwner {
  public:
    explicit WindowOwner(const std::string& title) {
        process_.setProgram(QStringLiteral(ORX_WINDOW_OWNER));
        process_.setArguments({QString::fromStdString(title)});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
    }
    ~WindowOwner() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    // The next line it prints, "" when none came in time.
    std::string NextLine(int timeoutMs = 5000) {
        QElapsedTimer timer;
        timer.start();
        while (!process_.canReadLine()) {
            const int left = timeoutMs - static_cast<int>(timer.elapsed());
            if (left <= 0 || !process_.waitForReadyRead(left))
                return process_.canReadLine() ? NextLine(0) : std::string();
        }
        return process_.readLine().trimmed().toStdString();
    }
    void Send(const char* line) {
        process_.write(line);
        process_.waitForBytesWritten(1000);
    }
    // Closes its input: it closes its window and ends normally.
    int End() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000))
            return -1;
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    void Kill() {  // SIGKILL: no chance to tidy up
        process_.kill();
        process_.waitForFinished(5000);
    }

  private:
    QProcess process_;
};

TEST(WindowLookup, AWindowOfAnotherProcessIsFoundAndActivatedByItsTitle) {
    IsolatedEnvironment env;
    WindowOwner owner(kTitle);
    ASSERT_EQ(owner.NextLine(), "ready");
    EXPECT_EQ(FindLocalTopLevelWindow(kTitle), nullptr);
    EXPECT_TRUE(FindTopLevelWindow(kTitle));
    EXPECT_FALSE(FindTopLevelWindow("Administration"));
    EXPECT_FALSE(ActivateTopLevelWindow("Settings - Orvex"));

    owner.Send("hide\n");
    ASSERT_EQ(owner.NextLine(), "hidden");
    // A hidden window is still there to be brought back.
    EXPECT_TRUE(FindTopLevelWindow(kTitle));
    ASSERT_TRUE(ActivateTopLevelWindow(kTitle));
    EXPECT_EQ(owner.NextLine(), "activated");
    EXPECT_EQ(owner.NextLine(300), "");  // one request, one activation

    // A second window of that title cannot take it while the first lives.
    WindowOwner second(kTitle);
    EXPECT_EQ(second.NextLine(), "taken");
    EXPECT_EQ(second.End(), 1);
    EXPECT_TRUE(FindTopLevelWindow(kTitle));
}

TEST(WindowLookup, NothingIsFoundAfterTheOtherProcessEnded) {
    struct Case {
        const char* name;
        bool kill;
    };
    for (const Case& c : {Case{"closed", false}, Case{"kill -9", true}}) {
        SCOPED_TRACE(c.name);
        IsolatedEnvironment env;
        const std::string socket = WindowRegistryPath(kTitle);
        {
            WindowOwner owner(kTitle);
            ASSERT_EQ(owner.NextLine(), "ready");
            ASSERT_TRUE(FindTopLevelWindow(kTitle));
            if (c.kill) {
                owner.Kill();
            } else {
                EXPECT_EQ(owner.End(), 0);
                EXPECT_FALSE(PathExists(socket));
            }
        }
        EXPECT_FALSE(FindTopLevelWindow(kTitle));
        EXPECT_FALSE(ActivateTopLevelWindow(kTitle));
        EXPECT_FALSE(PathExists(socket));  // whatever was left is gone

        // The next window of that title registers again.
        WindowOwner next(kTitle);
        EXPECT_EQ(next.NextLine(), "ready");
        EXPECT_TRUE(FindTopLevelWindow(kTitle));
    }
}

TEST(WindowLookup, AWindowOfThisProcessFollowsItsTitleAndLeavesWithIt) {
    IsolatedEnvironment env;
    auto window = std::make_unique<QWidget>();
    TitledWindowRegistration registration(window.get());
    EXPECT_FALSE(registration.IsRegistered());  // no title yet
    window->setWindowTitle(QString::fromStdString(kTitle));
    EXPECT_TRUE(registration.IsRegistered());
    // Hidden: not among the visible windows, but registered.
    EXPECT_EQ(FindLocalTopLevelWindow(kTitle), nullptr);
    EXPECT_TRUE(FindTopLevelWindow(kTitle));

    // Activation through the registry shows it once its loop serves the request.
    int requests = 0;
    QObject::connect(&registration, &TitledWindowRegistration::activationRequested,
                     [&requests]() { ++requests; });
    ASSERT_TRUE(ActivateTopLevelWindow(kTitle));
    ASSERT_TRUE(ui_testing::WaitFor([&]() { return window->isVisible(); }));
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(FindLocalTopLevelWindow(kTitle), window.get());

    window->setWindowTitle("Settings - Orvex");
    EXPECT_FALSE(FindTopLevelWindow(kTitle));
    EXPECT_FALSE(FindRegisteredWindow(kTitle));
    EXPECT_TRUE(FindRegisteredWindow("Settings - Orvex"));

    const std::string socket = WindowRegistryPath("Settings - Orvex");
    window.reset();
    EXPECT_FALSE(registration.IsRegistered());
    EXPECT_FALSE(PathExists(socket));
    EXPECT_FALSE(FindTopLevelWindow("Settings - Orvex"));
}

TEST(WindowLookup, AVisibleWindowOfThisProcessIsActivatedDirectly) {
    IsolatedEnvironment env;
    QWidget window;
    window.setWindowTitle(QString::fromStdString(kTitle));
    window.show();
    window.showMinimized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window) || window.isVisible());
    EXPECT_EQ(FindLocalTopLevelWindow(kTitle), &window);
    EXPECT_TRUE(FindTopLevelWindow(kTitle));  // found without any registration
    ASSERT_TRUE(ActivateTopLevelWindow(kTitle));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
}

}  // namespace
}  // namespace orx
