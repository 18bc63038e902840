#include "core/os/process.h"

#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>

#include "core/system_environment.h"

extern char** environ;

namespace orx {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

void* Reap(void* argument) {
    const pid_t pid = static_cast<pid_t>(reinterpret_cast<intptr_t>(argument));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return nullptr;
}

// waitpid without blocking: true when the child is gone.
bool Reaped(pid_t pid) {
    for (;;) {
        const pid_t done = ::waitpid(pid, nullptr, WNOHANG);
        if (done == pid)
            return true;
        if (done < 0 && errno == EINTR)
            continue;
        // ECHILD: a SIGCHLD handler of the program collected it already.
        return done < 0 && errno == ECHILD;
    }
}

}  // namespace

std::string FindOnPath(std::string_view name) {
    if (name.empty())
        return {};
    if (name.find('/') != std::string_view::npos) {
        const std::string path(name);
        return IsExecutableFile(path) ? path : std::string();
    }
    const std::string search = GetEnvironment("PATH");
    size_t start = 0;
    while (start <= search.size()) {
        size_t end = search.find(':', start);
        if (end == std::string::npos)
            end = search.size();
        std::string folder = search.substr(start, end - start);
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + std::string(name);
        if (IsExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return {};
}

pid_t SpawnProcess(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) {
        errno = ENOENT;
        return -1;
    }
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return pid;
}

void ReapInBackground(pid_t pid) {
    if (pid <= 0)
        return;
    pthread_t thread;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, 64 * 1024);
    ::pthread_create(&thread, &attributes, Reap,
                     reinterpret_cast<void*>(static_cast<intptr_t>(pid)));
    pthread_attr_destroy(&attributes);
}

int WaitProcess(pid_t pid) {
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, 0) == pid)
            break;
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

bool WaitProcessFor(pid_t pid, int milliseconds) {
    if (pid <= 0 || Reaped(pid))
        return true;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    // A pidfd becomes readable the moment the child ends; kernels before 5.3 lack it,
    // and there short pauses stand in.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    bool gone = false;
    while (!gone) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        if (pidfd >= 0) {
            pollfd entry{pidfd, POLLIN, 0};
            ::poll(&entry, 1, static_cast<int>(left));
        } else {
            timespec pause{0, 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
        gone = Reaped(pid);
    }
    if (pidfd >= 0)
        ::close(pidfd);
    return gone;
}

}  // namespace orx
