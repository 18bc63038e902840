// The program's one lock type: a process-local section that its owning thread may
// take again any number of times. The depth count, not the mutex, gives re-entry.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

namespace orx {

class RecursiveLock {
  public:
    static constexpr int kOk = 0;
    static constexpr int kNoMemory = 2;
    static constexpr int kInvalid = 5;

    RecursiveLock();  // opens at once
    ~RecursiveLock();
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    int Open();
    int Close();
    int Lock();
    int Unlock();

    bool IsOpen() const { return open_.load(std::memory_order_acquire); }
    // The holder's thread id (0 when free) and its depth; read by other threads.
    long Owner() const { return owner_.load(std::memory_order_acquire); }
    unsigned Depth() const { return depth_.load(std::memory_order_acquire); }

  private:
    std::unique_ptr<std::mutex> section_;
    std::atomic<bool> open_{false};
    std::atomic<long> owner_{0};
    std::atomic<unsigned> depth_{0};
};

// Holds a RecursiveLock for a scope.
class LockGuard {
  public:
    explicit LockGuard(RecursiveLock& lock) : lock_(lock) { lock_.Lock(); }
    ~LockGuard() { lock_.Unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

  private:
    RecursiveLock& lock_;
};

// The calling thread's id as the kernel knows it (what trace lines show).
long CurrentThreadId();

}  // namespace orx
