#include "app/status_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>

#include "core/language.h"
#include "ui/dialog_templates.h"
#include "ui/icons.h"
#include "ui/item_registry.h"
#include "ui/window_lookup.h"

namespace orx {

namespace {

bool BuildStatusWindow(QWidget* dialog) {
    auto* layout = new QHBoxLayout(dialog);
    layout->setContentsMargins(18, 14, 24, 14);
    layout->setSpacing(14);
    auto* icon = new QLabel(dialog);
    icon->setFixedSize(kLargeIconSize, kLargeIconSize);
    RegisterItem(icon, kIdStatusIcon);
    layout->addWidget(icon);
    auto* text = new QLabel(QStringLiteral("Text"), dialog);
    text->setMinimumWidth(text->fontMetrics().averageCharWidth() * 30);
    RegisterItem(text, kIdStatusText);
    layout->addWidget(text, 1);
    return true;
}

const bool registered = RegisterDialogTemplate(kTemplateStatusWindow, BuildStatusWindow);

}  // namespace

StatusWindow::StatusWindow(int textId) : Dlg(kTemplateStatusWindow), textId_(textId) {
    (void)registered;
}

StatusWindow::~StatusWindow() = default;

bool StatusWindow::OnInitDialog() {
    Dlg::OnInitDialog();
    SetTitle(1008);  // "Information"
    SetItemTextById(kIdStatusText, textId_);
    if (auto* icon = qobject_cast<QLabel*>(GetItem(kIdStatusIcon)))
        icon->setPixmap(
            IconPixmap(LoadMessageIcon(MessageIconKind::Information), kLargeIconSize, icon));
    if (Window() != nullptr) {
        Window()->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        Window()->adjustSize();
    }
    return true;
}

bool StatusWindow::Show() {
    if (!Create())
        return false;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return true;
}

void StatusWindow::WatchTitle(int titleId) {
    title_ = GetTitleText(titleId);
    if (!IsOpen())
        return;
    SetTimer(kStatusTimer, kStatusIntervalMs);
    CloseWhenFound();
}

void StatusWindow::OnTimer(int timerId) {
    if (timerId == kStatusTimer)
        CloseWhenFound();
}

// Nothing closes this window but the program and the title it waits for.
void StatusWindow::OnCancel() {}

bool StatusWindow::CloseWhenFound() {
    if (title_.empty() || !FindTopLevelWindow(title_))
        return false;
    Destroy();
    return true;
}

void StatusWindow::Destroy() {
    KillTimer(kStatusTimer);
    if (Window() != nullptr)
        Window()->hide();
}

bool StatusWindow::IsOpen() const {
    return Window() != nullptr && Window()->isVisible();
}

}  // namespace orx
