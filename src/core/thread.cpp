#include "core/thread.h"

#include <pthread.h>

#include <atomic>
#include <new>

#include "core/recursive_lock.h"
#include "core/trace.h"

namespace orx {

struct ThreadHandle::State {
    pthread_t thread{};
    ThreadFunction function = nullptr;
    void* argument = nullptr;
    std::atomic<long> threadId{0};
    std::atomic<bool> ended{false};
    std::atomic<bool> started{false};
    unsigned result = 0;
    bool joined = false;
};

namespace {

void* ThreadMain(void* raw) {
    // The thread holds its own reference so the state outlives a dropped handle.
    auto* holder = static_cast<std::shared_ptr<ThreadHandle::State>*>(raw);
    std::shared_ptr<ThreadHandle::State> state = std::move(*holder);
    delete holder;
    state->threadId.store(CurrentThreadId(), std::memory_order_release);
    state->started.store(true, std::memory_order_release);
    state->threadId.notify_all();
    state->result = state->function(state->argument);
    state->ended.store(true, std::memory_order_release);
    return nullptr;
}

}  // namespace

ThreadHandle::~ThreadHandle() {
    if (state_ && !state_->joined) {
        pthread_detach(state_->thread);
    }
}

ThreadHandle::ThreadHandle(ThreadHandle&& other) noexcept : state_(std::move(other.state_)) {}

ThreadHandle& ThreadHandle::operator=(ThreadHandle&& other) noexcept {
    if (this != &other) {
        if (state_ && !state_->joined) {
            pthread_detach(state_->thread);
        }
        state_ = std::move(other.state_);
    }
    return *this;
}

unsigned ThreadHandle::Join() {
    if (!state_) {
        return 0;
    }
    if (!state_->joined) {
        pthread_join(state_->thread, nullptr);
        state_->joined = true;
    }
    return state_->result;
}

bool ThreadHandle::HasEnded() const {
    return state_ && state_->ended.load(std::memory_order_acquire);
}

long ThreadHandle::ThreadId() const {
    if (!state_) {
        return 0;
    }
    state_->threadId.wait(0, std::memory_order_acquire);
    return state_->threadId.load(std::memory_order_acquire);
}

ThreadHandle StartThread(ThreadFunction function, void* argument) {
    ThreadHandle handle;
    auto state = std::shared_ptr<ThreadHandle::State>(new (std::nothrow) ThreadHandle::State);
    auto* holder = state ? new (std::nothrow) std::shared_ptr<ThreadHandle::State>(state) : nullptr;
    if (!function || !holder) {
        delete holder;
        Trace("Thread - Create failed");
        return handle;
    }
    state->function = function;
    state->argument = argument;
    if (pthread_create(&state->thread, nullptr, ThreadMain, holder) != 0) {
        delete holder;
        Trace("Thread - Create failed");
        return handle;
    }
    handle.state_ = std::move(state);
    Trace("Thread - Created [%.4ld]", handle.ThreadId());
    return handle;
}

}  // namespace orx
