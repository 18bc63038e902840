// The base of the settings sheet's pages. A page keeps the values it loaded last,
// compares its controls with them to know whether it has changes, and reads and
// writes them through the token plug-in's configuration properties. Its window is
// made with the sheet; its start handler runs when it is first shown, so a page the
// user never opened neither loads nor saves anything.
#pragma once

#include <QFont>
#include <memory>
#include <vector>

#include "dialogs/dlg.h"

class QObject;
class QPainter;
class QWidget;

namespace orx {

class CSettingsSheet;
class TokenApplication;

class CSettingsPage : public Dlg {
  public:
    CSettingsPage(int templateId, CSettingsSheet& sheet);
    ~CSettingsPage() override;

    // The operations a page adds, in the order the sheet knows them.
    // Tells the sheet (its SetModified).
    virtual void SetModified(bool flag);
    // Draws a hidden heading control: its text, and a grey rule from just after the
    // text to the control's right edge.
    virtual void DrawHeading(QPainter& painter, QWidget* control);
    virtual void SetTexts();
    // Whether the controls differ from the values loaded last.
    virtual bool IsModified();
    virtual void Load();
    virtual void UpdateControls();
    virtual void Save();
    // Marks the page modified when it has changes; never clears the mark.
    virtual void OnChange();
    // Checked means exactly the checked state.
    virtual void SetCheck(int controlId, bool flag);
    // Nothing for a control the page does not have.
    virtual void Enable(int controlId, bool flag);

    // What the sheet does with a page: the start handler (first showing), the page
    // becoming the active one, and the apply notification of OK and Apply.
    virtual bool OnStart();
    virtual bool OnSetActive();
    virtual bool OnApply();
    bool IsCreated() const { return created_; }

    // The window is only made here (and Enter inside it given to the sheet); the page
    // starts when the sheet shows it.
    bool OnInitDialog() override;
    // Enter and Escape inside a page are the sheet's OK and Cancel.
    void OnOK() override;
    void OnCancel() override;
    // A check box or a combo changed: OnChange.
    bool OnCommand(int commandId, int extra) override;
    void OnPaint(QPainter& painter) override;
    // The page's controls that take the focus, in Tab order.
    std::vector<QWidget*> FocusChain() const;

  protected:
    // The heading controls this page draws now.
    virtual std::vector<int> Headings() const = 0;
    TokenApplication& App() const;
    bool MayChangeMachineSettings() const;

    CSettingsSheet& sheet_;

  private:
    bool created_ = false;
    QFont font_;
    std::unique_ptr<QObject> keys_;
};

}  // namespace orx
