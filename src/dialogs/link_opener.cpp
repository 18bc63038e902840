#include "dialogs/link_opener.h"

#include "core/system_programs.h"

namespace orx {

void OpenUrl(const std::string& url) {
    if (const LinkOpener& opener = LinkOpenerOverride()) {
        opener(url);
        return;
    }
    ShellOpen(nullptr, url, false);
}

LinkOpener& LinkOpenerOverride() {
    static LinkOpener opener;
    return opener;
}

}  // namespace orx
