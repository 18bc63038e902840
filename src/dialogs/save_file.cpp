#include "dialogs/save_file.h"

#include "core/file_helpers.h"
#include "dialogs/dlg.h"
#include "dialogs/message_box.h"

namespace orx {

namespace {
constexpr int kQuestionReplaceFile = 2209;
constexpr int kErrorSaveFailed = 2035;
}  // namespace

bool SaveFileAsking(QWidget* owner, std::string_view key, std::string_view filter,
                    std::string_view extension, std::string& fileName,
                    const std::function<bool(const std::string& path)>& write, size_t capacity) {
    for (;;) {
        if (!FileDialog(owner, key, false, filter, extension, fileName, capacity))
            return false;
        // A file the user chose to keep is not overwritten unasked.
        if (FileExists(fileName) && AskQuestion(owner, kQuestionReplaceFile) != kIdYes)
            continue;
        if (write(fileName))
            return true;
        ShowError(owner, kErrorSaveFailed);
    }
}

}  // namespace orx
