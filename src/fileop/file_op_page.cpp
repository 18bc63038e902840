#include "fileop/file_op_page.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>

#include "core/language.h"
#include "core/trace.h"
#include "der/cert_inspection.h"
#include "der/cert_view.h"
#include "fileop/file_op_names.h"
#include "fileop/file_op_texts.h"
#include "fileop/file_op_wizard_ids.h"
#include "token/token_application.h"
#include "ui/file_dialog.h"
#include "ui/icons.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

constexpr uint8_t kSigningUsage = 0xC0;
constexpr uint8_t kEncryptionUsage = 0x20;
constexpr size_t kDisplayNameCapacity = 256;

// Enter and Escape typed anywhere in a page act on the frame, as in one dialog.
class PageKeys : public QObject {
  public:
    explicit PageKeys(FileOpHost& host) : host_(host) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (auto* combo = qobject_cast<QComboBox*>(watched);
                combo && combo->view()->isVisible())
                return false;
            host_.PressNext();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            if (auto* combo = qobject_cast<QComboBox*>(watched);
                combo && combo->view()->isVisible())
                return false;
            host_.Cancel();
            return true;
        }
        return false;
    }

  private:
    FileOpHost& host_;
};

}  // namespace

FileOpPage::FileOpPage(int templateId, FileOpHost& host, int index)
    : Dlg(templateId, host.FrameWindow()), host_(host), index_(index) {}

FileOpPage::~FileOpPage() = default;

void FileOpPage::OnOK() {}

void FileOpPage::OnCancel() {
    host_.Cancel();
}

std::vector<QWidget*> FileOpPage::FocusChain() const {
    return {};
}

bool FileOpPage::CreateInside(QWidget* area) {
    if (!Create())
        return false;
    QWidget* window = Window();
    window->setParent(area, Qt::Widget);
    if (area->layout() != nullptr)
        area->layout()->addWidget(window);
    keys_ = std::make_unique<PageKeys>(host_);
    window->installEventFilter(keys_.get());
    for (QWidget* child : window->findChildren<QWidget*>())
        child->installEventFilter(keys_.get());
    window->hide();
    OnCreatePage();
    return true;
}

IntroPage::IntroPage(FileOpHost& host) : FileOpPage(kTemplateIntroPage, host, 0) {}

void IntroPage::OnSetActive() {
    const FileOpTexts& texts = TextsFor(host_.Operation());
    SetItemTextById(kIdPageTitle, texts.name);
    SetItemText(kIdPageText, GetText(texts.introduction, 1024));
}

FilePage::FilePage(FileOpHost& host, int index)
    : FileOpPage(index == 3 && host.Operation() == kFileOpVerify ? kTemplateVerifiedFilePage
                                                                 : kTemplateFilePage,
                 host, index) {}

void FilePage::OnSetActive() {
    const FileOpTexts& texts = TextsFor(host_.Operation());
    SetItemText(kIdPageText, GetText(index_ == 1 ? texts.input : texts.output, 1024));
    SetItemTextById(kIdPathLabel, kTextPathLabel);
    if (index_ == 3) {
        host_.SetFilePath(ProposeOutputPath(host_.Operation(), host_.FilePath(), host_.Settings()));
        if (auto* icon = qobject_cast<QLabel*>(GetItem(kIdValidIcon)))
            icon->setPixmap(IconPixmap(LoadIcon(kIconValidSignature), kLargeIconSize, icon));
    }
    SetItemText(kIdPathEdit, host_.FilePath());
}

bool FilePage::OnNextPage() {
    const std::string text = GetItemText(kIdPathEdit);
    if (index_ == 3 && text.size() < kFileOpPathCapacity)
        host_.SetFilePath(text);
    return true;
}

bool FilePage::OnCommand(int commandId, int extra) {
    if (commandId != kIdBrowse)
        return FileOpPage::OnCommand(commandId, extra);
    Trace("FileOp - Browse");
    std::string name = GetItemText(kIdPathEdit);
    if (FileDialog(Window(), "FileOp", index_ == 1, GetText(kTextFileFilter), "", name))
        SetItemText(kIdPathEdit, name);
    return true;
}

std::vector<QWidget*> FilePage::FocusChain() const {
    return {GetItem(kIdPathEdit), GetItem(kIdBrowse)};
}

CertificatePage::CertificatePage(FileOpHost& host)
    : FileOpPage(host.Operation() == kFileOpEncrypt || host.Operation() == kFileOpDecrypt
                     ? kTemplateRecipientPage
                     : kTemplateSignerPage,
                 host, 2) {}

