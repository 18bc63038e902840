// Dialog templates by number: one builder function per template id creates the
// template's controls inside a dialog and registers each under its control id.
// A template is registered by the file that defines the dialog class using it, so
// it is present whenever that class is linked in.
#pragma once

#include <QWidget>

namespace orx {

// Builds the controls into `dialog`; false when the template cannot be made.
using TemplateBuilder = bool (*)(QWidget* dialog);

// Only the low 16 bits of a template id count. A second registration of the same
// id replaces the first; returns true so that it can initialise a static.
bool RegisterDialogTemplate(int templateId, TemplateBuilder builder);
bool HasDialogTemplate(int templateId);
// False when no template has that id or its builder failed.
bool BuildDialogTemplate(int templateId, QWidget* dialog);

}  // namespace orx
