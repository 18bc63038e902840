#include "dialogs/message_dialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "core/config_file.h"
#include "core/language.h"
#include "dialogs/account_seam.h"
#include "dialogs/link_opener.h"
#include "dialogs/message_dialog_template.h"
#include "dialogs/message_style.h"
#include "ui/dialog_templates.h"
#include "ui/icons.h"
#include "ui/qt_text.h"
#include "ui/system_colors.h"

namespace orx {

namespace {

const bool kTemplateRegistered =
    RegisterDialogTemplate(kTemplateMessage, &BuildMessageDialogTemplate);

constexpr int kMargin = 15;
constexpr int kIconSize = 32;
constexpr int kMinTextWidth = 200;
constexpr int kButtonGap = 8;
constexpr int kMinButtonWidth = 88;
constexpr int kMinButtonHeight = 26;

}  // namespace

MessageIconKind MessageIconKindFor(int style) {
    switch (MessageIcon(style)) {
        case kMbIconExclamation:
            return MessageIconKind::Warning;
        case kMbIconQuestion:
            return MessageIconKind::Question;
        case kMbIconStop:
            return MessageIconKind::Error;
        default:
            return MessageIconKind::Information;
    }
}

MessageDialog::MessageDialog(QWidget* owner, std::string_view caption, std::string_view text,
                             int style)
    : Dlg(kTemplateMessage, owner) {
    (void)kTemplateRegistered;
    Init(caption, text, style);
}

MessageDialog::~MessageDialog() = default;

void MessageDialog::Init(std::string_view caption, std::string_view text, int style) {
    caption_ = std::string(caption);
    textUtf8_.clear();
    for (char c : text) {
        if (c != '\r')
            textUtf8_.push_back(c);
    }
    text_ = ToQString(textUtf8_);
    style_ = style;
    link_ = ExtractLink(textUtf8_);
    hover_ = false;
}

bool MessageDialog::IsUrlChar(char32_t ch) {
    return orx::IsUrlChar(ch);
}

bool MessageDialog::OnInitDialog() {
    const bool ok = Dlg::OnInitDialog();
    QWidget* window = Window();
    if (window == nullptr)
        return ok;
    window->setWindowTitle(ToQString(caption_));
    font_ = window->font();
    if (QWidget* area = GetItem(kMessageTextItem)) {
        textArea_ = area->geometry();
        area->hide();
    }
    const bool question = IsQuestionStyle(style_);
    ShowItem(kIdOk, !question);
    ShowItem(kIdYes, question);
    ShowItem(kIdNo, question);
    if (question) {
        SetItemTextById(kIdYes, 1107);
        SetItemTextById(kIdNo, 1108);
    } else {
        SetItemTextById(kIdOk, 1100);
    }
    if (auto* first = qobject_cast<QPushButton*>(GetItem(question ? kIdYes : kIdOk))) {
        first->setDefault(true);
        first->setFocus();
    }
    Layout();
    return ok;
}

void MessageDialog::WrapText(int width) {
    const QFontMetrics metrics(font_);
    lines_ = WrapMessageText(text_, width,
                             [&metrics](const QString& s) { return metrics.horizontalAdvance(s); });
}

void MessageDialog::Layout() {
    QWidget* window = Window();
    if (window == nullptr)
        return;
    const QFontMetrics metrics(font_);
    lineHeight_ = metrics.lineSpacing();
    const int areaWidth = textArea_.width() > 0 ? textArea_.width() : 300;
    WrapText(areaWidth);

    int widest = 0;
    for (const WrappedLine& line : lines_) {
        widest = std::max(widest, metrics.horizontalAdvance(line.text));
    }
    const int textWidth = std::max(kMinTextWidth, widest);
    const int textHeight = lineHeight_ * std::max<int>(1, static_cast<int>(lines_.size()));
    const int left = kMargin + kIconSize + kMargin;
    // A short text stands beside the middle of the icon.
    const int top = textHeight < kIconSize ? kMargin + (kIconSize - textHeight) / 2 : kMargin;
    textArea_ = QRect(left, top, textWidth, textHeight);

    std::vector<QPushButton*> buttons;
    for (int id : {kIdOk, kIdYes, kIdNo}) {
        auto* button = qobject_cast<QPushButton*>(GetItem(id));
        if (button != nullptr && !button->isHidden())
            buttons.push_back(button);
    }
    int buttonHeight = kMinButtonHeight;
    int buttonsWidth = 0;
    std::vector<int> widths;
    for (QPushButton* button : buttons) {
        const QSize hint = button->sizeHint();
        widths.push_back(std::max(kMinButtonWidth, hint.width()));
        buttonHeight = std::max(buttonHeight, hint.height());
        buttonsWidth += widths.back();
    }
    if (!buttons.empty())
        buttonsWidth += kButtonGap * static_cast<int>(buttons.size() - 1);

    const int contentBottom = std::max(kMargin + kIconSize, textArea_.bottom() + 1);
    const int buttonTop = contentBottom + kMargin;
    const int width = std::max(textArea_.right() + 1 + kMargin, buttonsWidth + 2 * kMargin);
    const int height = buttonTop + buttonHeight + 12;
    int x = (width - buttonsWidth) / 2;
    for (size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setGeometry(x, buttonTop, widths[i], buttonHeight);
        x += widths[i] + kButtonGap;
    }
    window->setFixedSize(width, height);
    SetLinkRect();
}

void MessageDialog::SetLinkRect() {
    linkRects_.clear();
    if (link_.empty())
        return;
    const qsizetype linkStart = text_.indexOf(ToQString(link_));
    if (linkStart < 0)
        return;
    const int linkEnd = static_cast<int>(linkStart + ToQString(link_).size());
    const QFontMetrics metrics(font_);
    for (size_t i = 0; i < lines_.size(); ++i) {
        const WrappedLine& line = lines_[i];
        const int lineEnd = line.start + static_cast<int>(line.text.size());
        const int from = std::max(static_cast<int>(linkStart), line.start);
        const int to = std::min(linkEnd, lineEnd);
        if (from >= to)
            continue;
        const QString before = line.text.left(from - line.start);
        const QString part = line.text.mid(from - line.start, to - from);
        linkRects_.emplace_back(textArea_.left() + metrics.horizontalAdvance(before),
                                textArea_.top() + static_cast<int>(i) * lineHeight_,
                                metrics.horizontalAdvance(part), lineHeight_);
    }
}

QRect MessageDialog::IconRect() const {
    return QRect(kMargin, kMargin, kIconSize, kIconSize);
}

bool MessageDialog::HitTestLink(const QPoint& point) const {
    return std::any_of(linkRects_.begin(), linkRects_.end(),
                       [&point](const QRect& r) { return r.contains(point); });
}

void MessageDialog::OnPaint(QPainter& painter) {
    QWidget* window = Window();
    if (window == nullptr)
        return;
    // Painted at the window's own scale, so that it stays sharp at 200 %.
    LoadMessageIcon(MessageIconKindFor(style_)).paint(&painter, IconRect());

    painter.setFont(font_);
    const QFontMetrics metrics(font_);
    const QColor textColor = window->palette().color(QPalette::WindowText);
    const QColor linkColor = GetLinkColor();
    const qsizetype linkStart = link_.empty() ? -1 : text_.indexOf(ToQString(link_));
    const int linkEnd = linkStart < 0 ? -1 : static_cast<int>(linkStart + ToQString(link_).size());
    for (size_t i = 0; i < lines_.size(); ++i) {
        const WrappedLine& line = lines_[i];
        const int baseline = textArea_.top() + static_cast<int>(i) * lineHeight_ + metrics.ascent();
        const int lineEnd = line.start + static_cast<int>(line.text.size());
        const int from =
            linkStart < 0 ? lineEnd : std::clamp(static_cast<int>(linkStart), line.start, lineEnd);
        const int to = linkStart < 0 ? lineEnd : std::clamp(linkEnd, line.start, lineEnd);
        int x = textArea_.left();
        auto draw = [&](const QString& piece, const QColor& color, bool underline) {
            if (piece.isEmpty())
                return;
            QFont font = font_;
            font.setUnderline(underline);
            painter.setFont(font);
            painter.setPen(color);
            painter.drawText(QPoint(x, baseline), piece);
            x += metrics.horizontalAdvance(piece);
        };
        draw(line.text.left(from - line.start), textColor, false);
        draw(line.text.mid(from - line.start, to - from), linkColor, hover_);
        draw(line.text.mid(to - line.start), textColor, false);
    }
}

bool MessageDialog::OnSetCursor() {
    if (!hover_ || Window() == nullptr)
        return false;
    Window()->setCursor(Qt::PointingHandCursor);
    return true;
}

void MessageDialog::OnMouseMove(const QPoint& point) {
    const bool inside = HitTestLink(point);
    if (inside != hover_) {
        hover_ = inside;
        if (Window() != nullptr)
            Window()->update();
    }
}

int MessageDialog::OnMouseLeave() {
    if (hover_) {
        hover_ = false;
        if (Window() != nullptr)
            Window()->update();
    }
    return 0;
}

void MessageDialog::OnLButtonDown(const QPoint& /*point*/) {
    if (hover_)
        OpenLink();
}

void MessageDialog::OpenLink() {
    if (link_.empty() || RunsUnderSystemAccount())
        return;
    std::string language;
    if (ConfigReadString("Language", "Current", language, kLanguageCapacity) != kConfigOk) {
        language.clear();
    }
    OpenUrl(BuildHelpUrl(link_, language, ExtractMessageCode(textUtf8_)));
}

}  // namespace orx
