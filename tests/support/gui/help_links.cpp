#include "support/gui/help_links.h"

#include "dialogs/account_seam.h"
#include "dialogs/link_opener.h"

namespace orx::link_testing {

ScopedLinkRecorder::ScopedLinkRecorder() {
    LinkOpenerOverride() = [this](const std::string& url) { opened_.push_back(url); };
}

ScopedLinkRecorder::~ScopedLinkRecorder() {
    LinkOpenerOverride() = nullptr;
}

}  // namespace orx::link_testing

namespace orx::account_testing {

void SetSystemAccount(std::optional<bool> system) {
    SystemAccountOverride() = system;
}

}  // namespace orx::account_testing
