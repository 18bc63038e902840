#include "prompts/departures.h"

#include <signal.h>
#include <unistd.h>

#include "core/os/process.h"

namespace orx {

namespace {

constexpr int kLeaveMilliseconds = 2000;

}  // namespace

void Departures::Add(pid_t pid, int fd) {
    leaving_.push_back(Leaving{pid, fd});
}

void Departures::Settle() {
    for (const Leaving& leaving : leaving_) {
        if (leaving.pid > 0 && !WaitProcessFor(leaving.pid, kLeaveMilliseconds)) {
            ::kill(leaving.pid, SIGKILL);
            WaitProcess(leaving.pid);
        }
        if (leaving.fd >= 0)
            ::close(leaving.fd);
    }
    leaving_.clear();
}

}  // namespace orx
