#include "client/certificate_window.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cstdio>

#include "client/client_texts.h"
#include "core/file_helpers.h"
#include "core/language.h"
#include "core/trace.h"
#include "dialogs/message_box.h"
#include "dialogs/message_style.h"
#include "dialogs/window_placement.h"
#include "ui/file_dialog.h"
#include "ui/icons.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

QString Text(int id) {
    return ToQString(GetText(id));
}

QLabel* ValueLabel(const std::string& value, bool wrap, QWidget* parent) {
    auto* label = new QLabel(ToQString(value), parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    return label;
}

// A file name the user recognises: the certificate's display name, without the
// characters that file systems or shells trip over.
std::string SuggestedName(const CertificateFacts& facts, const char* extension) {
    std::string name = facts.subjectDisplayName;
    for (char& c : name) {
        if (std::string_view("/\\:*?\"<>|, \t").find(c) != std::string_view::npos)
            c = '_';
    }
    // No hidden file, and no name made of dots.
    if (!name.empty() && name[0] == '.')
        name[0] = '_';
    if (name.empty())
        name = "certificate";
    return name + extension;
}

}  // namespace

std::string CertificateWindow::KeyText(const CertificateFacts& facts) {
    if (facts.keyType.empty())
        return {};
    if (facts.keyBits <= 0)
        return facts.keyType;
    const std::string format = GetText(kTextKeyBits);
    char text[256];
    std::snprintf(text, sizeof text, format.c_str(), facts.keyType.c_str(), facts.keyBits);
    return text;
}

std::string CertificateWindow::StatusText(ValidityState state) {
    switch (state) {
        case ValidityState::Expired:
            return GetText(kTextStatusExpired);
        case ValidityState::NotYetValid:
            return GetText(kTextStatusNotYetValid);
        case ValidityState::Valid:
            break;
    }
    return GetText(kTextStatusValid);
}

QLabel* CertificateWindow::AddField(QFormLayout* form, int labelId, const std::string& value,
                                    int itemId, bool wrap) {
    QLabel* label = ValueLabel(value, wrap, form->parentWidget());
    RegisterItem(label, itemId);
    form->addRow(Text(labelId), label);
    return label;
}

