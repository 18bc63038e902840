// Answers for the program's file dialogs, so that no test waits on one.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/file_dialog_seam.h"

namespace orx::file_dialog_testing {

using FileDialogSink = FileDialogHook;
// While a sink is set no dialog is shown; an empty sink shows real dialogs again.
void SetFileDialogSink(FileDialogSink sink);

// Qt's own dialog instead of the desktop's, so that a test can drive it.
void SetKeepQtDialog(bool keep);

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

}  // namespace orx::file_dialog_testing
