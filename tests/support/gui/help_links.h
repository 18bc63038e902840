// What the help links of the windows reach: the address a click would open, and
// whether the session counts as the "SYSTEM" account (which offers no links).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orx::link_testing {

// Records every address instead of opening it, for the scope.
class ScopedLinkRecorder {
  public:
    ScopedLinkRecorder();
    ~ScopedLinkRecorder();
    ScopedLinkRecorder(const ScopedLinkRecorder&) = delete;
    ScopedLinkRecorder& operator=(const ScopedLinkRecorder&) = delete;
    const std::vector<std::string>& Opened() const { return opened_; }

  private:
    std::vector<std::string> opened_;
};

}  // namespace orx::link_testing

namespace orx::account_testing {

// Forces the answer; std::nullopt asks the system again.
void SetSystemAccount(std::optional<bool> system);

}  // namespace orx::account_testing
