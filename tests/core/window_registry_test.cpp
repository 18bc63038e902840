#include "core/os/window_registry.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/test_environment.h"

namespace orx {
namespace {

using testing::IsolatedEnvironment;
using testing::PathExists;
using testing::ScopedEnv;

constexpr const char* kTitle = "Administration - Orvex";
// Where the windows of WindowProcess say they are.
constexpr WindowPlace kPlace{0x3A00007, -40, 25, 615, 400};

// A window of another process: once `gate` (when given) reads end of file, it
// registers the title and says 'R', 'T' when the title is taken or 'F'; then it
// serves requests and reports each activation with 'A' until its control pipe
// closes, when it ends cleanly.
class WindowProcess {
  public:
    explicit WindowProcess(const std::string& title, const int gate[2] = nullptr) {
        int toParent[2];
        int fromParent[2];
        if (::pipe(toParent) != 0 || ::pipe(fromParent) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(toParent[0]);
            ::close(fromParent[1]);
            if (gate) {
                ::close(gate[1]);
                char c;
                while (::read(gate[0], &c, 1) > 0) {
                }
            }
            Serve(title, toParent[1], fromParent[0]);
        }
        ::close(toParent[1]);
        ::close(fromParent[0]);
        events_ = toParent[0];
        control_ = fromParent[1];
    }
    ~WindowProcess() {
        if (pid_ > 0)
            KillHard();
        ::close(events_);
        ::close(control_);
    }
    // The next report within the time, '\0' when none came.
    char NextEvent(int timeoutMs = 3000) {
        pollfd entry{events_, POLLIN, 0};
        char event = 0;
        if (::poll(&entry, 1, timeoutMs) > 0 && ::read(events_, &event, 1) == 1)
            return event;
        return 0;
    }
    // Closes the control pipe and waits: the child unregisters and exits 0.
    int EndCleanly() {
        ::close(control_);
        control_ = -1;
        int status = -1;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }
    void KillHard() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    static void Report(int fd, char event) {
        if (::write(fd, &event, 1) != 1)
            ::_exit(2);
    }
    [[noreturn]] static void Serve(const std::string& title, int events, int control) {
        WindowRegistration registration;
        const int rc = registration.Register(title);
        registration.SetPlace(kPlace);
        Report(events, rc == kWindowRegistered ? 'R' : rc == kWindowTitleTaken ? 'T' : 'F');
        pollfd watch[2] = {{registration.Descriptor(), POLLIN, 0}, {control, POLLIN, 0}};
        while (rc == kWindowRegistered && ::poll(watch, 2, -1) >= 0) {
            if (watch[1].revents != 0)
                break;  // the control pipe closed
            if (watch[0].revents != 0) {
                for (int n = registration.ServeRequests(); n > 0; --n)
                    Report(events, 'A');
            }
        }
        registration.Unregister();
        ::_exit(0);
    }

