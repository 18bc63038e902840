// The open and save dialogs: the filter text's pattern, the last folder kept per
// key in the configuration ("Last Path"), the default extension. Tests answer
// through a seam instead of a window, or drive the real dialog by its file name
// field.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orx {

inline constexpr size_t kFileDialogPathCapacity = 260;

// `fileName`: in the proposed name (a bare name, or a path whose folder the dialog
// opens in), out the chosen path cut to capacity - 1. True when a file was chosen.
bool FileDialog(QWidget* owner, std::string_view key, bool open, std::string_view filterText,
                std::string_view extension, std::string& fileName,
                size_t capacity = kFileDialogPathCapacity);

// The pattern a filter text offers: what stands inside its last pair of
// parentheses ("*.*" without one).
std::string FilterPattern(std::string_view filterText);
// The folder a dialog with that key starts in: "Last Path"/key, else the home folder.
std::string InitialFolder(std::string_view key);
// A path with a folder but no "." in its last component gets "." + extension.
std::string WithDefaultExtension(std::string_view path, std::string_view extension);

namespace file_dialog_testing {
struct Request {
    QWidget* owner = nullptr;
    bool open = true;
    std::string folder;    // where the dialog starts
    std::string proposed;  // the proposed name as given
    std::string pattern;
};
// The chosen path, or std::nullopt for a cancelled dialog.
using Answerer = std::function<std::optional<std::string>(const Request& request)>;
// An empty answerer shows the real dialog again.
void SetAnswerer(Answerer answerer);
}  // namespace file_dialog_testing

}  // namespace orx
