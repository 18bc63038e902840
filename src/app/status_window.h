// The small window that says "Loading, please wait..." while the program starts
// the token plug-in. Told a window title, it closes itself once a top-level window
// with that title exists.
#pragma once

#include <string>

#include "dialogs/dlg.h"

namespace orx {

inline constexpr int kTemplateStatusWindow = 240;
inline constexpr int kIdStatusText = 0x7E10;
inline constexpr int kIdStatusIcon = 0x7E11;
inline constexpr int kStatusTimer = 1;
inline constexpr int kStatusIntervalMs = 666;

class StatusWindow : public Dlg {
  public:
    explicit StatusWindow(int textId);
    ~StatusWindow() override;

    bool OnInitDialog() override;
    void OnTimer(int timerId) override;
    void OnCancel() override;

    // Modeless, without a parent; painted at once, as the start goes on without
    // returning to the event loop for a while.
    bool Show();
    // A string id, shown in the title form.
    void WatchTitle(int titleId);
    void Destroy();
    bool IsOpen() const;
    const std::string& WatchedTitle() const { return title_; }

  private:
    bool CloseWhenFound();

    int textId_;
    std::string title_;
};

}  // namespace orx
