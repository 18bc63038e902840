#include "ui/file_dialog.h"

#include <QFileDialog>
#include <QStringList>
#include <cstdlib>

#include "core/config_file.h"
#include "core/text_encoding.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

file_dialog_testing::Answerer& TestAnswerer() {
    static file_dialog_testing::Answerer answerer;
    return answerer;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] != '\0' ? home : "/";
}

// Qt separates a filter's patterns by blanks; the program's texts use ";".
QString QtFilter(std::string_view filterText, const std::string& pattern) {
    QString patterns = ToQString(pattern);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    const size_t open = filterText.rfind('(');
    const std::string_view description =
        open == std::string_view::npos ? filterText : filterText.substr(0, open);
    QString text = ToQString(description).trimmed();
    if (text.isEmpty())
        text = patterns;
    return text + QStringLiteral(" (") + patterns + QStringLiteral(")");
}

std::optional<std::string> RunDialog(const file_dialog_testing::Request& request,
                                     std::string_view filterText) {
    QFileDialog dialog(request.owner);
    // Qt's own dialog: the same on every desktop, and drivable in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(QtFilter(filterText, request.pattern));
    dialog.setDirectory(ToQString(request.folder));
    const size_t slash = request.proposed.rfind('/');
    const std::string name =
        slash == std::string::npos ? request.proposed : request.proposed.substr(slash + 1);
    if (!name.empty())
        dialog.selectFile(ToQString(name));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return ToUtf8(files.front());
}

}  // namespace

std::string FilterPattern(std::string_view filterText) {
    const size_t open = filterText.rfind('(');
    if (open == std::string_view::npos)
        return "*.*";
    const std::string_view inside = filterText.substr(open + 1);
    if (inside.empty())
        return {};
    return std::string(inside.substr(0, inside.size() - 1));
}

std::string InitialFolder(std::string_view key) {
    if (!key.empty()) {
        std::string folder;
        if (ConfigReadString("Last Path", key, folder, kFileDialogPathCapacity) == kConfigOk &&
            !folder.empty()) {
            return folder;
        }
    }
    return HomeFolder();
}

std::string WithDefaultExtension(std::string_view path, std::string_view extension) {
    std::string out(path);
    if (extension.empty())
        return out;
    const size_t slash = out.rfind('/');
    if (slash == std::string::npos)
        return out;
    if (out.find('.', slash + 1) != std::string::npos)
        return out;
    out.push_back('.');
    out.append(extension);
    return out;
}

bool FileDialog(QWidget* owner, std::string_view key, bool open, std::string_view filterText,
                std::string_view extension, std::string& fileName, size_t capacity) {
    file_dialog_testing::Request request;
    request.owner = owner;
    request.open = open;
    request.proposed = fileName;
    request.pattern = FilterPattern(filterText.substr(0, 255));
    const size_t slash = fileName.rfind('/');
    request.folder =
        slash != std::string::npos && slash > 0 ? fileName.substr(0, slash) : InitialFolder(key);

    const std::optional<std::string> chosen =
        TestAnswerer() ? TestAnswerer()(request) : RunDialog(request, filterText.substr(0, 255));
    if (chosen) {
        fileName = *chosen;
        if (!key.empty()) {
            const size_t last = fileName.rfind('/');
            if (last != std::string::npos) {
                ConfigWriteString("Last Path", key, fileName.substr(0, last));
            }
        }
    }
    fileName = WithDefaultExtension(fileName, extension);
    if (capacity > 0 && fileName.size() > capacity - 1) {
        fileName = std::string(CutUtf8(fileName, capacity - 1));
    }
    return chosen.has_value();
}

namespace file_dialog_testing {
void SetAnswerer(Answerer answerer) {
    TestAnswerer() = std::move(answerer);
}
}  // namespace file_dialog_testing

}  // namespace orx
