// Templates 238 and 218: labelled edit fields above a row of OK, Cancel and Help.
// Layouts rather than fixed places, so that labels and buttons fit in every
// language and at every scale; the dialogs only set texts.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/token_dialog_ids.h"
#include "dialogs/dlg.h"
#include "ui/dialog_templates.h"
#include "ui/item_registry.h"

namespace orx {

namespace {

// Room for a typical description without scrolling.
constexpr int kEditCharacters = 36;

struct Field {
    int label;
    int edit;
    int length;
};

bool BuildFields(QWidget* dialog, std::initializer_list<Field> fields) {
    auto* layout = new QVBoxLayout(dialog);
    auto* grid = new QGridLayout;
    int row = 0;
    for (const Field& field : fields) {
        auto* label = new QLabel(QStringLiteral("Label"), dialog);
        RegisterItem(label, field.label);
        auto* edit = new QLineEdit(dialog);
        edit->setMaxLength(field.length);
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * kEditCharacters);
        RegisterItem(edit, field.edit);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (int id : {kIdOk, kIdCancel, kIdHelp}) {
        auto* button = new QPushButton(QStringLiteral("Button"), dialog);
        // Enter belongs to OK whatever has the focus.
        button->setAutoDefault(false);
        button->setDefault(id == kIdOk);
        RegisterItem(button, id);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    return true;
}

bool BuildTokenName(QWidget* dialog) {
    return BuildFields(dialog, {{kIdDescriptionLabel, kIdTokenNameEdit, kTokenNameLength}});
}

bool BuildDataProperties(QWidget* dialog) {
    return BuildFields(dialog, {{kIdDescriptionLabel, kIdDataDescriptionEdit, kDataFieldLength},
                                {kIdValueLabel, kIdDataValueEdit, kDataFieldLength}});
}

const bool registered = RegisterDialogTemplate(kTemplateTokenName, BuildTokenName) &&
                        RegisterDialogTemplate(kTemplateDataProperties, BuildDataProperties);

}  // namespace

// Referenced by the dialogs, so that the templates are linked in with them.
bool TokenDialogTemplatesRegistered() {
    return registered;
}

}  // namespace orx
