#include "settings/settings_page.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QWidget>

#include "settings/settings_sheet.h"

namespace orx {

namespace {

// The rule beside a heading, grey on light and dark palettes alike.
const QColor kHeadingRule(0xA0, 0xA0, 0xA0);
constexpr int kRuleGap = 5;

// Enter typed anywhere in a page is the sheet's OK, as in one dialog; a page of
// its own would swallow it, having no default button.
class EnterIsOk : public QObject {
  public:
    explicit EnterIsOk(CSettingsSheet& sheet) : sheet_(sheet) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier))
            return false;
        auto* ok = qobject_cast<QPushButton*>(sheet_.GetItem(kIdOk));
        if (ok != nullptr && ok->isEnabled())
            ok->click();
        return true;
    }

  private:
    CSettingsSheet& sheet_;
};

}  // namespace

CSettingsPage::CSettingsPage(int templateId, CSettingsSheet& sheet)
    : Dlg(templateId, sheet.Window()), sheet_(sheet) {}

CSettingsPage::~CSettingsPage() = default;

void CSettingsPage::SetModified(bool flag) {
    sheet_.SetModified(flag);
}

void CSettingsPage::DrawHeading(QPainter& painter, QWidget* control) {
    auto* label = qobject_cast<QLabel*>(control);
    if (label == nullptr)
        return;
    const QString text = label->text();
    const QRect rect = label->geometry();
    if (label->isVisible())
        label->hide();
    painter.save();
    painter.setFont(font_);
    painter.setPen(Window()->palette().color(QPalette::WindowText));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    const QFontMetrics metrics(font_);
    const int start = rect.left() + metrics.horizontalAdvance(text) + kRuleGap;
    const int y = rect.bottom() - metrics.height() / 2;
    if (start < rect.right()) {
        painter.setPen(QPen(kHeadingRule, 1));
        painter.drawLine(start, y, rect.right(), y);
    }
    painter.restore();
}

void CSettingsPage::SetTexts() {}

bool CSettingsPage::IsModified() {
    return false;
}

void CSettingsPage::Load() {}

void CSettingsPage::UpdateControls() {}

void CSettingsPage::Save() {}

void CSettingsPage::OnChange() {
    if (IsModified())
        SetModified(true);
}

void CSettingsPage::SetCheck(int controlId, bool flag) {
    SetChecked(controlId, flag);
}

void CSettingsPage::Enable(int controlId, bool flag) {
    if (QWidget* control = GetItem(controlId))
        control->setEnabled(flag);
}

bool CSettingsPage::OnStart() {
    created_ = true;
    font_ = Window()->font();
    // Drawn by the page from now on; hidden before anyone sees the placeholders.
    for (int id : Headings()) {
        if (QWidget* heading = GetItem(id))
            heading->hide();
    }
    return true;
}

bool CSettingsPage::OnSetActive() {
    SetTexts();
    return true;
}

bool CSettingsPage::OnApply() {
    if (IsModified())
        sheet_.ApplyAll();
    Load();
    return true;
}

bool CSettingsPage::OnInitDialog() {
    keys_ = std::make_unique<EnterIsOk>(sheet_);
    if (Window() != nullptr)
        Window()->installEventFilter(keys_.get());
    return true;
}

void CSettingsPage::OnOK() {
    sheet_.OnCommand(kIdOk, kNotifyClicked);
}

void CSettingsPage::OnCancel() {
    sheet_.OnCommand(kIdCancel, kNotifyClicked);
}

bool CSettingsPage::OnCommand(int commandId, int extra) {
    if (commandId == kIdOk || commandId == kIdCancel)
        return Dlg::OnCommand(commandId, extra);
    OnChange();
    return true;
}

void CSettingsPage::OnPaint(QPainter& painter) {
    if (!created_)
        return;
    for (int id : Headings()) {
        if (QWidget* heading = GetItem(id))
            DrawHeading(painter, heading);
    }
}

std::vector<QWidget*> CSettingsPage::FocusChain() const {
    std::vector<QWidget*> chain;
    if (Window() == nullptr)
        return chain;
    for (QObject* child : Window()->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control != nullptr && (control->focusPolicy() & Qt::TabFocus) && !control->isHidden())
            chain.push_back(control);
    }
    return chain;
}

TokenApplication& CSettingsPage::App() const {
    return sheet_.App();
}

bool CSettingsPage::MayChangeMachineSettings() const {
    return sheet_.MayChangeMachineSettings();
}

}  // namespace orx
