// The program's open and save dialogs: one filter from a text "Description (*.ext)",
// the last folder remembered per purpose under "Last Path", and a default extension
// for names typed without one.
#pragma once

#include <QWidget>
#include <string>
#include <string_view>

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

}  // namespace orx
