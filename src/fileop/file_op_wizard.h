// The four-page wizard that signs, verifies, encrypts or decrypts one file through
// the token plug-in: introduction, input file, certificate, output file. Nothing is
// written before Finish, and the output replaces its file whole or not at all.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "der/cert_handle.h"
#include "dialogs/dlg.h"
#include "fileop/file_op_host.h"
#include "fileop/file_op_names.h"

namespace orx {

class TokenApplication;
class FileOpPage;

class CFileOpWizard : public Dlg, public FileOpHost {
  public:
    CFileOpWizard(TokenApplication& app, int operation, std::string_view inputPath);
    ~CFileOpWizard() override;

    bool OnInitDialog() override;
    bool OnCommand(int commandId, int extra) override;
    // The pages' windows leave the frame's window before it goes: each page owns its own.
    void EndDialog(int result) override;

    // The frame's own steps, also for pages that pass keys on.
    void OnNext();
    void OnBack();

    int CurrentPage() const { return page_; }
    bool Verified() const { return verified_; }
    const std::string& Algorithm() const { return algorithm_; }
    FileOpPage* Page(int index) const { return pages_[static_cast<size_t>(index)].get(); }

    // What the pages ask of the frame.
    QWidget* FrameWindow() const override { return Window(); }
    int Operation() const override { return operation_; }
    const FileOpSettings& Settings() const override { return settings_; }
    TokenApplication& App() override { return app_; }
    const std::string& FilePath() const override { return path_; }
    void SetFilePath(std::string_view path) override;
    const std::vector<CertHandle>& FoundCertificates() const override { return found_; }
    void SetChosenCertificate(CertHandle certificate) override;
    void SetAlgorithm(std::string_view oid) override;
    void PressNext() override;
    void Cancel() override;

  private:
    bool NextFromInput();
    bool RunOperation();
    bool ProcessInput(std::vector<uint8_t>& content);
    bool WriteOutput();
    void ChangePage(int newPage);
    void SetButtons();
    void SetTabOrder();
    bool ReadResult(const char* property, bool text);
    void ShowFailure(int stringId);
    int AskReplace();

    TokenApplication& app_;
    int operation_;
    int page_ = 0;
    std::string path_;
    std::string algorithm_;
    CertHandle chosen_;
    std::vector<uint8_t> data_;
    bool verified_ = false;
    FileOpSettings settings_;
    std::vector<CertHandle> found_;
    std::array<std::unique_ptr<FileOpPage>, 4> pages_;
};

// Makes the wizard without a parent window and runs it modally; the dialog's result.
int RunFileOpWizard(TokenApplication& app, int operation, std::string_view inputPath);

}  // namespace orx
