#include "core/recursive_lock.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <new>

namespace orx {

// Asked of the kernel at every call, not kept in a thread-local: the modules are
// loaded with dlopen, and a thread-local would give them a dynamic TLS block, which
// the leak checker of the sanitizer builds misreads at exit (and crashes on).
long CurrentThreadId() {
    return static_cast<long>(::syscall(SYS_gettid));
}

RecursiveLock::RecursiveLock() {
    Open();
}

RecursiveLock::~RecursiveLock() {
    Close();
}

int RecursiveLock::Open() {
    if (open_.load(std::memory_order_acquire)) {
        return kOk;
    }
    if (section_) {
        return kInvalid;
    }
    section_.reset(new (std::nothrow) std::mutex);
    if (!section_) {
        return kNoMemory;
    }
    owner_.store(0, std::memory_order_release);
    depth_.store(0, std::memory_order_release);
    open_.store(true, std::memory_order_release);
    return kOk;
}

int RecursiveLock::Close() {
    if (!open_.load(std::memory_order_acquire)) {
        return kOk;
    }
    open_.store(false, std::memory_order_release);
    if (!section_) {
        return kInvalid;
    }
    section_.reset();
    owner_.store(0, std::memory_order_release);
    depth_.store(0, std::memory_order_release);
    return kOk;
}

int RecursiveLock::Lock() {
    if (!section_) {
        return kInvalid;
    }
    const long self = CurrentThreadId();
    // Only the owner itself can see its own id here, so this read needs no section.
    if (owner_.load(std::memory_order_acquire) == self &&
        depth_.load(std::memory_order_acquire) > 0) {
        depth_.fetch_add(1, std::memory_order_acq_rel);
        return kOk;
    }
    section_->lock();
    owner_.store(self, std::memory_order_release);
    depth_.store(1, std::memory_order_release);
    return kOk;
}

int RecursiveLock::Unlock() {
    if (!section_ || owner_.load(std::memory_order_acquire) != CurrentThreadId() ||
        depth_.load(std::memory_order_acquire) == 0) {
        return kInvalid;
    }
    if (depth_.load(std::memory_order_acquire) > 1) {
        depth_.fetch_sub(1, std::memory_order_acq_rel);
        return kOk;
    }
    owner_.store(0, std::memory_order_release);
    depth_.store(0, std::memory_order_release);
    section_->unlock();
    return kOk;
}

}  // namespace orx
