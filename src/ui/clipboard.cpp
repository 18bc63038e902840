#include "ui/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "ui/qt_text.h"

namespace orx {

void SetClipboardText(std::string_view text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(ToQString(text));
}

std::string GetClipboardText() {
    return ToUtf8(QGuiApplication::clipboard()->text());
}

}  // namespace orx
