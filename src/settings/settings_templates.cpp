// The settings sheet's templates. Layouts rather than fixed places, so that the
// pages keep their proportions in every language and at every scale; the texts are
// placeholders that the pages replace.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "settings/settings_ids.h"
#include "ui/dialog_templates.h"
#include "ui/item_registry.h"
#include "ui/template_controls.h"

namespace orx {

namespace {

// A heading is a static control that the page draws itself (text and rule), so the
// label keeps its place in the layout while hidden.
void AddHeading(QWidget* page, QVBoxLayout* layout, int id) {
    auto* heading = new QLabel(QStringLiteral("Heading"), page);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true);
    heading->setSizePolicy(policy);
    RegisterItem(heading, id);
    if (layout->count() > 0)
        layout->addSpacing(heading->fontMetrics().lineSpacing() / 2);
    layout->addWidget(heading);
}

// The controls under a heading stand a little to the right of it.
QVBoxLayout* AddSection(QWidget* page, QVBoxLayout* layout, int headingId) {
    AddHeading(page, layout, headingId);
    auto* section = new QVBoxLayout;
    section->setContentsMargins(page->fontMetrics().averageCharWidth() * 2, 0, 0, 0);
    layout->addLayout(section);
    return section;
}

QCheckBox* AddCheck(QWidget* page, QVBoxLayout* layout, int id, int indent = 0) {
    auto* box = new QCheckBox(QStringLiteral("Check"), page);
    RegisterItem(box, id);
    if (indent == 0) {
        layout->addWidget(box);
    } else {
        auto* row = new QHBoxLayout;
        row->addSpacing(indent);
        row->addWidget(box, 1);
        layout->addLayout(row);
    }
    return box;
}

QComboBox* MakeCombo(QWidget* page, int id) {
    auto* combo = new QComboBox(page);
    // Every entry shows whole, in every language.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    RegisterItem(combo, id);
    return combo;
}

int Indent(QWidget* page) {
    return page->fontMetrics().averageCharWidth() * 3;
}

bool BuildViewPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* language = AddSection(page, layout, kIdLanguageHeading);
    QComboBox* list = MakeCombo(page, kIdLanguageList);
    auto* row = new QHBoxLayout;
    row->addWidget(list);
    row->addStretch(1);
    language->addLayout(row);
    QVBoxLayout* view = AddSection(page, layout, kIdViewHeading);
    for (int id : {kIdTaskbarIcon, kIdExplorerMenu, kIdStartMenu})
        AddCheck(page, view, id);
    layout->addStretch(1);
    return true;
}

bool BuildSmartCardPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* reader = AddSection(page, layout, kIdReaderHeading);
    auto* grid = new QGridLayout;
    const struct {
        int label;
        int combo;
    } rows[] = {{kIdDetectLabel, kIdDetect},
                {kIdModeLabel, kIdMode},
                {kIdLockTimeoutLabel, kIdLockTimeout}};
    int line = 0;
    for (const auto& r : rows) {
        auto* label = new QLabel(QStringLiteral("Label"), page);
        RegisterItem(label, r.label);
        QComboBox* combo = MakeCombo(page, r.combo);
        label->setBuddy(combo);
        grid->addWidget(label, line, 0);
        grid->addWidget(combo, line, 1);
        ++line;
    }
    grid->setColumnStretch(2, 1);
    reader->addLayout(grid);

    QVBoxLayout* accepted = AddSection(page, layout, kIdAcceptedHeading);
    auto* listRow = new QHBoxLayout;
    auto* list = new QListWidget(page);
    list->setMinimumHeight(list->fontMetrics().lineSpacing() * 5);
    RegisterItem(list, kIdReaderList);
    listRow->addWidget(list, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(MakeTemplateButton(page, kIdAddReader, "Button"));
    buttons->addWidget(MakeTemplateButton(page, kIdDeleteReader, "Button"));
    buttons->addStretch(1);
    listRow->addLayout(buttons);
    accepted->addLayout(listRow);

    QVBoxLayout* logon = AddSection(page, layout, kIdLogonHeading);
    AddCheck(page, logon, kIdEnableLogon);
    layout->addStretch(1);
    return true;
}

bool BuildComponentsPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* cryptoApi = AddSection(page, layout, kIdCryptoApiHeading);
    AddCheck(page, cryptoApi, kIdCspEnable);
    for (int id : {kIdCspRemove, kIdCspDisableSilent, kIdCspOverwrite})
        AddCheck(page, cryptoApi, id, Indent(page));
    QVBoxLayout* sessions = AddSection(page, layout, kIdSessionsHeading);
    AddCheck(page, sessions, kIdNetEnable);
    AddCheck(page, sessions, kIdNetAsk, Indent(page));
    QVBoxLayout* plugins = AddSection(page, layout, kIdPluginsHeading);
    AddCheck(page, plugins, kIdInstallPlugins);
    QVBoxLayout* gina = AddSection(page, layout, kIdGinaHeading);
    AddCheck(page, gina, kIdGinaEnable);
    layout->addStretch(1);
    return true;
}

bool BuildAddReaderDialog(QWidget* dialog) {
    auto* layout = new QVBoxLayout(dialog);
    auto* label = new QLabel(QStringLiteral("Description"), dialog);
    RegisterItem(label, kIdReaderNameLabel);
    layout->addWidget(label);
    auto* names = new QComboBox(dialog);
    names->setEditable(true);
    names->setInsertPolicy(QComboBox::NoInsert);
    names->lineEdit()->setMaxLength(255);
    names->setMinimumContentsLength(32);
    names->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    RegisterItem(names, kIdReaderName);
    label->setBuddy(names);
    layout->addWidget(names);
    layout->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (int id : {1, 2}) {
        auto* button = new QPushButton(QStringLiteral("Button"), dialog);
        RegisterItem(button, id);
        button->setDefault(id == 1);
        row->addWidget(button);
    }
    layout->addLayout(row);
    return true;
}

bool BuildSheet(QWidget* dialog) {
    auto* layout = new QVBoxLayout(dialog);
    auto* tabs = new QTabWidget(dialog);
    RegisterItem(tabs, kIdSheetTabs);
    layout->addWidget(tabs, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (int id : {1, 2, kIdApply}) {
        auto* button = new QPushButton(QStringLiteral("Button"), dialog);
        button->setMinimumWidth(button->fontMetrics().averageCharWidth() * 12);
        RegisterItem(button, id);
        button->setDefault(id == 1);
        row->addWidget(button);
    }
    layout->addLayout(row);
    return true;
}

const bool registered = RegisterDialogTemplate(kTemplateSettingsSheet, BuildSheet) &&
                        RegisterDialogTemplate(kTemplateViewPage, BuildViewPage) &&
                        RegisterDialogTemplate(kTemplateSmartCardPage, BuildSmartCardPage) &&
                        RegisterDialogTemplate(kTemplateComponentsPage, BuildComponentsPage) &&
                        RegisterDialogTemplate(kTemplateAddReader, BuildAddReaderDialog);

}  // namespace

// Referenced by the sheet so that the linker keeps this file's registrations.
bool SettingsTemplatesRegistered() {
    return registered;
}

}  // namespace orx
