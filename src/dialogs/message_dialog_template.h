// Template 268, the message box: the text area placeholder 317 and the buttons
// OK (1), Yes (6) and No (7). Texts are placeholders; the dialog sets its own.
#pragma once

#include <QWidget>

namespace orx {

bool BuildMessageDialogTemplate(QWidget* dialog);

}  // namespace orx
