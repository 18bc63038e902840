// The Search Certificates dialog's template and the Directory property dialog's.
// Layouts rather than fixed places, so that both keep their proportions in every
// language and at every scale; the dialog itself only sets texts.
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "search/search_dialog_ids.h"
#include "ui/dialog_templates.h"
#include "ui/item_registry.h"
#include "ui/template_controls.h"

namespace orx {

namespace {

// Each input edit gives up to 255 characters.
constexpr int kInputLength = 255;

template <typename T>
T* Make(QWidget* parent, int id, const char* placeholder = "") {
    auto* control = new T(parent);
    if constexpr (std::is_base_of_v<QAbstractButton, T> || std::is_same_v<T, QLabel>)
        control->setText(QString::fromLatin1(placeholder));
    RegisterItem(control, id);
    return control;
}

QLineEdit* MakeEdit(QWidget* parent, int id, QLabel* label) {
    auto* edit = Make<QLineEdit>(parent, id);
    edit->setMaxLength(kInputLength);
    label->setBuddy(edit);
    return edit;
}

QWidget* BuildCriteriaPage(QWidget* tabs) {
    auto* page = new QWidget(tabs);
    RegisterItem(page, kIdCriteriaPage);
    auto* grid = new QGridLayout(page);
    const int indent = page->fontMetrics().averageCharWidth() * 3;
    grid->setColumnMinimumWidth(0, indent);
    grid->setColumnStretch(2, 1);
    grid->addWidget(Make<QRadioButton>(page, kIdSimple, "Simple"), 0, 0, 1, 3);
    auto* name = Make<QLabel>(page, kIdNameLabel, "Name");
    grid->addWidget(name, 1, 1);
    grid->addWidget(MakeEdit(page, kIdNameEdit, name), 1, 2);
    auto* email = Make<QLabel>(page, kIdEmailLabel, "E-mail");
    grid->addWidget(email, 2, 1);
    grid->addWidget(MakeEdit(page, kIdEmailEdit, email), 2, 2);
    grid->addWidget(Make<QRadioButton>(page, kIdAdvanced, "Advanced"), 3, 0, 1, 3);
    auto* filter = Make<QLabel>(page, kIdFilterLabel, "Filter");
    grid->addWidget(filter, 4, 1);
    grid->addWidget(MakeEdit(page, kIdFilterEdit, filter), 4, 2);
    grid->setRowStretch(5, 1);
    return page;
}

QWidget* BuildDirectoryPage(QWidget* tabs) {
    auto* page = new QWidget(tabs);
    RegisterItem(page, kIdDirectoryPage);
    auto* layout = new QVBoxLayout(page);
    auto* list = Make<QComboBox>(page, kIdDirectoryList);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(24);
    layout->addWidget(list);
    auto* row = new QHBoxLayout;
    row->addWidget(MakeTemplateButton(page, kIdEditDirectory, "Edit"));
    row->addWidget(MakeTemplateButton(page, kIdAddDirectory, "Add"));
    row->addWidget(MakeTemplateButton(page, kIdDeleteDirectory, "Delete"));
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

bool BuildSearchCertificates(QWidget* dialog) {
    auto* layout = new QVBoxLayout(dialog);
    auto* top = new QHBoxLayout;
    auto* tabs = Make<QTabWidget>(dialog, kIdSearchTabs);
    tabs->addTab(BuildCriteriaPage(tabs), QStringLiteral("Search criteria"));
    tabs->addTab(BuildDirectoryPage(tabs), QStringLiteral("Directory"));
    top->addWidget(tabs, 1);
    auto* buttons = new QVBoxLayout;
    auto* search = Make<QPushButton>(dialog, 1, "Search");
    search->setDefault(true);
    buttons->addWidget(search);
    buttons->addStretch(1);
    for (const auto& [id, text] : {std::pair{kIdView, "View"}, std::pair{kIdInstall, "Install"},
                                   std::pair{kIdExport, "Export"}}) {
        buttons->addWidget(MakeTemplateButton(dialog, id, text));
    }
    top->addLayout(buttons);
    layout->addLayout(top);

    // The report list takes this place when the dialog starts.
    auto* results = Make<QTreeWidget>(dialog, kIdResultList);
    results->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(results, 1);

    auto* bottom = new QHBoxLayout;
    auto* status = Make<QLabel>(dialog, kIdStatus, "");
    bottom->addWidget(status, 1);
    bottom->addWidget(MakeTemplateButton(dialog, 2, "Close"));
    layout->addLayout(bottom);

    const QFontMetrics metrics = dialog->fontMetrics();
    dialog->resize(std::max(560, metrics.averageCharWidth() * 80),
                   std::max(540, metrics.lineSpacing() * 30));
    if (auto* window = qobject_cast<QDialog*>(dialog))
        window->setSizeGripEnabled(true);
    return true;
}

bool BuildDirectoryProperties(QWidget* dialog) {
    auto* layout = new QVBoxLayout(dialog);
    auto* grid = new QGridLayout;
    const struct {
        int label;
        int edit;
        const char* text;
    } rows[] = {{kIdDescriptionLabel, kIdDescriptionEdit, "Description"},
                {kIdUrlLabel, kIdUrlEdit, "Directory"},
                {kIdBaseLabel, kIdBaseEdit, "Search base"},
                {kIdRecordFilterLabel, kIdRecordFilterEdit, "Filter"}};
    int row = 0;
    for (const auto& r : rows) {
        QLineEdit* edit =
            MakeLabelledEdit(grid, row, dialog, r.label, r.text, r.edit, kInputLength);
        // "|" separates the fields of the stored record.
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^|]*")), edit));
        ++row;
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    AddButtonRow(layout, dialog, {{1, "OK"}, {2, "Cancel"}}, 1);
    dialog->resize(std::max(420, dialog->fontMetrics().averageCharWidth() * 64),
                   dialog->sizeHint().height());
    return true;
}

const bool registered = RegisterDialogTemplate(kTemplateSearchCert, BuildSearchCertificates) &&
                        RegisterDialogTemplate(kTemplateDirectory, BuildDirectoryProperties);

}  // namespace

// Referenced by the dialogs so that the linker keeps this file's registrations.
bool SearchTemplatesRegistered() {
    return registered;
}

}  // namespace orx
