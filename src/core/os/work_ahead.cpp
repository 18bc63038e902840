#include "core/os/work_ahead.h"

#include <system_error>

namespace orx {

WorkAhead::~WorkAhead() {
    if (thread_.joinable())
        thread_.join();
}

void WorkAhead::Start() {
    if (done_ || thread_.joinable())
        return;
    try {
        thread_ = std::thread(work_);
    } catch (const std::system_error&) {
        // Wait() does the work itself.
    }
}

void WorkAhead::Wait() {
    if (thread_.joinable()) {
        thread_.join();
    } else if (!done_) {
        work_();
    }
    done_ = true;
}

}  // namespace orx