void CertificatePage::OnCreatePage() {
    auto* algorithms = qobject_cast<QComboBox*>(GetItem(kIdAlgorithmCombo));
    if (algorithms != nullptr) {
        for (const EncryptionAlgorithm& algorithm : EncryptionAlgorithms())
            algorithms->addItem(QString::fromLatin1(algorithm.displayText));
        algorithms->setCurrentIndex(PreselectedAlgorithm(host_.Settings().defaultAlgorithm));
    }
    if (host_.Operation() == kFileOpDecrypt) {
        ShowItem(kIdAlgorithmLabel, false);
        ShowItem(kIdAlgorithmCombo, false);
    }
}

void CertificatePage::SetCertificates(const std::vector<CertHandle>& certificates) {
    list_.clear();
    for (const CertHandle& certificate : certificates) {
        if (list_.size() >= kFileOpMaxCertificates)
            break;
        if (CertHandle copy = CertClone(certificate))
            list_.push_back(std::move(copy));
    }
}

void CertificatePage::CollectFromToken() {
    const bool signing = host_.Operation() == kFileOpSign;
    const uint8_t usage = signing ? kSigningUsage : kEncryptionUsage;
    list_.clear();
    const int passes = signing ? 1 : 2;
    for (int pass = 0; pass < passes; ++pass) {
        const bool other = pass == 1;
        for (int index = 0; list_.size() < kFileOpMaxCertificates; ++index) {
            CertHandle certificate = host_.App().GetCertificateAt(index, usage, other);
            if (!certificate)
                break;
            if (CertIsCA(certificate.get()) || !CertIsTimeValid(certificate.get()))
                continue;
            bool duplicate = false;
            for (const CertHandle& present : list_)
                duplicate = duplicate || CertEqual(present.get(), certificate.get());
            if (duplicate)
                continue;
            std::string subject;
            certificate->certificate.GetNameText(kSubject, subject, 1024);
            Trace(other ? "FileOp - Add other: '%s'" : "FileOp - Add current: '%s'",
                  subject.c_str());
            list_.push_back(std::move(certificate));
        }
    }
}

const CertRecord* CertificatePage::Selected() const {
    auto* combo = qobject_cast<QComboBox*>(GetItem(kIdCertificateCombo));
    if (combo == nullptr || combo->currentIndex() < 0)
        return nullptr;
    const auto index = static_cast<size_t>(combo->currentData().toULongLong());
    return index < list_.size() ? list_[index].get() : nullptr;
}

void CertificatePage::OnSetActive() {
    const FileOpTexts& texts = TextsFor(host_.Operation());
    SetItemText(kIdPageText, GetText(texts.certificate, 1024));
    SetItemTextById(kIdCertificateLabel, kTextCertificateLabel);
    SetItemTextById(kIdView, kTextView);
    SetItemTextById(kIdAlgorithmLabel, kTextAlgorithmLabel);
    auto* combo = qobject_cast<QComboBox*>(GetItem(kIdCertificateCombo));
    if (combo == nullptr)
        return;
    const QString before = combo->currentText();
    if (host_.Operation() == kFileOpSign || host_.Operation() == kFileOpEncrypt) {
        CollectFromToken();
    } else {
        SetCertificates(host_.FoundCertificates());
    }
    combo->clear();
    for (size_t i = 0; i < list_.size(); ++i) {
        std::string name;
        CertGetSubjectDisplayName(list_[i].get(), name, kDisplayNameCapacity);
        combo->addItem(ToQString(name), QVariant::fromValue<qulonglong>(i));
    }
    const int again = before.isEmpty() ? -1 : combo->findText(before);
    combo->setCurrentIndex(again >= 0 ? again : (combo->count() > 0 ? 0 : -1));
    // Nothing to show without a certificate.
    if (QWidget* view = GetItem(kIdView))
        view->setEnabled(combo->count() > 0);
}

bool CertificatePage::OnNextPage() {
    if (auto* algorithms = qobject_cast<QComboBox*>(GetItem(kIdAlgorithmCombo))) {
        const int index = algorithms->currentIndex();
        const auto& list = EncryptionAlgorithms();
        if (index >= 0 && static_cast<size_t>(index) < list.size() &&
            host_.Operation() != kFileOpDecrypt) {
            host_.SetAlgorithm(list[static_cast<size_t>(index)].oid);
        }
    }
    host_.SetChosenCertificate(CertClone(Selected()));
    return true;
}

bool CertificatePage::OnCommand(int commandId, int extra) {
    if (commandId != kIdView)
        return FileOpPage::OnCommand(commandId, extra);
    Trace("FileOp - View certificate");
    CertView(nullptr, Selected());
    return true;
}

std::vector<QWidget*> CertificatePage::FocusChain() const {
    std::vector<QWidget*> chain = {GetItem(kIdCertificateCombo), GetItem(kIdView)};
    if (QWidget* algorithms = GetItem(kIdAlgorithmCombo); algorithms && !algorithms->isHidden())
        chain.push_back(algorithms);
    return chain;
}

}  // namespace orx
