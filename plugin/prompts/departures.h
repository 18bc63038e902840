// Password programs told BYE and on their way out. Waiting for one to end the moment
// its conversation is over would put its exit on the path of the operation that
// asked (a login is followed by the signature it was for); the operation's caller
// reaps them when the operation is over, when they are long gone.
#pragma once

#include <sys/types.h>

#include <vector>

namespace orx {

class Departures {
  public:
    Departures() = default;
    ~Departures() { Settle(); }
    Departures(const Departures&) = delete;
    Departures& operator=(const Departures&) = delete;

    // Takes over the program's process and our end of its socket, which stays open
    // so that its answer to BYE finds a reader instead of SIGPIPE.
    void Add(pid_t pid, int fd);
    // Waits for each to end (a program still there after two seconds is killed),
    // then closes our ends.
    void Settle();
    size_t size() const { return leaving_.size(); }

  private:
    struct Leaving {
        pid_t pid = -1;
        int fd = -1;
    };
    std::vector<Leaving> leaving_;
};

}  // namespace orx
