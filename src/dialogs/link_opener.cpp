#include "dialogs/link_opener.h"

#include <QDesktopServices>
#include <QUrl>

#include "core/trace.h"
#include "ui/qt_text.h"

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
    if (!QDesktopServices::openUrl(QUrl(ToQString(url)))) {
        Trace("Dlg - Failed to open '%s'", url.c_str());
    }
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
