#include "ui/file_dialog.h"

#include <QDir>
#include <QFileDialog>

#include "core/config_file.h"
#include "core/text_encoding.h"
#include "ui/file_dialog_seam.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

constexpr std::string_view kLastPathSection = "Last Path";
constexpr std::string_view kAnyFile = "*.*";

// "*.*" stood for every file where names were split into name and extension; a
// name without a dot is a file all the same here. Several patterns were joined
// by ";", which Qt separates by blanks.
QString QtPattern(const std::string& pattern) {
    if (pattern == kAnyFile)
        return QStringLiteral("*");
    QString qt = ToQString(pattern);
    qt.replace(QLatin1Char(';'), QLatin1Char(' '));
    return qt.simplified();
}

QString QtFilter(const std::string& description, const std::string& pattern) {
    QString shown = ToQString(description);
    const qsizetype open = shown.lastIndexOf(QLatin1Char('('));
    if (open >= 0)
        shown.truncate(open);
    shown = shown.trimmed();
    return shown + QStringLiteral(" (") + QtPattern(pattern) + QLatin1Char(')');
}

FileDialogAnswer RunDialog(const FileDialogRequest& r) {
    QFileDialog dialog(r.owner);
    // The desktop's own dialog may run out of process and cannot be driven headless.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(QtFilter(r.description, r.pattern));
    dialog.setDirectory(ToQString(r.folder));
    if (r.open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Callers ask themselves before they replace a file.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    }
    if (!r.proposed.empty())
        dialog.selectFile(ToQString(r.proposed));
    const int result = dialog.exec();
    const QStringList chosen = dialog.selectedFiles();
    if (result != QDialog::Accepted || chosen.isEmpty())
        return std::nullopt;
    return ToUtf8(QDir::toNativeSeparators(chosen.first()));
}

}  // namespace

std::string FileDialogPattern(std::string_view filter) {
    const size_t open = filter.rfind('(');
    if (open == std::string_view::npos)
        return std::string(kAnyFile);
    // Up to the text's last character, which closes the parentheses.
    const size_t start = open + 1;
    if (filter.size() < start + 1)
        return {};
    return std::string(filter.substr(start, filter.size() - 1 - start));
}

std::string FileDialogInitialFolder(std::string_view key) {
    std::string folder;
    if (!key.empty())
        ConfigReadString(kLastPathSection, key, folder, kFileDialogPathCapacity);
    if (folder.empty())
        folder = ToUtf8(QDir::homePath());
    return folder;
}

bool FileDialog(QWidget* owner, std::string_view key, bool open, std::string_view filter,
                std::string_view extension, std::string& fileName, size_t capacity) {
    FileDialogRequest request;
    request.owner = owner;
    request.open = open;
    request.description = std::string(CutUtf8(filter, kFileDialogFilterCapacity - 1));
    request.pattern = FileDialogPattern(request.description);
    request.folder = FileDialogInitialFolder(key);
    request.proposed = fileName;

    const FileDialogHook& hook = FileDialogOverride();
    const FileDialogAnswer answer = hook ? hook(request) : RunDialog(request);
    const bool chosen = answer.has_value();
    if (chosen) {
        fileName = std::string(CutUtf8(*answer, capacity > 0 ? capacity - 1 : 0));
        if (!key.empty()) {
            const size_t slash = fileName.rfind('/');
            if (slash != std::string::npos)
                ConfigWriteString(kLastPathSection, key,
                                  std::string_view(fileName).substr(0, slash));
        }
    }
    // Also on cancel: callers that go on with the proposed name get it complete.
    if (!extension.empty()) {
        const size_t slash = fileName.rfind('/');
        if (slash != std::string::npos && fileName.find('.', slash) == std::string::npos &&
            fileName.size() + 1 + extension.size() < capacity) {
            fileName += '.';
            fileName += extension;
        }
    }
    return chosen;
}

FileDialogHook& FileDialogOverride() {
    static FileDialogHook hook;
    return hook;
}

}  // namespace orx
