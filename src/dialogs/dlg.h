// The program's own dialog layer. A Dlg object drives one dialog window made from
// a dialog template by number; the window routes what happens to it (commands,
// painting, mouse, timers, closing) to the object's virtual operations, which a
// dialog class overrides. Results are the dialog's end codes: 1 OK, 2 Cancel,
// 6 Yes, 7 No; -1 when the dialog could not be made.
#pragma once

#include <QBrush>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QPainter;

namespace orx {

class DlgWindow;
class TimerSet;

// Command ids of the standard buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr int kIdHelp = 9;

// The `extra` of OnCommand: what happened to the control.
inline constexpr int kNotifyClicked = 0;         // buttons, check boxes, radio buttons
inline constexpr int kNotifySelChange = 1;       // combo box selection
inline constexpr int kNotifyEditChange = 0x300;  // edit text typed
// OnNotify codes.
inline constexpr int kNotifyDoubleClick = -3;
inline constexpr int kNotifyRightClick = -5;
inline constexpr int kNotifyItemChanged = -101;  // list selection
inline constexpr int kNotifyTabChanging = -552;
inline constexpr int kNotifyTabChanged = -551;

// OnCtlColor kinds.
enum CtlColorKind {
    kCtlColorMsgBox = 0,
    kCtlColorEdit = 1,
    kCtlColorListBox = 2,
    kCtlColorButton = 3,
    kCtlColorDialog = 4,
    kCtlColorScrollBar = 5,
    kCtlColorStatic = 6,
};

class Dlg {
  public:
    explicit Dlg(int templateId, QWidget* parent = nullptr);
    virtual ~Dlg();
    Dlg(const Dlg&) = delete;
    Dlg& operator=(const Dlg&) = delete;

    // The window operations, in the order the layer defines them.
    virtual void Attach(QWidget* window);
    // 1 -> OnOK, 2 -> OnCancel, 6 -> OnYes, 7 -> OnNo, 9 -> OnHelp; true when handled.
    virtual bool OnCommand(int commandId, int extra);
    // Brings the window to the top; false (traced) when there is no window.
    virtual bool OnInitDialog();
    virtual void OnClose();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnYes();
    virtual void OnNo();
    virtual void OnHelp();
    virtual void OnPaint(QPainter& painter);
    virtual void OnTimer(int timerId);
    virtual void OnActivate(bool active);
    virtual int OnNotify(int controlId, int code);
    virtual void OnSize(int width, int height);
    // A brush for the background of `control` (nullptr: the default one).
    virtual const QBrush* OnCtlColor(QWidget* control, int kind);
    // True when it set the cursor itself.
    virtual bool OnSetCursor();
    virtual void OnMouseMove(const QPoint& point);
    virtual int OnMouseLeave();
    virtual void OnMouseHover(const QPoint& point);
    virtual void OnLButtonDown(const QPoint& point);
    virtual void OnLButtonUp(const QPoint& point);
    // The first application message (PostApp), for worker threads to report back.
    virtual void OnApp(int code, intptr_t value);
    // Runs the dialog modally; its end code, or -1 when it could not be made.
    virtual int DoModal();
    // Makes the dialog modeless (traced "Dlg - Failed to create window" on failure).
    virtual bool Create();
    virtual void EndDialog(int result);
    // Title: the localised string, " - ", the product name; then SetIcons.
    virtual void SetTitle(int stringId);
    virtual void SetIcons();
    virtual void SetTimer(int timerId, int intervalMs);
    virtual void KillTimer(int timerId);
    virtual void BeginWaitCursor();
    virtual void EndWaitCursor();
    virtual QWidget* GetItem(int controlId) const;
    virtual bool SetItemText(int controlId, std::string_view text);
    virtual bool SetItemTextById(int controlId, int stringId);
    virtual std::string GetItemText(int controlId) const;
    virtual QPoint ScreenToClient(const QPoint& point) const;
    virtual QRect ScreenToClient(const QRect& rect) const;
    virtual void SetPasswordStyle(int controlId);
    virtual bool IsChecked(int controlId) const;
    virtual void SetChecked(int controlId, bool checked);
    virtual void ShowItem(int controlId, bool show);
    virtual bool IsClosed() const;

    // Safe from any thread: OnApp(code, value) runs later on the GUI thread.
    void PostApp(int code, intptr_t value);

    int TemplateId() const { return templateId_; }
    QWidget* Parent() const { return parent_.data(); }
    QWidget* Window() const { return window_; }

  private:
    friend class DlgWindow;
    bool MakeWindow(bool modal);
    void DestroyWindow();
    void Route(QWidget* window);
    void ApplyControlColors();

    int templateId_;
    QPointer<QWidget> parent_;
    QWidget* window_ = nullptr;
    std::unique_ptr<DlgWindow> owned_;
    // Null once the window is gone, also when its parent took it along.
    QPointer<QWidget> alive_;
    std::unique_ptr<TimerSet> timers_;
    bool closed_ = false;
    int waitCursorDepth_ = 0;
    std::optional<int> endedBeforeShow_;
};

}  // namespace orx
