#include "client/trace_window.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "client/client_texts.h"
#include "core/language.h"
#include "core/trace.h"
#include "dialogs/message_box.h"
#include "ui/icons.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"

namespace orx {
namespace {

// Bytes of the file from `offset` on; false when it cannot be opened. `size`
// receives the file's size.
bool ReadFrom(const std::string& path, long long offset, std::string& bytes, long long* size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    *size = st.st_size;
    bytes.clear();
    if (st.st_size > offset && ::lseek(fd, offset, SEEK_SET) == offset) {
        char buffer[65536];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace

TraceWindow::TraceWindow(std::string path, QWidget* parent)
    : QDialog(parent), path_(std::move(path)) {
    setWindowTitle(ToQString(GetTitleText(kTextTraceLog)) + QStringLiteral(" (") +
                   ToQString(path_) + ')');
    setWindowIcon(GetProductIcons());
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RegisterItem(text_, kItemTraceText);
    layout->addWidget(text_, 1);

    auto* bar = new QHBoxLayout;
    auto* findLabel = new QLabel(ToQString(GetText(kTextFind)), this);
    findEdit_ = new QLineEdit(this);
    findLabel->setBuddy(findEdit_);
    auto* next = new QPushButton(ToQString(GetText(kTextFindNext)), this);
    next->setAutoDefault(false);
    findStatus_ = new QLabel(this);
    RegisterItem(findLabel, kItemFindLabel);
    RegisterItem(findEdit_, kItemFindEdit);
    RegisterItem(next, kItemFindNext);
    RegisterItem(findStatus_, kItemFindStatus);
    bar->addWidget(findLabel);
    bar->addWidget(findEdit_, 1);
    bar->addWidget(next);
    bar->addWidget(findStatus_);
    layout->addLayout(bar);

    connect(next, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(findEdit_, &QLineEdit::returnPressed, this, [this] { FindNext(); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &TraceWindow::OpenFindBar);
    auto* again = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(again, &QShortcut::activated, this, [this] { FindNext(false); });
    auto* back = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    connect(back, &QShortcut::activated, this, [this] { FindNext(true); });

    follow_ = new QTimer(this);
    connect(follow_, &QTimer::timeout, this, &TraceWindow::Follow);
    follow_->start(kFollowIntervalMs);
    QSize size(900, 600);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
}

bool TraceWindow::Load() {
    text_->clear();
    offset_ = 0;
    std::string bytes;
    long long size = 0;
    if (!ReadFrom(path_, 0, bytes, &size)) {
        Trace("Client - Failed to open trace file '%s'", path_.c_str());
        ShowStatus(ToQString(FormatWithInsert(GetText(kTextCannotRead), path_)));
        return false;
    }
    Follow();
    text_->moveCursor(QTextCursor::End);
    return true;
}

void TraceWindow::Follow() {
    std::string bytes;
    long long size = 0;
    if (!ReadFrom(path_, offset_, bytes, &size))
        return;
    if (size < offset_) {
        // Emptied by its size check: what is shown no longer matches the file.
        text_->clear();
        offset_ = 0;
        if (!ReadFrom(path_, 0, bytes, &size))
            return;
    }
    // Only whole lines: the writer may be in the middle of one (and of a character).
    const size_t end = bytes.rfind('\n');
    if (end == std::string::npos)
        return;
    bytes.resize(end);
    offset_ += static_cast<long long>(end) + 1;
    QScrollBar* bar = text_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const int position = bar->value();
    text_->appendPlainText(ToQString(bytes));
    bar->setValue(atEnd ? bar->maximum() : position);
}

void TraceWindow::OpenFindBar() {
    findEdit_->setFocus(Qt::ShortcutFocusReason);
    findEdit_->selectAll();
}

bool TraceWindow::FindNext(bool backwards) {
    const QString what = findEdit_->text();
    if (what.isEmpty()) {
        OpenFindBar();
        return false;
    }
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (text_->find(what, flags)) {
        ShowStatus({});
        return true;
    }
    // Once more from the other end of the file.
    const QTextCursor keep = text_->textCursor();
    text_->moveCursor(backwards ? QTextCursor::End : QTextCursor::Start);
    if (text_->find(what, flags)) {
        ShowStatus({});
        return true;
    }
    text_->setTextCursor(keep);
    ShowStatus(ToQString(GetText(kTextNotFound)));
    return false;
}

void TraceWindow::ShowStatus(const QString& text) {
    findStatus_->setText(text);
}

}  // namespace orx
