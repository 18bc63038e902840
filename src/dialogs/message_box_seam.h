// The override behind ShowMessage: while it is set, ShowMessage hands it every
// message, with the text and link the box would show, and returns its answer
// instead of showing a window. The program never sets it; the window tests do,
// so that none of them waits on a message box.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

namespace orx {

struct MessageRecord {
    QWidget* owner = nullptr;
    std::string caption;
    std::string text;  // as the box shows it: line breaks joined, link appended
    int style = 0;
    std::string link;  // the clickable link the box finds in the text
};

using MessageHook = std::function<int(const MessageRecord& message)>;

// Empty: real boxes are shown.
MessageHook& MessageBoxOverride();

}  // namespace orx
