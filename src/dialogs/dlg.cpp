#include "dialogs/dlg.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include "core/language.h"
#include "core/trace.h"
#include "dialogs/window_registry.h"
#include "ui/dialog_templates.h"
#include "ui/icons.h"
#include "ui/item_registry.h"
#include "ui/qt_text.h"
#include "ui/timer_set.h"
#include "ui/wait_cursor.h"

namespace orx {

namespace {

const QEvent::Type kAppEventType = static_cast<QEvent::Type>(QEvent::User + 1);

class AppEvent : public QEvent {
  public:
    AppEvent(int code, intptr_t value) : QEvent(kAppEventType), code(code), value(value) {}
    int code;
    intptr_t value;
};

QList<QWidget*> RegisteredItems(QWidget* window) {
    QList<QWidget*> items;
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (ItemId(child) != kNoItemId)
            items.push_back(child);
    }
    return items;
}

int ColorKind(QWidget* control) {
    if (qobject_cast<QLineEdit*>(control) || qobject_cast<QTextEdit*>(control) ||
        qobject_cast<QPlainTextEdit*>(control)) {
        return kCtlColorEdit;
    }
    if (qobject_cast<QAbstractItemView*>(control) || qobject_cast<QComboBox*>(control)) {
        return kCtlColorListBox;
    }
    if (qobject_cast<QAbstractButton*>(control))
        return kCtlColorButton;
    if (qobject_cast<QScrollBar*>(control))
        return kCtlColorScrollBar;
    return kCtlColorStatic;
}

}  // namespace

// The dialog procedure: every event of interest goes to the Dlg registered for
// the window; a window that is not (or no longer) registered behaves as a plain
// dialog.
class DlgWindow : public QDialog {
  public:
    explicit DlgWindow(QWidget* parent) : QDialog(parent) { setMouseTracking(true); }

  protected:
    bool event(QEvent* e) override {
        if (e->type() == kAppEventType) {
            if (Dlg* dlg = FindDlg(this)) {
                const auto* app = static_cast<AppEvent*>(e);
                dlg->OnApp(app->code, app->value);
            }
            return true;
        }
        if (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate) {
            if (Dlg* dlg = FindDlg(this))
                dlg->OnActivate(e->type() == QEvent::WindowActivate);
        }
        return QDialog::event(e);
    }

    void paintEvent(QPaintEvent* e) override {
        QDialog::paintEvent(e);
        if (Dlg* dlg = FindDlg(this)) {
            QPainter painter(this);
            dlg->OnPaint(painter);
        }
    }

    void resizeEvent(QResizeEvent* e) override {
        QDialog::resizeEvent(e);
        if (Dlg* dlg = FindDlg(this))
            dlg->OnSize(width(), height());
    }

    void mouseMoveEvent(QMouseEvent* e) override {
        Dlg* dlg = FindDlg(this);
        if (dlg == nullptr) {
            QDialog::mouseMoveEvent(e);
            return;
        }
        dlg->OnMouseMove(e->position().toPoint());
        if (!dlg->OnSetCursor())
            unsetCursor();
    }

    void mousePressEvent(QMouseEvent* e) override {
        Dlg* dlg = FindDlg(this);
        if (dlg != nullptr && e->button() == Qt::LeftButton) {
            dlg->OnLButtonDown(e->position().toPoint());
            return;
        }
        QDialog::mousePressEvent(e);
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        Dlg* dlg = FindDlg(this);
        if (dlg != nullptr && e->button() == Qt::LeftButton) {
            dlg->OnLButtonUp(e->position().toPoint());
            return;
        }
        QDialog::mouseReleaseEvent(e);
    }

    void enterEvent(QEnterEvent* e) override {
        QDialog::enterEvent(e);
        if (Dlg* dlg = FindDlg(this))
            dlg->OnMouseHover(e->position().toPoint());
    }

    void leaveEvent(QEvent* e) override {
        QDialog::leaveEvent(e);
        if (Dlg* dlg = FindDlg(this)) {
            dlg->OnMouseLeave();
            if (!dlg->OnSetCursor())
                unsetCursor();
        }
    }

