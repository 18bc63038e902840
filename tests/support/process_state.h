// The process-wide state of the core library put back as at process start, so
// that each test begins where a freshly started program does.
#pragma once

#include <optional>
#include <string>

namespace orx::language_testing {
// Back to the uninitialised language layer.
void Reset();
}  // namespace orx::language_testing

namespace orx::identity_testing {
// Forgets every derived name and the product and company names (the program path
// stays as set).
void Reset();
}  // namespace orx::identity_testing

namespace orx::static_config_testing {
// Replaces the static configuration area's content; nullopt gives the real area back.
void SetText(std::optional<std::string> text);
}  // namespace orx::static_config_testing
