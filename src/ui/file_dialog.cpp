#include "ui/file_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

#include "core/config_file.h"
#include "core/text_encoding.h"
#include "ui/file_dialog_seam.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

constexpr std::string_view kLastPathSection = "Last Path";
constexpr std::string_view kAnyFile = "*.*";

// Widens the dialog so that its places and every column of the details fit.
void FitWidth(QFileDialog& dialog, QHeaderView* header) {
    int columns = 0;
    for (int section = 0; section < header->count(); ++section) {
        if (!header->isSectionHidden(section))
            columns += header->sectionSize(section);
    }
    const QWidget* places = dialog.findChild<QWidget*>(QStringLiteral("sidebar"));
    const int sidebar = places != nullptr ? places->width() : 0;
    // The frames, the splitter handle and the scroll bar.
    const int room = 8 * dialog.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) +
                     dialog.style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                     dialog.style()->pixelMetric(QStyle::PM_LayoutLeftMargin) +
                     dialog.style()->pixelMetric(QStyle::PM_LayoutRightMargin) + 16;
    dialog.resize(std::max({dialog.width(), dialog.sizeHint().width(), columns + sidebar + room}),
                  std::max(dialog.height(), dialog.sizeHint().height()));
}

// Qt's own dialog shows the details of each file, and neither a column (heading or
// content) nor the filter's name is cut, in any language and at any scale.
void FitQtDialog(QFileDialog& dialog) {
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (details == nullptr || types == nullptr)
        return;  // the desktop's own dialog
    dialog.setViewMode(QFileDialog::Detail);
    QHeaderView* header = details->header();
    for (int section = 0; section < header->count(); ++section) {
        const int wanted = std::max(header->sectionSize(section), header->sectionSizeHint(section));
        header->resizeSection(section, wanted);
    }
    types->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    types->setMinimumWidth(types->sizeHint().width());
    FitWidth(dialog, header);
    // The files of a folder arrive after the dialog is shown; the columns follow them.
    if (auto* files = qobject_cast<QFileSystemModel*>(details->model())) {
        QObject::connect(files, &QFileSystemModel::directoryLoaded, &dialog,
                         [&dialog, details, header]() {
                             for (int section = 0; section < header->count(); ++section) {
                                 const int before = header->sectionSize(section);
                                 details->resizeColumnToContents(section);
                                 if (header->sectionSize(section) < before)
                                     header->resizeSection(section, before);
                             }
                             FitWidth(dialog, header);
                         });
    }
}

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
    // The desktop's own dialog where Qt offers one; tests keep Qt's, which they drive.
    if (KeepQtFileDialogOverride())
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
    FitQtDialog(dialog);
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

bool& KeepQtFileDialogOverride() {
    static bool keep = false;
    return keep;
}

}  // namespace orx
