// StartThread: the one way the program starts a thread. Never throws; a thread that
// cannot be started is reported by an empty handle and a trace line.
#pragma once

#include <memory>

namespace orx {

using ThreadFunction = unsigned (*)(void* argument);

class ThreadHandle {
  public:
    ThreadHandle() = default;
    ~ThreadHandle();  // a handle that was neither joined nor detached is detached
    ThreadHandle(ThreadHandle&& other) noexcept;
    ThreadHandle& operator=(ThreadHandle&& other) noexcept;
    ThreadHandle(const ThreadHandle&) = delete;
    ThreadHandle& operator=(const ThreadHandle&) = delete;

    explicit operator bool() const { return state_ != nullptr; }
    // Waits for the thread; returns its function's result.
    unsigned Join();
    // True once the thread function has returned.
    bool HasEnded() const;
    // The new thread's kernel id.
    long ThreadId() const;

    struct State;  // shared with the running thread

  private:
    friend ThreadHandle StartThread(ThreadFunction function, void* argument);
    std::shared_ptr<State> state_;
};

// Traces "Thread - Created [%.4d]" or "Thread - Create failed".
ThreadHandle StartThread(ThreadFunction function, void* argument);

}  // namespace orx