    pid_t pid_ = -1;
    int events_ = -1;
    int control_ = -1;
};

TEST(WindowRegistry, AnotherProcessFindsAndActivatesTheWindowByItsExactTitle) {
    IsolatedEnvironment env;
    WindowProcess window(kTitle);
    ASSERT_EQ(window.NextEvent(), 'R');

    EXPECT_TRUE(FindRegisteredWindow(kTitle));
    EXPECT_FALSE(FindRegisteredWindow("Administration - Orvex "));
    EXPECT_FALSE(FindRegisteredWindow("administration - orvex"));
    EXPECT_FALSE(ActivateRegisteredWindow("Settings - Orvex"));

    // Finding is not asking: only the activation request reaches the window.
    EXPECT_TRUE(ActivateRegisteredWindow(kTitle));
    EXPECT_EQ(window.NextEvent(), 'A');
    EXPECT_EQ(window.NextEvent(300), '\0');
    EXPECT_TRUE(ActivateRegisteredWindow(kTitle));
    EXPECT_EQ(window.NextEvent(), 'A');
}

TEST(WindowRegistry, AnotherProcessLearnsWhereTheWindowIs) {
    IsolatedEnvironment env;
    WindowProcess window(kTitle);
    ASSERT_EQ(window.NextEvent(), 'R');
    for (int round = 0; round < 2; ++round) {
        const std::optional<WindowPlace> place = LocateRegisteredWindow(kTitle);
        ASSERT_TRUE(place);
        EXPECT_EQ(place->nativeId, kPlace.nativeId);
        EXPECT_EQ(place->x, kPlace.x);
        EXPECT_EQ(place->y, kPlace.y);
        EXPECT_EQ(place->width, kPlace.width);
        EXPECT_EQ(place->height, kPlace.height);
    }
    // Asking where is no activation.
    EXPECT_EQ(window.NextEvent(300), '\0');
    EXPECT_FALSE(LocateRegisteredWindow("Settings - Orvex"));
    EXPECT_TRUE(ActivateRegisteredWindow(kTitle));
    EXPECT_EQ(window.NextEvent(), 'A');
}

TEST(WindowRegistry, NothingIsFoundOnceTheWindowsProcessEnded) {
    struct Case {
        const char* name;
        bool kill;
    };
    for (const Case& c : {Case{"clean end", false}, Case{"kill -9", true}}) {
        SCOPED_TRACE(c.name);
        IsolatedEnvironment env;
        const std::string path = WindowRegistryPath(kTitle);
        {
            WindowProcess window(kTitle);
            ASSERT_EQ(window.NextEvent(), 'R');
            ASSERT_TRUE(FindRegisteredWindow(kTitle));
            if (c.kill) {
                window.KillHard();
                // The dead process could not tidy up: its socket is still there.
                EXPECT_TRUE(PathExists(path));
            } else {
                EXPECT_EQ(window.EndCleanly(), 0);
                EXPECT_FALSE(PathExists(path));
            }
        }
        EXPECT_FALSE(FindRegisteredWindow(kTitle));
        EXPECT_FALSE(ActivateRegisteredWindow(kTitle));
        EXPECT_FALSE(PathExists(path));

        // A new window takes the title over.
        WindowRegistration again;
        EXPECT_EQ(again.Register(kTitle), kWindowRegistered);
        EXPECT_TRUE(FindRegisteredWindow(kTitle));
    }
}

TEST(WindowRegistry, ASecondWindowCannotTakeALiveTitleButMayTakeAStaleOne) {
    IsolatedEnvironment env;
    WindowRegistration first;
    ASSERT_EQ(first.Register(kTitle), kWindowRegistered);
    WindowRegistration second;
    EXPECT_EQ(second.Register(kTitle), kWindowTitleTaken);
    EXPECT_FALSE(second.IsRegistered());
    EXPECT_EQ(second.Register("Settings - Orvex"), kWindowRegistered);

    // A socket nobody listens on, as a killed process leaves it, is taken over.
    {
        WindowProcess dead("Search - Orvex");
        ASSERT_EQ(dead.NextEvent(), 'R');
        dead.KillHard();
    }
    WindowRegistration third;
    EXPECT_EQ(third.Register("Search - Orvex"), kWindowRegistered);
}

TEST(WindowRegistry, OfWindowsRegisteringOneTitleAtOnceExactlyOneGetsIt) {
    IsolatedEnvironment env;
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<std::unique_ptr<WindowProcess>> windows;
    for (int i = 0; i < 6; ++i)
        windows.push_back(std::make_unique<WindowProcess>(kTitle, gate));
    ::close(gate[0]);
    ::close(gate[1]);  // everyone starts now
    std::string answers;
    for (auto& window : windows)
        answers += window->NextEvent();
    EXPECT_TRUE(FindRegisteredWindow(kTitle));
    windows.clear();
    std::sort(answers.begin(), answers.end());
    EXPECT_EQ(answers, "RTTTTT");
    // Nothing of the registering is left behind in the folder but the title's socket.
    EXPECT_EQ(testing::RunCommand("ls " + WindowRegistryFolder() + " | grep -c orx-new"), 1);
}

TEST(WindowRegistry, ServesRequestsOfItsOwnProcessWithoutBlocking) {
    IsolatedEnvironment env;
    WindowRegistration registration;
    ASSERT_EQ(registration.Register(kTitle), kWindowRegistered);
    EXPECT_EQ(registration.ServeRequests(), 0);  // nobody waiting: returns at once

    EXPECT_TRUE(FindRegisteredWindow(kTitle));
    EXPECT_TRUE(ActivateRegisteredWindow(kTitle));
    EXPECT_TRUE(ActivateRegisteredWindow(kTitle));
    EXPECT_TRUE(FindRegisteredWindow(kTitle));
    EXPECT_EQ(registration.ServeRequests(), 2);
    EXPECT_EQ(registration.ServeRequests(), 0);
}

TEST(WindowRegistry, UnregisteringLeavesTheSocketOfAnotherWindowAlone) {
    IsolatedEnvironment env;
    WindowRegistration old;
    ASSERT_EQ(old.Register(kTitle), kWindowRegistered);
    const std::string path = old.Path();
    ASSERT_EQ(::unlink(path.c_str()), 0);  // e.g. removed by a clean-up of the folder

    WindowRegistration current;
    ASSERT_EQ(current.Register(kTitle), kWindowRegistered);
    old.Unregister();
    EXPECT_TRUE(PathExists(path));
    EXPECT_TRUE(FindRegisteredWindow(kTitle));
    current.Unregister();
    EXPECT_FALSE(PathExists(path));
    EXPECT_FALSE(FindRegisteredWindow(kTitle));
}

TEST(WindowRegistry, AFileThatIsNoSocketIsNeverRemoved) {
    IsolatedEnvironment env;
    const std::string path = WindowRegistryPath(kTitle);
    testing::WriteFile(path, "not a socket");
    EXPECT_FALSE(FindRegisteredWindow(kTitle));
    EXPECT_TRUE(PathExists(path));
    WindowRegistration registration;
    EXPECT_EQ(registration.Register(kTitle), kWindowRegistryFailed);
    EXPECT_EQ(testing::ReadFile(path), "not a socket");
}

TEST(WindowRegistry, SocketPathsComeFromTheTitlesHashInTheRuntimeFolder) {
    IsolatedEnvironment env;
    const std::string folder = WindowRegistryFolder();
    EXPECT_EQ(folder, std::string(std::getenv("XDG_RUNTIME_DIR")));
    const std::string a = WindowRegistryPath(kTitle);
    // SHA-1 of the title, first 24 hex digits.
    EXPECT_EQ(a, folder + "/orx-window-24457849407aaf46cd59b0c9");
    EXPECT_EQ(a, WindowRegistryPath(kTitle));
    EXPECT_NE(a, WindowRegistryPath("Administration - Orvex (32-bit Edition)"));
    const std::string longTitle(5000, 'x');
    EXPECT_EQ(WindowRegistryPath(longTitle).size(), a.size());
}

TEST(WindowRegistry, WithoutARuntimeFolderAPrivateFolderInTmpIsUsed) {
    IsolatedEnvironment env;
    ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
    const std::string folder = WindowRegistryFolder();
    ASSERT_EQ(folder, "/tmp/orx-" + std::to_string(::getuid()));
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0077, 0u);
}

TEST(WindowRegistry, ARuntimeFolderTooLongForASocketAddressRegistersNothing) {
    IsolatedEnvironment env;
    const std::string deep = env.root() + "/" + std::string(100, 'd');
    ASSERT_EQ(::mkdir(deep.c_str(), 0700), 0);
    ScopedEnv runtime("XDG_RUNTIME_DIR", deep.c_str());
    EXPECT_EQ(WindowRegistryPath(kTitle), "");
    WindowRegistration registration;
    EXPECT_EQ(registration.Register(kTitle), kWindowRegistryFailed);
    EXPECT_FALSE(FindRegisteredWindow(kTitle));
    EXPECT_FALSE(ActivateRegisteredWindow(kTitle));
}

}  // namespace
}  // namespace orx