CertificateWindow::CertificateWindow(CertificateFacts facts, QWidget* parent)
    : QDialog(parent), facts_(std::move(facts)) {
    setWindowTitle(ToQString(GetTitleText(kTextCertificate)));
    setWindowIcon(GetProductIcons());
    setSizeGripEnabled(true);

    auto* outer = new QVBoxLayout(this);

    // Whom it is for, and at one glance whether it can be used now.
    auto* header = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(IconPixmap(LoadIcon(kIconCertificate), kLargeIconSize, icon));
    icon->setAlignment(Qt::AlignTop);
    header->addWidget(icon);
    auto* headline = new QVBoxLayout;
    QLabel* name = ValueLabel(
        facts_.subjectDisplayName.empty() ? facts_.subjectReadable : facts_.subjectDisplayName,
        true, this);
    SetBoldFont(name, 2, true);
    RegisterItem(name, kItemDisplayName);
    headline->addWidget(name);
    QLabel* status = ValueLabel(StatusText(facts_.validity), true, this);
    RegisterItem(status, kItemStatus);
    SetBoldFont(status, 0, true);
    status->setStyleSheet(facts_.validity == ValidityState::Valid
                              ? QStringLiteral("color: #1a7f37;")
                              : QStringLiteral("color: #c62828;"));
    headline->addWidget(status);
    header->addLayout(headline, 1);
    outer->addLayout(header);

    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll_);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto addGroup = [&](int titleId) {
        auto* box = new QGroupBox(Text(titleId), page);
        auto* form = new QFormLayout(box);
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        form->setRowWrapPolicy(QFormLayout::DontWrapRows);
        form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
        pageLayout->addWidget(box);
        return form;
    };

    QFormLayout* subject = addGroup(kTextSubject);
    AddField(subject, kTextName, facts_.subjectDisplayName, kItemSubjectName, true);
    AddField(subject, kTextDistinguishedName, facts_.subjectReadable, kItemSubjectText, true)
        ->setToolTip(ToQString(facts_.subjectText));

    QFormLayout* issuer = addGroup(kTextIssuer);
    AddField(issuer, kTextName, facts_.issuerDisplayName, kItemIssuerName, true);
    AddField(issuer, kTextDistinguishedName, facts_.issuerReadable, kItemIssuerText, true)
        ->setToolTip(ToQString(facts_.issuerText));

    QFormLayout* details = addGroup(kTextCertificate);
    AddField(details, kTextValidFrom, facts_.notBefore, kItemValidFrom, false)
        ->setToolTip(ToQString(facts_.notBeforeStored));
    AddField(details, kTextValidTo, facts_.notAfter, kItemValidTo, false)
        ->setToolTip(ToQString(facts_.notAfterStored));
    AddField(details, kTextVersion, std::to_string(facts_.version), kItemVersion, false);
    AddField(details, kTextSerialNumber, facts_.serial, kItemSerial, true)->setFont(fixed);
    AddField(details, kTextSignatureAlgorithm, facts_.signatureAlgorithm, kItemSignature, false);
    AddField(details, kTextPublicKey, KeyText(facts_), kItemPublicKey, false);
    AddField(details, kTextSha1, facts_.sha1, kItemSha1, false)->setFont(fixed);
    // SHA-256 is wider than a window should be: two lines of 16 bytes each.
    std::string sha256 = facts_.sha256;
    if (sha256.size() > 48)
        sha256.replace(47, 1, "\n");
    AddField(details, kTextSha256, sha256, kItemSha256, false)->setFont(fixed);

    if (!facts_.extensions.empty()) {
        QFormLayout* extensions = addGroup(kTextExtensions);
        QWidget* box = extensions->parentWidget();
        int item = 0;
        for (const ExtensionFacts& e : facts_.extensions) {
            // The value first; where it comes from and whether it must be understood
            // below it, quieter.
            auto* cell = new QWidget(box);
            auto* lines = new QVBoxLayout(cell);
            lines->setContentsMargins(0, 0, 0, 0);
            lines->setSpacing(0);
            QLabel* value = ValueLabel(e.value, true, cell);
            const std::string detail = GetText(kTextObjectIdentifier) + ": " + e.oid + "; " +
                                       GetText(kTextCritical) + ": " +
                                       GetText(e.critical ? kTextYes : kTextNo);
            QLabel* origin = ValueLabel(detail, true, cell);
            QPalette quiet = origin->palette();
            const QColor text = quiet.color(QPalette::WindowText);
            const QColor back = quiet.color(QPalette::Window);
            quiet.setColor(QPalette::WindowText, QColor((text.red() * 3 + back.red() * 2) / 5,
                                                        (text.green() * 3 + back.green() * 2) / 5,
                                                        (text.blue() * 3 + back.blue() * 2) / 5));
            origin->setPalette(quiet);
            RegisterItem(value, kItemFirstExtension + item);
            RegisterItem(origin, kItemFirstExtensionDetail + item);
            ++item;
            lines->addWidget(value);
            lines->addWidget(origin);
            auto* name = new QLabel(ToQString(e.name), box);
            name->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            extensions->addRow(name, cell);
        }
    }
    pageLayout->addStretch(1);
    scroll_->setWidget(page);
    outer->addWidget(scroll_, 1);

    auto* buttons = new QHBoxLayout;
    auto* saveDer = new QPushButton(Text(kTextSaveDer), this);
    auto* savePem = new QPushButton(Text(kTextSavePem), this);
    auto* close = new QPushButton(Text(kTextClose), this);
    RegisterItem(saveDer, kItemSaveDer);
    RegisterItem(savePem, kItemSavePem);
    RegisterItem(close, kItemClose);
    buttons->addWidget(saveDer);
    buttons->addWidget(savePem);
    saved_ = new QLabel(this);
    saved_->setTextFormat(Qt::PlainText);
    RegisterItem(saved_, kItemSaved);
    buttons->addWidget(saved_, 1);
    buttons->addWidget(close);
    close->setDefault(true);
    outer->addLayout(buttons);
    connect(saveDer, &QPushButton::clicked, this, [this] { SaveAs(false); });
    connect(savePem, &QPushButton::clicked, this, [this] { SaveAs(true); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    FitToScreen();
}

void CertificateWindow::FitToScreen() {
    // Wide enough for the fingerprints, tall enough for everything when the screen
    // allows; beyond that the page scrolls.
    QWidget* page = scroll_->widget();
    page->adjustSize();
    const QSize content = page->sizeHint();
    const int width = std::max(content.width() + 40, sizeHint().width());
    const int height = sizeHint().height() - scroll_->sizeHint().height() + content.height() + 8;
    QSize wanted(width, height);
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        wanted = wanted.boundedTo(QSize(available.width() * 9 / 10, available.height() * 9 / 10));
    }
    resize(wanted);
}

bool CertificateWindow::SaveAs(bool pem) {
    const char* form = pem ? "PEM" : "DER";
    Trace("Client - Save certificate as %s ...", form);
    std::string file = SuggestedName(facts_, pem ? ".pem" : ".cer");
    bool written = false;
    if (!FileDialog(this, kSaveFolderKey, false, GetText(pem ? kTextPemFilter : kTextDerFilter),
                    pem ? "pem" : "cer", file)) {
        Trace("Client - Save certificate as %s ... done", form);
        return false;
    }
    if (FileExists(file) && AskQuestion(this, 2209) != kAnswerYes) {
        Trace("Client - Kept the existing file '%s'", file.c_str());
    } else {
        written = pem ? WriteWholeFile(PemCertificate(facts_.der), file)
                      : WriteWholeFile(std::span<const uint8_t>(facts_.der), file);
        if (!written) {
            Trace("Client - Failed to save certificate to '%s'", file.c_str());
            ShowMessage(this, FormatWithInsert(GetText(kTextSaveFailed), file), GetText(kTextError),
                        kMbIconExclamation, false);
        } else {
            Trace("Client - Certificate saved to '%s'", file.c_str());
            // The name only: a long folder would push the buttons apart.
            const size_t slash = file.rfind('/');
            saved_->setText(
                ToQString(FormatWithInsert(GetText(kTextSaved), file.substr(slash + 1))));
            saved_->setToolTip(ToQString(file));
        }
    }
    Trace("Client - Save certificate as %s ... done", form);
    return written;
}

}  // namespace orx
