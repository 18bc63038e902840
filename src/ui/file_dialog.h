// The program's open and save dialogs: one filter from a text "Description (*.ext)",
// the last folder remembered per purpose under "Last Path", and a default extension
// for names typed without one.
#pragma once

#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

inline constexpr size_t kFileDialogFilterCapacity = 256;
inline constexpr size_t kFileDialogPathCapacity = 260;

// `key` names the purpose whose folder is remembered (empty: none remembered);
// `fileName` holds the proposed name and receives the chosen path, cut to
// capacity - 1. An empty `extension` adds none. True when the user chose a file.
bool FileDialog(QWidget* owner, std::string_view key, bool open, std::string_view filter,
                std::string_view extension, std::string& fileName,
                size_t capacity = kFileDialogPathCapacity);

// The pattern a filter text offers: what stands inside its last parentheses,
// "*.*" without any.
std::string FileDialogPattern(std::string_view filter);
// The folder the dialog opens in: the remembered one for the key, else the home folder.
std::string FileDialogInitialFolder(std::string_view key);

namespace file_dialog_testing {

struct FileDialogRequest {
    QWidget* owner = nullptr;
    bool open = false;
    std::string description;  // the filter text as shown
    std::string pattern;
    std::string folder;    // where the dialog starts
    std::string proposed;  // the name it proposes
};

// An answer is a chosen path, or nullopt for a cancelled dialog.
using FileDialogAnswer = std::optional<std::string>;
using FileDialogSink = std::function<FileDialogAnswer(const FileDialogRequest& request)>;
// While a sink is set no dialog is shown; an empty sink shows real dialogs again.
void SetFileDialogSink(FileDialogSink sink);

// Answers every dialog of the scope from a queue (then as cancelled) and records
// what each one was set up with.
class ScopedFileDialogAnswers {
  public:
    ScopedFileDialogAnswers();
    ~ScopedFileDialogAnswers();
    ScopedFileDialogAnswers(const ScopedFileDialogAnswers&) = delete;
    ScopedFileDialogAnswers& operator=(const ScopedFileDialogAnswers&) = delete;

    void QueueChoice(std::string path) { answers_.emplace_back(std::move(path)); }
    void QueueCancel() { answers_.emplace_back(std::nullopt); }
    const std::vector<FileDialogRequest>& Requests() const { return requests_; }

  private:
    std::deque<FileDialogAnswer> answers_;
    std::vector<FileDialogRequest> requests_;
};

// Qt's own dialog instead of the desktop's, so that a test can drive it.
void SetKeepQtDialog(bool keep);

// The real dialog that FileDialog shows, for tests that drive it (nullptr when none).
QWidget* CurrentFileDialog();

}  // namespace file_dialog_testing

}  // namespace orx