    void closeEvent(QCloseEvent* e) override {
        Dlg* dlg = FindDlg(this);
        if (dlg == nullptr) {
            QDialog::closeEvent(e);
            return;
        }
        dlg->OnClose();
        if (dlg->IsClosed())
            UnregisterDlgWindow(this);
        // The handler decides: a dialog that did not end itself stays open.
        if (isVisible()) {
            e->ignore();
        } else {
            e->accept();
        }
    }

    // Escape and the window manager's cancel arrive as command 2, as from a button.
    void reject() override {
        Dlg* dlg = FindDlg(this);
        if (dlg == nullptr) {
            QDialog::reject();
            return;
        }
        dlg->OnCommand(kIdCancel, kNotifyClicked);
    }
};

Dlg::Dlg(int templateId, QWidget* parent) : templateId_(templateId & 0xFFFF), parent_(parent) {}

Dlg::~Dlg() {
    DestroyWindow();
    while (waitCursorDepth_ > 0) {
        --waitCursorDepth_;
        orx::EndWaitCursor();
    }
}

void Dlg::DestroyWindow() {
    if (timers_)
        timers_->KillAll();
    if (owned_) {
        UnregisterDlgWindow(owned_.get());
        if (alive_.isNull()) {
            (void)owned_.release();  // deleted with its parent already
        } else {
            owned_.reset();
        }
    }
    window_ = nullptr;
}

void Dlg::Attach(QWidget* window) {
    window_ = window;
}

bool Dlg::OnCommand(int commandId, int /*extra*/) {
    switch (commandId) {
        case kIdOk:
            OnOK();
            return true;
        case kIdCancel:
            OnCancel();
            return true;
        case kIdYes:
            OnYes();
            return true;
        case kIdNo:
            OnNo();
            return true;
        case kIdHelp:
            OnHelp();
            return true;
        default:
            return false;
    }
}

bool Dlg::OnInitDialog() {
    if (window_ == nullptr) {
        Trace("Dlg - Illegal window handle");
        return false;
    }
    window_->raise();
    window_->activateWindow();
    return true;
}

void Dlg::OnClose() {
    closed_ = true;
    OnCancel();
}

void Dlg::OnOK() {
    EndDialog(kIdOk);
}
void Dlg::OnCancel() {
    EndDialog(kIdCancel);
}
void Dlg::OnYes() {
    EndDialog(kIdYes);
}
void Dlg::OnNo() {
    EndDialog(kIdNo);
}
void Dlg::OnHelp() {}
void Dlg::OnPaint(QPainter& /*painter*/) {}
void Dlg::OnTimer(int /*timerId*/) {}
void Dlg::OnActivate(bool /*active*/) {}
int Dlg::OnNotify(int /*controlId*/, int /*code*/) {
    return 1;
}
void Dlg::OnSize(int /*width*/, int /*height*/) {}
const QBrush* Dlg::OnCtlColor(QWidget* /*control*/, int /*kind*/) {
    return nullptr;
}
bool Dlg::OnSetCursor() {
    return false;
}
void Dlg::OnMouseMove(const QPoint& /*point*/) {}
int Dlg::OnMouseLeave() {
    return 0;
}
void Dlg::OnMouseHover(const QPoint& /*point*/) {}
void Dlg::OnLButtonDown(const QPoint& /*point*/) {}
void Dlg::OnLButtonUp(const QPoint& /*point*/) {}
void Dlg::OnApp(int /*code*/, intptr_t /*value*/) {}

bool Dlg::MakeWindow(bool modal) {
    if (owned_) {
        if (!alive_.isNull())
            return false;  // one window per object at a time
        DestroyWindow();
    }
    auto window = std::make_unique<DlgWindow>(parent_.data());
    window->setModal(modal);
    // Templates are compiled in; there is no resource library to fall back on, so a
    // missing template is the end of it.
    if (!BuildDialogTemplate(templateId_, window.get()))
        return false;
    owned_ = std::move(window);
    alive_ = owned_.get();
    closed_ = false;
    // A window that goes with its parent leaves no stale entry behind.
    QWidget* raw = owned_.get();
    QObject::connect(raw, &QObject::destroyed, [this, raw]() {
        UnregisterDlgWindow(raw);
        if (window_ == raw)
            window_ = nullptr;
    });
    RegisterDlgWindow(owned_.get(), this);
    Attach(owned_.get());
    Route(owned_.get());
    ApplyControlColors();
    OnInitDialog();
    return true;
}

