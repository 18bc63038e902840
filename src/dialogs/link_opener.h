// Opens a web address with the desktop's "open" action (xdg-open, not waited for). Tests put a
// recorder in its place so that no browser starts.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orx {

void OpenUrl(const std::string& url);

namespace link_testing {
using LinkOpener = std::function<void(const std::string& url)>;
// nullptr (or an empty function) restores the desktop's opener.
void SetLinkOpener(LinkOpener opener);

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
}  // namespace link_testing

}  // namespace orx
