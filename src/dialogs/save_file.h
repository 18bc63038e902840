// Saving a file the way every save command of the program does: the file dialog,
// a question before an existing file is replaced (2209; "No" offers the dialog
// again), and on a failed write the error (2035) and the dialog again.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "ui/file_dialog.h"

namespace orx {

// `key`, `filter`, `extension`, `fileName` and `capacity` are FileDialog's;
// `write` writes the chosen path and tells whether it succeeded. True once a
// file is written, false when the user cancels the dialog.
bool SaveFileAsking(QWidget* owner, std::string_view key, std::string_view filter,
                    std::string_view extension, std::string& fileName,
                    const std::function<bool(const std::string& path)>& write,
                    size_t capacity = kFileDialogPathCapacity);

}  // namespace orx
