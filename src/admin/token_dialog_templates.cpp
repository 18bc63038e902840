// Templates 238 and 218: labelled edit fields above a row of OK, Cancel and Help.
// Layouts rather than fixed places, so that labels and buttons fit in every
// language and at every scale; the dialogs only set texts.
#include <QGridLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "admin/token_dialog_ids.h"
#include "dialogs/dlg.h"
#include "ui/dialog_templates.h"
#include "ui/template_controls.h"

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
        QLineEdit* edit =
            MakeLabelledEdit(grid, row, dialog, field.label, "Label", field.edit, field.length);
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * kEditCharacters);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    AddButtonRow(layout, dialog, {{kIdOk, "Button"}, {kIdCancel, "Button"}, {kIdHelp, "Button"}},
                 kIdOk);
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
