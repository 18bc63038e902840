// The wizard's dialog templates. Layouts rather than fixed places, so that the
// pages keep their proportions in every language and at every scale.
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "fileop/file_op_wizard_ids.h"
#include "ui/dialog_templates.h"
#include "ui/item_registry.h"
#include "ui/template_controls.h"

namespace orx {

namespace {

QLabel* AddText(QWidget* dialog, QVBoxLayout* layout) {
    auto* text = new QLabel(QStringLiteral("Text"), dialog);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setMinimumHeight(text->fontMetrics().lineSpacing() * 4);
    RegisterItem(text, kIdPageText);
    layout->addWidget(text);
    layout->addSpacing(text->fontMetrics().lineSpacing() / 2);
    return text;
}

bool BuildIntroPage(QWidget* dialog) {
    auto* layout = new QVBoxLayout(dialog);
    auto* title = new QLabel(QStringLiteral("Title"), dialog);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    title->setFont(bold);
    RegisterItem(title, kIdPageTitle);
    layout->addWidget(title);
    layout->addSpacing(title->fontMetrics().lineSpacing() / 2);
    AddText(dialog, layout);
    layout->addStretch(1);
    return true;
}

bool BuildFilePage(QWidget* dialog, bool withIcon) {
    auto* layout = new QVBoxLayout(dialog);
    if (withIcon) {
        auto* row = new QHBoxLayout;
        auto* icon = new QLabel(dialog);
        icon->setFixedSize(32, 32);
        RegisterItem(icon, kIdValidIcon);
        row->addWidget(icon, 0, Qt::AlignTop);
        auto* text = new QLabel(QStringLiteral("Text"), dialog);
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        text->setMinimumHeight(text->fontMetrics().lineSpacing() * 4);
        RegisterItem(text, kIdPageText);
        row->addWidget(text, 1);
        layout->addLayout(row);
    } else {
        AddText(dialog, layout);
    }
    auto* label = new QLabel(QStringLiteral("Path"), dialog);
    RegisterItem(label, kIdPathLabel);
    layout->addWidget(label);
    auto* row = new QHBoxLayout;
    auto* edit = new QLineEdit(dialog);
    edit->setMaxLength(259);
    RegisterItem(edit, kIdPathEdit);
    label->setBuddy(edit);
    row->addWidget(edit, 1);
    QPushButton* browse = MakeTemplateButton(dialog, kIdBrowse, "...");
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    row->addWidget(browse);
    layout->addLayout(row);
    layout->addStretch(1);
    return true;
}

bool BuildCertificatePage(QWidget* dialog, bool withAlgorithm) {
    auto* layout = new QVBoxLayout(dialog);
    AddText(dialog, layout);
    auto* label = new QLabel(QStringLiteral("Certificate"), dialog);
    RegisterItem(label, kIdCertificateLabel);
    layout->addWidget(label);
    auto* row = new QHBoxLayout;
    auto* combo = new QComboBox(dialog);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(24);
    RegisterItem(combo, kIdCertificateCombo);
    label->setBuddy(combo);
    row->addWidget(combo, 1);
    row->addWidget(MakeTemplateButton(dialog, kIdView, "View"));
    layout->addLayout(row);
    if (withAlgorithm) {
        auto* algorithmLabel = new QLabel(QStringLiteral("Algorithm"), dialog);
        RegisterItem(algorithmLabel, kIdAlgorithmLabel);
        layout->addWidget(algorithmLabel);
        auto* algorithms = new QComboBox(dialog);
        RegisterItem(algorithms, kIdAlgorithmCombo);
        algorithmLabel->setBuddy(algorithms);
        layout->addWidget(algorithms);
    }
    layout->addStretch(1);
    return true;
}

bool BuildWizardFrame(QWidget* dialog) {
    auto* layout = new QVBoxLayout(dialog);
    auto* area = new QWidget(dialog);
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    RegisterItem(area, kIdPageArea);
    layout->addWidget(area, 1);
    auto* line = new QFrame(dialog);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    const struct {
        int id;
        const char* text;
    } buttons[] = {{kIdBack, "< Back"}, {kIdNext, "Next >"}, {2, "Cancel"}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text), dialog);
        button->setAutoDefault(false);
        button->setMinimumWidth(button->fontMetrics().averageCharWidth() * 12);
        RegisterItem(button, b.id);
        row->addWidget(button);
        if (b.id == kIdNext)
            button->setDefault(true);
        if (b.id == kIdNext)
            row->addSpacing(8);
    }
    layout->addLayout(row);
    const int unit = dialog->fontMetrics().averageCharWidth();
    dialog->resize(std::max(520, unit * 70),
                   std::max(330, dialog->fontMetrics().lineSpacing() * 18));
    return true;
}

const bool registered =
    RegisterDialogTemplate(kTemplateIntroPage, BuildIntroPage) &&
    RegisterDialogTemplate(kTemplateFilePage, [](QWidget* d) { return BuildFilePage(d, false); }) &&
    RegisterDialogTemplate(kTemplateVerifiedFilePage,
                           [](QWidget* d) { return BuildFilePage(d, true); }) &&
    RegisterDialogTemplate(kTemplateSignerPage,
                           [](QWidget* d) { return BuildCertificatePage(d, false); }) &&
    RegisterDialogTemplate(kTemplateRecipientPage,
                           [](QWidget* d) { return BuildCertificatePage(d, true); }) &&
    RegisterDialogTemplate(kTemplateWizardFrame, BuildWizardFrame);

}  // namespace

// Referenced by the wizard so that the linker keeps this file's registrations.
bool FileOpTemplatesRegistered() {
    return registered;
}

}  // namespace orx
