// The settings property sheet: three pages (View, Smart Card, Components) under
// tabs, with OK, Cancel and Apply. Apply and OK save every page that has been
// shown, have the module take the new values over ("ApplyConfig") and load the
// pages again; Cancel saves nothing, and what an earlier Apply saved stays.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "core/os/window_registry.h"
#include "dialogs/dlg.h"

class QWindow;

namespace orx {

class CSettingsPage;
class TitledWindowRegistration;
class TokenApplication;

class CSettingsSheet : public Dlg {
  public:
    // `mayChangeMachineSettings`: whether the machine-wide values may be written.
    CSettingsSheet(TokenApplication& app, QWidget* parent, bool mayChangeMachineSettings);
    ~CSettingsSheet() override;

    // The sheet's operations, in the order the pages know them.
    // Title, buttons and tabs in the current language.
    virtual void SetTexts();
    // Enables or disables Apply; a set flag also sets the changed flag.
    virtual void SetModified(bool flag);
    virtual bool WasModified() const { return changed_; }
    // Each page's Save, "ApplyConfig" with the sheet as parent, each page's Load.
    virtual void ApplyAll();

    // Before the sheet runs: it is to stand over a window of another process, centred
    // and (where the platform can tie windows of two processes) kept above it.
    void PlaceOver(const WindowPlace& owner) { owner_ = owner; }

    // Pages are added before the sheet runs, in tab order; the sheet owns them.
    void AddPage(std::unique_ptr<CSettingsPage> page);
    CSettingsPage* Page(int index) const;
    int PageCount() const { return static_cast<int>(pages_.size()); }
    int ActivePage() const { return active_; }

    bool OnInitDialog() override;
    bool OnCommand(int commandId, int extra) override;
    int OnNotify(int controlId, int code) override;

    TokenApplication& App() const { return app_; }
    bool MayChangeMachineSettings() const { return mayChangeMachineSettings_; }

  private:
    void Activate(int index);
    // The apply notification to every page that has started, in tab order.
    void Apply();
    void SetTabOrder();
    void StandOverOwner();
    void FitContents();

    TokenApplication& app_;
    const bool mayChangeMachineSettings_;
    bool changed_ = false;
    bool ready_ = false;
    int active_ = -1;
    std::vector<std::unique_ptr<CSettingsPage>> pages_;
    std::unique_ptr<TitledWindowRegistration> registration_;
    std::optional<WindowPlace> owner_;
    std::unique_ptr<QWindow> foreignOwner_;
};

}  // namespace orx
