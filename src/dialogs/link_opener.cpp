#include "dialogs/link_opener.h"

#include "core/system_programs.h"

namespace orx {

namespace {
link_testing::LinkOpener& Opener() {
    static link_testing::LinkOpener opener;
    return opener;
}
}  // namespace

void OpenUrl(const std::string& url) {
    if (Opener()) {
        Opener()(url);
        return;
    }
    ShellOpen(nullptr, url, false);
}

namespace link_testing {
void SetLinkOpener(LinkOpener opener) {
    Opener() = std::move(opener);
}

ScopedLinkRecorder::ScopedLinkRecorder() {
    SetLinkOpener([this](const std::string& url) { opened_.push_back(url); });
}

ScopedLinkRecorder::~ScopedLinkRecorder() {
    SetLinkOpener(nullptr);
}
}  // namespace link_testing

}  // namespace orx
