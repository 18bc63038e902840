// Opens a web address with the desktop's "open" action (xdg-open, not waited for).
#pragma once

#include <functional>
#include <string>

namespace orx {

void OpenUrl(const std::string& url);

// While set, OpenUrl hands the address to it instead of the desktop, so that the
// window tests start no browser. The program never sets it.
using LinkOpener = std::function<void(const std::string& url)>;
LinkOpener& LinkOpenerOverride();

}  // namespace orx
