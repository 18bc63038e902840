#include "support/gui/file_dialog_answers.h"

namespace orx::file_dialog_testing {

void SetFileDialogSink(FileDialogSink sink) {
    FileDialogOverride() = std::move(sink);
}

ScopedFileDialogAnswers::ScopedFileDialogAnswers() {
    SetFileDialogSink([this](const FileDialogRequest& request) -> FileDialogAnswer {
        requests_.push_back(request);
        if (answers_.empty())
            return std::nullopt;
        FileDialogAnswer answer = std::move(answers_.front());
        answers_.pop_front();
        return answer;
    });
}

ScopedFileDialogAnswers::~ScopedFileDialogAnswers() {
    SetFileDialogSink(nullptr);
}

void SetKeepQtDialog(bool keep) {
    KeepQtFileDialogOverride() = keep;
}

}  // namespace orx::file_dialog_testing
