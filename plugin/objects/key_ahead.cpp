#include "objects/key_ahead.h"

#include <system_error>

namespace orx {

KeyAhead::~KeyAhead() {
    if (thread_.joinable())
        thread_.join();
}

void KeyAhead::Start() {
    if (done_ || thread_.joinable())
        return;
    try {
        thread_ = std::thread([this] { result_ = find_(key_); });
    } catch (const std::system_error&) {
        // Wait() looks for the key itself.
    }
}

int KeyAhead::Wait() {
    if (thread_.joinable()) {
        thread_.join();
    } else if (!done_) {
        result_ = find_(key_);
    }
    done_ = true;
    return result_;
}

}  // namespace orx
