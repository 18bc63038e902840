#include "settings/settings_sheet.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QWindow>
#include <algorithm>
#include <array>

#include "core/language.h"
#include "core/trace.h"
#include "settings/settings_ids.h"
#include "settings/settings_page.h"
#include "token/token_application.h"
#include "ui/native_window.h"
#include "ui/qt_text.h"
#include "ui/window_lookup.h"

namespace orx {

bool SettingsTemplatesRegistered();

namespace {

constexpr std::array<int, 3> kTabTexts = {kTextTabView, kTextTabSmartCard, kTextTabComponents};

}  // namespace

CSettingsSheet::CSettingsSheet(TokenApplication& app, QWidget* parent,
                               bool mayChangeMachineSettings)
    : Dlg(kTemplateSettingsSheet, parent),
      app_(app),
      mayChangeMachineSettings_(mayChangeMachineSettings) {
    (void)SettingsTemplatesRegistered();
}

CSettingsSheet::~CSettingsSheet() {
    registration_.reset();
    // The pages' windows live inside the sheet's window; they go first.
    pages_.clear();
}

void CSettingsSheet::AddPage(std::unique_ptr<CSettingsPage> page) {
    pages_.push_back(std::move(page));
}

CSettingsPage* CSettingsSheet::Page(int index) const {
    return index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)].get() : nullptr;
}

void CSettingsSheet::SetTexts() {
    SetTitle(kTextSettings);
    SetItemTextById(kIdOk, kTextOkButton);
    SetItemTextById(kIdCancel, kTextCancelButton);
    SetItemTextById(kIdApply, kTextApplyButton);
    if (auto* tabs = qobject_cast<QTabWidget*>(GetItem(kIdSheetTabs))) {
        for (int i = 0; i < tabs->count() && i < static_cast<int>(kTabTexts.size()); ++i)
            tabs->setTabText(i, ToQString(GetText(kTabTexts[static_cast<size_t>(i)])));
    }
    // Pages not shown yet speak the language too, so that the sheet has room for
    // their texts before they show and does not grow under the user's hands.
    for (auto& page : pages_) {
        if (page->Window() != nullptr)
            page->SetTexts();
    }
    FitContents();
}

void CSettingsSheet::FitContents() {
    // Another language, or a page filled at its start, may need more room: the
    // sheet grows rather than cut a text. The pages' layouts would only learn of
    // their new contents later, from the event loop: they are brought up to date
    // first.
    QWidget* window = Window();
    if (window == nullptr)
        return;
    for (auto& page : pages_) {
        if (QWidget* pageWindow = page->Window(); pageWindow && pageWindow->layout())
            pageWindow->layout()->activate();
    }
    if (QLayout* layout = window->layout())
        layout->activate();
    window->resize(window->size().expandedTo(window->sizeHint()));
}

void CSettingsSheet::SetModified(bool flag) {
    if (QWidget* apply = GetItem(kIdApply))
        apply->setEnabled(flag);
    if (flag)
        changed_ = true;
}

void CSettingsSheet::ApplyAll() {
    Trace("Settings - ApplyAll ...");
    for (auto& page : pages_)
        page->Save();
    app_.InvokeWithParent(NativeWindowId(Window()), "ApplyConfig");
    for (auto& page : pages_)
        page->Load();
    Trace("Settings - ApplyAll ... done");
}

bool CSettingsSheet::OnInitDialog() {
    Dlg::OnInitDialog();
    auto* tabs = qobject_cast<QTabWidget*>(GetItem(kIdSheetTabs));
    if (tabs == nullptr || pages_.empty()) {
        EndDialog(-1);
        return false;
    }
    for (auto& page : pages_) {
        if (!page->Create()) {
            Trace("Settings - Failed to create page %d", page->TemplateId());
            EndDialog(-1);
            return false;
        }
        QWidget* window = page->Window();
        window->setParent(tabs, Qt::Widget);
        tabs->addTab(window, QString());
    }
    SetModified(false);
    changed_ = false;
    ready_ = true;
    SetTexts();
    Activate(0);
    if (QWidget* window = Window())
        window->adjustSize();
    StandOverOwner();
    // Found by its title, also by a second start of the program.
    registration_ = std::make_unique<TitledWindowRegistration>(Window());
    return true;
}

void CSettingsSheet::StandOverOwner() {
    QWidget* window = Window();
    if (!owner_ || window == nullptr)
        return;
    // Only X11 lets a window be tied to one of another process.
    if (owner_->nativeId != 0 && QGuiApplication::platformName() == QLatin1String("xcb")) {
        foreignOwner_.reset(QWindow::fromWinId(static_cast<WId>(owner_->nativeId)));
        window->winId();
        if (foreignOwner_ != nullptr && window->windowHandle() != nullptr)
            window->windowHandle()->setTransientParent(foreignOwner_.get());
    }
    const QRect owner(owner_->x, owner_->y, owner_->width, owner_->height);
    const QSize size = window->frameGeometry().size();
    QPoint at = owner.center() - QPoint(size.width() / 2, size.height() / 2);
    if (const QScreen* screen = QGuiApplication::screenAt(owner.center())) {
        const QRect room = screen->availableGeometry();
        at.setX(
            std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - size.width())));
        at.setY(
            std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - size.height())));
    }
    window->move(at);
}

void CSettingsSheet::Activate(int index) {
    CSettingsPage* page = Page(index);
    if (page == nullptr)
        return;
    active_ = index;
    if (!page->IsCreated())
        page->OnStart();
    page->OnSetActive();
    FitContents();
    SetTabOrder();
}

void CSettingsSheet::SetTabOrder() {
    auto* tabs = qobject_cast<QTabWidget*>(GetItem(kIdSheetTabs));
    CSettingsPage* page = Page(active_);
    if (tabs == nullptr || page == nullptr)
        return;
    std::vector<QWidget*> chain = {tabs->tabBar()};
    const std::vector<QWidget*> controls = page->FocusChain();
    chain.insert(chain.end(), controls.begin(), controls.end());
    for (int id : {kIdOk, kIdCancel, kIdApply}) {
        if (QWidget* button = GetItem(id))
            chain.push_back(button);
    }
    for (size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    // The focus stays where the user put it, unless that went with the last page.
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || !focus->isVisible() || focus->window() != Window()) {
        QWidget* first = nullptr;
        for (QWidget* control : controls) {
            if (control->isEnabled()) {
                first = control;
                break;
            }
        }
        (first != nullptr ? first : tabs->tabBar())->setFocus(Qt::TabFocusReason);
    }
}

void CSettingsSheet::Apply() {
    for (auto& page : pages_) {
        if (page->IsCreated())
            page->OnApply();
    }
}

bool CSettingsSheet::OnCommand(int commandId, int extra) {
    switch (commandId) {
        case kIdOk:
            Trace("Settings - OK");
            Apply();
            EndDialog(kIdOk);
            return true;
        case kIdCancel:
            Trace("Settings - Cancel");
            EndDialog(kIdCancel);
            return true;
        case kIdApply:
            Trace("Settings - Apply");
            Apply();
            SetModified(false);
            return true;
        default:
            return Dlg::OnCommand(commandId, extra);
    }
}

int CSettingsSheet::OnNotify(int controlId, int code) {
    if (controlId == kIdSheetTabs && code == kNotifyTabChanged && ready_) {
        if (auto* tabs = qobject_cast<QTabWidget*>(GetItem(kIdSheetTabs)))
            Activate(tabs->currentIndex());
    }
    return Dlg::OnNotify(controlId, code);
}

}  // namespace orx