void Dlg::Route(QWidget* window) {
    // Notifications reach the object only while its window is registered.
    auto command = [this, window](int id, int extra) {
        if (FindDlg(window) == this)
            OnCommand(id, extra);
    };
    auto notify = [this, window](int id, int code) {
        if (FindDlg(window) == this)
            OnNotify(id, code);
    };
    for (QWidget* item : RegisteredItems(window)) {
        const int id = ItemId(item);
        if (auto* button = qobject_cast<QAbstractButton*>(item)) {
            QObject::connect(button, &QAbstractButton::clicked, window,
                             [command, id]() { command(id, kNotifyClicked); });
        } else if (auto* edit = qobject_cast<QLineEdit*>(item)) {
            QObject::connect(edit, &QLineEdit::textChanged, window,
                             [command, id]() { command(id, kNotifyEditChange); });
        } else if (auto* combo = qobject_cast<QComboBox*>(item)) {
            QObject::connect(combo, &QComboBox::activated, window,
                             [command, id]() { command(id, kNotifySelChange); });
        } else if (auto* tabs = qobject_cast<QTabWidget*>(item)) {
            QObject::connect(tabs, &QTabWidget::currentChanged, window,
                             [notify, id]() { notify(id, kNotifyTabChanged); });
        } else if (auto* tabBar = qobject_cast<QTabBar*>(item)) {
            QObject::connect(tabBar, &QTabBar::currentChanged, window,
                             [notify, id]() { notify(id, kNotifyTabChanged); });
        } else if (auto* view = qobject_cast<QAbstractItemView*>(item)) {
            if (QItemSelectionModel* selection = view->selectionModel()) {
                QObject::connect(selection, &QItemSelectionModel::selectionChanged, window,
                                 [notify, id]() { notify(id, kNotifyItemChanged); });
            }
            QObject::connect(view, &QAbstractItemView::doubleClicked, window,
                             [notify, id]() { notify(id, kNotifyDoubleClick); });
            view->setContextMenuPolicy(Qt::CustomContextMenu);
            QObject::connect(view, &QWidget::customContextMenuRequested, window,
                             [notify, id]() { notify(id, kNotifyRightClick); });
        }
    }
}

void Dlg::ApplyControlColors() {
    if (window_ == nullptr)
        return;
    auto apply = [](QWidget* widget, const QBrush* brush, bool base) {
        if (brush == nullptr)
            return;
        QPalette palette = widget->palette();
        palette.setBrush(QPalette::Window, *brush);
        if (base)
            palette.setBrush(QPalette::Base, *brush);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    };
    apply(window_, OnCtlColor(window_, kCtlColorDialog), false);
    for (QWidget* item : RegisteredItems(window_)) {
        const int kind = ColorKind(item);
        apply(item, OnCtlColor(item, kind), kind == kCtlColorEdit || kind == kCtlColorListBox);
    }
}

int Dlg::DoModal() {
    if (!MakeWindow(true))
        return -1;
    DlgWindow* window = owned_.get();
    // A dialog that ended itself while it was being made never shows.
    const int result = endedBeforeShow_ ? *endedBeforeShow_ : window->exec();
    endedBeforeShow_.reset();
    DestroyWindow();
    return result;
}

bool Dlg::Create() {
    if (!MakeWindow(false)) {
        Trace("Dlg - Failed to create window");
        return false;
    }
    owned_->show();
    return true;
}

void Dlg::EndDialog(int result) {
    if (alive_ && !owned_->isVisible() && owned_->isModal()) {
        endedBeforeShow_ = result;
    } else if (alive_) {
        owned_->done(result);
    } else if (auto* dialog = qobject_cast<QDialog*>(window_)) {
        dialog->done(result);
    } else if (window_ != nullptr) {
        window_->hide();
    }
}

