#include "fileop/file_op_wizard.h"

#include <QLineEdit>
#include <QPushButton>

#include "core/base64.h"
#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/language.h"
#include "core/trace.h"
#include "der/cert_inspection.h"
#include "dialogs/message_box.h"
#include "fileop/file_op_page.h"
#include "fileop/file_op_texts.h"
#include "fileop/file_op_wizard_ids.h"
#include "token/token_application.h"

namespace orx {

bool FileOpTemplatesRegistered();

namespace {

PluginWindow NativeId(QWidget* window) {
    return window != nullptr ? static_cast<PluginWindow>(window->winId()) : 0;
}

// The wait cursor for the length of one step of the wizard.
class WaitScope {
  public:
    explicit WaitScope(Dlg& dlg) : dlg_(dlg) { dlg_.BeginWaitCursor(); }
    ~WaitScope() { dlg_.EndWaitCursor(); }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

  private:
    Dlg& dlg_;
};

// The module may name a file the way its own platform does.
std::string_view ModuleFileName(std::string_view name) {
    const size_t separator = name.find_last_of("/\\");
    return separator == std::string_view::npos ? name : name.substr(separator + 1);
}

}  // namespace

CFileOpWizard::CFileOpWizard(TokenApplication& app, int operation, std::string_view inputPath)
    : Dlg(kTemplateWizardFrame), app_(app), operation_(operation) {
    (void)FileOpTemplatesRegistered();
    settings_ = ReadFileOpSettings();
    if (!inputPath.empty())
        SetFilePath(inputPath);
}

CFileOpWizard::~CFileOpWizard() {
    // The pages' windows live inside the frame's window; they go first.
    for (auto& page : pages_)
        page.reset();
}

void CFileOpWizard::SetFilePath(std::string_view path) {
    path_.assign(path.substr(0, std::min(path.size(), kFileOpPathCapacity - 1)));
}

void CFileOpWizard::SetAlgorithm(std::string_view oid) {
    ConfigWriteString("Encryption", "DefaultAlgorithm", oid);
    if (oid.size() < kFileOpAlgorithmCapacity)
        algorithm_.assign(oid);
}

void CFileOpWizard::SetChosenCertificate(CertHandle certificate) {
    chosen_ = std::move(certificate);
}

void CFileOpWizard::PressNext() {
    auto* next = qobject_cast<QPushButton*>(GetItem(kIdNext));
    if (next != nullptr && next->isEnabled())
        next->click();
}

void CFileOpWizard::Cancel() {
    OnCommand(kIdCancel, kNotifyClicked);
}

bool CFileOpWizard::OnInitDialog() {
    Dlg::OnInitDialog();
    SetTitle(TextsFor(operation_).name);
    QWidget* area = GetItem(kIdPageArea);
    pages_[0] = std::make_unique<IntroPage>(*this);
    pages_[1] = std::make_unique<FilePage>(*this, 1);
    pages_[2] = std::make_unique<CertificatePage>(*this);
    pages_[3] = std::make_unique<FilePage>(*this, 3);
    for (auto& page : pages_) {
        if (area == nullptr || !page->CreateInside(area)) {
            Trace("FileOp - Failed to create page %d", page ? page->TemplateId() : 0);
            EndDialog(-1);
            return false;
        }
    }
    page_ = 0;
    pages_[0]->OnSetActive();
    pages_[0]->Window()->show();
    app_.SetParentWnd(NativeId(Window()));
    SetButtons();
    SetTabOrder();
    return true;
}

bool CFileOpWizard::OnCommand(int commandId, int extra) {
    switch (commandId) {
        case kIdNext:
            OnNext();
            return true;
        case kIdBack:
            OnBack();
            return true;
        case kIdCancel:
            Trace("FileOp - Cancel on page %d", page_);
            return Dlg::OnCommand(commandId, extra);
        default:
            return Dlg::OnCommand(commandId, extra);
    }
}

// The user reads a message with the normal cursor, not the wait cursor of the step.
void CFileOpWizard::ShowFailure(int stringId) {
    EndWaitCursor();
    ShowError(Window(), stringId);
    BeginWaitCursor();
}

int CFileOpWizard::AskReplace() {
    EndWaitCursor();
    const int answer = AskQuestion(Window(), kQuestionReplace);
    BeginWaitCursor();
    return answer;
}

void CFileOpWizard::EndDialog(int result) {
    for (auto& page : pages_) {
        if (page && page->Window() != nullptr) {
            page->Window()->hide();
            page->Window()->setParent(nullptr);
        }
    }
    Dlg::EndDialog(result);
}

void CFileOpWizard::SetButtons() {
    ShowItem(kIdBack, page_ != 0);
    if (QWidget* back = GetItem(kIdBack))
        back->setEnabled(page_ != 3);
    SetItemTextById(kIdBack, kTextBack);
    SetItemTextById(kIdCancel, kTextCancel);
    int next = kTextNext;
    if (page_ == 2)
        next = TextsFor(operation_).runButton;
    else if (page_ == 3)
        next = kTextFinish;
    SetItemTextById(kIdNext, next);
}

void CFileOpWizard::SetTabOrder() {
    std::vector<QWidget*> chain = pages_[static_cast<size_t>(page_)]->FocusChain();
    QWidget* first = chain.empty() ? GetItem(kIdNext) : chain.front();
    for (int id : {kIdBack, kIdNext, kIdCancel}) {
        if (QWidget* button = GetItem(id))
            chain.push_back(button);
    }
    for (size_t i = 1; i < chain.size(); ++i) {
        if (chain[i - 1] != nullptr && chain[i] != nullptr)
            QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
    if (first != nullptr) {
        first->setFocus(Qt::TabFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(first))
            edit->selectAll();
    }
}

void CFileOpWizard::ChangePage(int newPage) {
    pages_[static_cast<size_t>(page_)]->Window()->hide();
    page_ = newPage;
    FileOpPage* page = pages_[static_cast<size_t>(page_)].get();
    page->OnSetActive();
    SetButtons();
    page->Window()->show();
    SetTabOrder();
}

void CFileOpWizard::OnNext() {
    WaitScope wait(*this);
    FileOpPage* page = pages_[static_cast<size_t>(page_)].get();
    if (page == nullptr || !page->OnNextPage())
        return;
    switch (page_) {
        case 0:
            ChangePage(1);
            break;
        case 1:
            if (NextFromInput())
                ChangePage(2);
            break;
        case 2:
            if (RunOperation())
                ChangePage(3);
            break;
        case 3:
            if (WriteOutput())
                EndDialog(kIdOk);
            break;
        default:
            break;
    }
}

void CFileOpWizard::OnBack() {
    if (page_ != 1 && page_ != 2)
        return;
    FileOpPage* page = pages_[static_cast<size_t>(page_)].get();
    if (!page->OnBackPage())
        return;
    ChangePage(page_ - 1);
}

bool CFileOpWizard::NextFromInput() {
    const std::string typed = pages_[1]->GetItemText(kIdPathEdit);
    SetFilePath(typed);
    std::vector<uint8_t> content;
    if (!ReadWholeFile(path_, content) || content.empty()) {
        Trace("FileOp - Failed to read '%s'", path_.c_str());
        ShowFailure(kErrorOpenFile);
        return false;
    }
    if (!ProcessInput(content)) {
        Trace("FileOp - Bad content in '%s'", path_.c_str());
        ShowFailure(kErrorBadContent);
        return false;
    }
    data_ = std::move(content);
    app_.SetProperty("FileName", std::string(FileNamePart(path_)).c_str());
    return true;
}

bool CFileOpWizard::ProcessInput(std::vector<uint8_t>& content) {
    if (operation_ != kFileOpVerify && operation_ != kFileOpDecrypt)
        return true;
    if (!Base64DecodeInput(content))
        return false;
    found_.clear();
    app_.Invoke("Reset");
    app_.SetProperty("Base64", "true");
    app_.SetProperty("UrlEncode", "false");
    app_.SetProperty("AllowExternalCert", "true");
    app_.SetPropertyBytes("Data", content);
    const std::optional<std::string> answer = app_.GetPropertyString("Certificate");
    if (answer) {
        size_t start = 0;
        for (size_t end = answer->find(';');
             end != std::string::npos && found_.size() < kFileOpMaxCertificates;
             start = end + 1, end = answer->find(';', start)) {
            const std::vector<uint8_t> der =
                Base64Decode(std::string_view(*answer).substr(start, end - start));
            if (CertHandle certificate = CertCreate(der))
                found_.push_back(std::move(certificate));
        }
    }
    static_cast<CertificatePage*>(pages_[2].get())->SetCertificates(found_);
    return operation_ == kFileOpDecrypt || !found_.empty();
}

bool CFileOpWizard::ReadResult(const char* property, bool text) {
    const std::optional<std::string> value = app_.GetPropertyString(property);
    if (!value)
        return false;
    if (text) {
        data_.assign(value->begin(), value->end());
        return true;
    }
    std::vector<uint8_t> decoded = Base64Decode(*value);
    if (decoded.empty())
        return false;
    data_ = std::move(decoded);
    return true;
}

bool CFileOpWizard::RunOperation() {
    const FileOpTexts& texts = TextsFor(operation_);
    const bool producing = operation_ == kFileOpSign || operation_ == kFileOpEncrypt;
    const bool mime = settings_.format != 0 && producing;
    if (producing && !chosen_) {
        Trace("FileOp - No certificate chosen");
        ShowFailure(kErrorNoCertificate);
        return false;
    }
    app_.SetProperty("UrlEncode", "false");
    app_.SetPropertyBytes("Data", data_);
    if (mime) {
        app_.SetProperty("Base64", "false");
        app_.SetProperty("MIME", "true");
        app_.SetProperty("Detached", settings_.format == 1 ? "false" : "true");
    } else {
        app_.SetProperty("Base64", "true");
        app_.SetProperty("MIME", "false");
    }
    DerBytes der;
    if (producing)
        CertGetData(chosen_.get(), &der);
    const PluginWindow parent = NativeId(Window());
    int result = 0;
    const char* property = "Data";
    std::optional<std::string> originalName;
    switch (operation_) {
        case kFileOpSign:
            app_.SetPropertyBytes("Certificate", der);
            result = app_.InvokeWithParent(parent, "Sign");
            property = "Signature";
            break;
        case kFileOpVerify:
            result = app_.InvokeWithParent(parent, "Verify");
            verified_ = result == 0;
            break;
        case kFileOpEncrypt:
            app_.SetProperty("Algorithm", algorithm_.c_str());
            app_.SetPropertyBytes("Certificate", der);
            result = app_.InvokeWithParent(parent, "Encrypt");
            break;
        default:
            result = app_.InvokeWithParent(parent, "Decrypt");
            originalName = app_.GetPropertyString("FileName");
            break;
    }
    if (result != 0 || !ReadResult(property, mime)) {
        Trace("FileOp - Operation %d failed: %d", operation_, result);
        ShowFailure(texts.failure);
        return false;
    }
    // An envelope that carries its original file's name gives it back; a failed
    // run leaves the path as it was.
    if (originalName && !ModuleFileName(*originalName).empty())
        SetFilePath(ReplaceFileName(path_, ModuleFileName(*originalName)));
    return true;
}

bool CFileOpWizard::WriteOutput() {
    if (FileExists(path_) && AskReplace() != kIdYes)
        return false;
    ReplaceOptions options;
    // Decrypted content is its owner's alone, whatever the umask says.
    options.ownerOnly = operation_ == kFileOpDecrypt;
    const std::string_view bytes(reinterpret_cast<const char*>(data_.data()), data_.size());
    if (ReplaceFileContents(path_, bytes, options) != 0) {
        Trace("FileOp - Failed to write '%s'", path_.c_str());
        ShowFailure(kErrorSaveFailed);
        return false;
    }
    Trace("FileOp - Wrote '%s'", path_.c_str());
    data_.clear();
    return true;
}

int RunFileOpWizard(TokenApplication& app, int operation, std::string_view inputPath) {
    Trace("FileOp - RunFileOpWizard ...");
    CFileOpWizard wizard(app, operation, inputPath);
    const int result = wizard.DoModal();
    Trace("FileOp - RunFileOpWizard ... done");
    return result;
}

}  // namespace orx
