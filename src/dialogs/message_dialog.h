// The program's message box (template 268): an icon, the text wrapped by its
// measured width, and one clickable link to a help page for the message.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/dlg.h"
#include "dialogs/message_text.h"
#include "ui/icons.h"

namespace orx {

inline constexpr int kTemplateMessage = 268;
inline constexpr int kMessageTextItem = 317;  // its size gives the text area

// The icon a message of that style shows: exclamation -> warning, question,
// stop -> error, anything else -> information.
MessageIconKind MessageIconKindFor(int style);

class MessageDialog : public Dlg {
  public:
    MessageDialog(QWidget* owner, std::string_view caption, std::string_view text, int style);
    ~MessageDialog() override;

    bool OnInitDialog() override;
    void OnPaint(QPainter& painter) override;
    bool OnSetCursor() override;
    void OnMouseMove(const QPoint& point) override;
    int OnMouseLeave() override;
    void OnLButtonDown(const QPoint& point) override;

    virtual void Init(std::string_view caption, std::string_view text, int style);
    virtual void Layout();
    virtual void SetLinkRect();
    virtual bool HitTestLink(const QPoint& point) const;
    static bool IsUrlChar(char32_t ch);
    virtual void WrapText(int width);

    // What the layout made of it, for the window's owner and for tests.
    const std::string& Link() const { return link_; }
    const std::vector<WrappedLine>& Lines() const { return lines_; }
    QRect TextArea() const { return textArea_; }
    QRect IconRect() const;
    const std::vector<QRect>& LinkRects() const { return linkRects_; }
    bool IsHovering() const { return hover_; }
    int LineHeight() const { return lineHeight_; }
    const QFont& TextFont() const { return font_; }

  private:
    void OpenLink();

    std::string caption_;
    QString text_;
    std::string textUtf8_;
    int style_ = 0;
    std::string link_;
    bool hover_ = false;
    QFont font_;
    std::vector<WrappedLine> lines_;
    int lineHeight_ = 0;
    QRect textArea_;
    std::vector<QRect> linkRects_;  // one per line the link runs over
};

}  // namespace orx
