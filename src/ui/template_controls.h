// Controls that several dialog templates build the same way: push buttons that
// leave Enter to the dialog's default button, a right-aligned row of them, and
// a labelled edit in a grid.
#pragma once

#include <initializer_list>

class QBoxLayout;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace orx {

// A push button registered as `id`, showing `placeholder` until the dialog sets
// its text. Auto-default is off: Enter belongs to the dialog's default button
// whatever has the focus.
QPushButton* MakeTemplateButton(QWidget* parent, int id, const char* placeholder);

struct TemplateButton {
    int id;
    const char* placeholder;
};

// Adds to `layout` a row of `buttons` pushed to the right, made in the order
// given (which is their tab order); the one registered as `defaultId` is the
// dialog's default button.
void AddButtonRow(QBoxLayout* layout, QWidget* dialog,
                  std::initializer_list<TemplateButton> buttons, int defaultId);

// A label showing `labelText` in column 0 of `row` and its buddy edit, holding up
// to `maxLength` characters, in column 1; returns the edit.
QLineEdit* MakeLabelledEdit(QGridLayout* grid, int row, QWidget* dialog, int labelId,
                            const char* labelText, int editId, int maxLength);

}  // namespace orx
