// The override behind FileDialog: while it is set, FileDialog hands it what the
// dialog would be set up with and takes its answer instead of showing a dialog.
// The program never sets it; the window tests answer through it.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

namespace orx {

struct FileDialogRequest {
    QWidget* owner = nullptr;
    bool open = false;
    std::string description;  // the filter text as shown
    std::string pattern;
    std::string folder;    // where the dialog starts
    std::string proposed;  // the name it proposes
};

// A chosen path, or nullopt for a cancelled dialog.
using FileDialogAnswer = std::optional<std::string>;
using FileDialogHook = std::function<FileDialogAnswer(const FileDialogRequest& request)>;

// Empty: real dialogs are shown.
FileDialogHook& FileDialogOverride();

// True: Qt's own dialog even where the desktop offers one, so that a test can drive it.
bool& KeepQtFileDialogOverride();

}  // namespace orx