void Dlg::SetTitle(int stringId) {
    if (window_ == nullptr)
        return;
    window_->setWindowTitle(ToQString(GetTitleText(stringId)));
    SetIcons();
}

void Dlg::SetIcons() {
    if (window_ != nullptr)
        window_->setWindowIcon(GetProductIcons());
}

void Dlg::SetTimer(int timerId, int intervalMs) {
    if (!timers_) {
        timers_ = std::make_unique<TimerSet>([this](int id) {
            if (window_ != nullptr && FindDlg(window_) == this)
                OnTimer(id);
        });
    }
    timers_->SetTimer(timerId, intervalMs);
}

void Dlg::KillTimer(int timerId) {
    if (timers_)
        timers_->KillTimer(timerId);
}

void Dlg::BeginWaitCursor() {
    ++waitCursorDepth_;
    orx::BeginWaitCursor();
}

void Dlg::EndWaitCursor() {
    if (waitCursorDepth_ == 0)
        return;
    --waitCursorDepth_;
    orx::EndWaitCursor();
}

QWidget* Dlg::GetItem(int controlId) const {
    return FindItem(window_, controlId);
}

bool Dlg::SetItemText(int controlId, std::string_view text) {
    QWidget* item = GetItem(controlId);
    const QString value = ToQString(text);
    if (auto* label = qobject_cast<QLabel*>(item)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(item)) {
        button->setText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(item)) {
        edit->setText(value);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(item)) {
        text->setPlainText(value);
    } else if (auto* rich = qobject_cast<QTextEdit*>(item)) {
        rich->setPlainText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(item)) {
        if (!combo->isEditable())
            return false;
        combo->setEditText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(item)) {
        group->setTitle(value);
    } else {
        return false;
    }
    return true;
}

bool Dlg::SetItemTextById(int controlId, int stringId) {
    return SetItemText(controlId, GetText(stringId));
}

std::string Dlg::GetItemText(int controlId) const {
    QWidget* item = GetItem(controlId);
    if (auto* label = qobject_cast<QLabel*>(item))
        return ToUtf8(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(item))
        return ToUtf8(button->text());
    if (auto* edit = qobject_cast<QLineEdit*>(item))
        return ToUtf8(edit->text());
    if (auto* text = qobject_cast<QPlainTextEdit*>(item))
        return ToUtf8(text->toPlainText());
    if (auto* rich = qobject_cast<QTextEdit*>(item))
        return ToUtf8(rich->toPlainText());
    if (auto* combo = qobject_cast<QComboBox*>(item))
        return ToUtf8(combo->currentText());
    if (auto* group = qobject_cast<QGroupBox*>(item))
        return ToUtf8(group->title());
    return {};
}

QPoint Dlg::ScreenToClient(const QPoint& point) const {
    return window_ != nullptr ? window_->mapFromGlobal(point) : point;
}

QRect Dlg::ScreenToClient(const QRect& rect) const {
    return QRect(ScreenToClient(rect.topLeft()), rect.size());
}

void Dlg::SetPasswordStyle(int controlId) {
    // The style's password character is the filled circle the program asks for.
    if (auto* edit = qobject_cast<QLineEdit*>(GetItem(controlId))) {
        edit->setEchoMode(QLineEdit::Password);
    }
}

bool Dlg::IsChecked(int controlId) const {
    auto* button = qobject_cast<QAbstractButton*>(GetItem(controlId));
    return button != nullptr && button->isChecked();
}

void Dlg::SetChecked(int controlId, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(GetItem(controlId))) {
        button->setChecked(checked);
    }
}

void Dlg::ShowItem(int controlId, bool show) {
    if (QWidget* item = GetItem(controlId))
        item->setVisible(show);
}

bool Dlg::IsClosed() const {
    return closed_;
}

void Dlg::PostApp(int code, intptr_t value) {
    if (window_ != nullptr)
        QCoreApplication::postEvent(window_, new AppEvent(code, value));
}

}  // namespace orx
