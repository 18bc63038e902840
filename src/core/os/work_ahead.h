// Work started on a thread of its own while its caller goes on, whose result the
// caller takes later: loading a module while a file is read, a card's login while the
// content is hashed. Without a thread to be had the work runs when it is waited for,
// so the caller's answer is the same either way. The caller leaves alone what the
// work touches until it has waited.
#pragma once

#include <functional>
#include <thread>

namespace orx {

class WorkAhead {
  public:
    explicit WorkAhead(std::function<void()> work) : work_(std::move(work)) {}
    ~WorkAhead();  // waits
    WorkAhead(const WorkAhead&) = delete;
    WorkAhead& operator=(const WorkAhead&) = delete;

    void Start();
    // Waits for the work, or does it, the first time; at once afterwards.
    void Wait();

  private:
    std::function<void()> work_;
    std::thread thread_;
    bool done_ = false;
};

}  // namespace orx
