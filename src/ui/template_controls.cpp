#include "ui/template_controls.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/item_registry.h"

namespace orx {

QPushButton* MakeTemplateButton(QWidget* parent, int id, const char* placeholder) {
    auto* button = new QPushButton(QString::fromLatin1(placeholder), parent);
    button->setAutoDefault(false);
    RegisterItem(button, id);
    return button;
}

void AddButtonRow(QBoxLayout* layout, QWidget* dialog,
                  std::initializer_list<TemplateButton> buttons, int defaultId) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (const TemplateButton& entry : buttons) {
        QPushButton* button = MakeTemplateButton(dialog, entry.id, entry.placeholder);
        button->setDefault(entry.id == defaultId);
        row->addWidget(button);
    }
    layout->addLayout(row);
}

QLineEdit* MakeLabelledEdit(QGridLayout* grid, int row, QWidget* dialog, int labelId,
                            const char* labelText, int editId, int maxLength) {
    auto* label = new QLabel(QString::fromLatin1(labelText), dialog);
    RegisterItem(label, labelId);
    auto* edit = new QLineEdit(dialog);
    edit->setMaxLength(maxLength);
    RegisterItem(edit, editId);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

}  // namespace orx
