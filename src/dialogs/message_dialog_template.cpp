#include "dialogs/message_dialog_template.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "dialogs/dlg.h"
#include "dialogs/message_dialog.h"
#include "ui/item_registry.h"

namespace orx {

bool BuildMessageDialogTemplate(QWidget* dialog) {
    // The text area is as wide as about 48 average characters of the dialog font,
    // so that the box keeps its proportions whatever font and scale the desktop uses.
    const QFontMetrics metrics(dialog->font());
    const int width = std::max(300, metrics.averageCharWidth() * 48);
    auto* text = new QLabel(QStringLiteral("Text"), dialog);
    text->setGeometry(62, 15, width, metrics.lineSpacing() * 2);
    RegisterItem(text, kMessageTextItem);
    const struct {
        int id;
        const char* label;
    } buttons[] = {{kIdOk, "OK"}, {kIdYes, "Yes"}, {kIdNo, "No"}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.label), dialog);
        RegisterItem(button, b.id);
    }
    dialog->resize(width + 77, metrics.lineSpacing() * 2 + 70);
    return true;
}

}  // namespace orx
