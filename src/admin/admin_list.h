// The slot list: the left-hand pane of the administration window, a large-icon list
// of the card readers, the soft tokens and the installed components. It fills itself
// from the plug-in's slot enumerations, hands the selected slot to the token view,
// polls the plug-in for slot events, and offers the password commands of the
// selected token on its context menu.
#pragma once

#include <QListWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/commands.h"
#include "ui/timer_set.h"

namespace orx {

class CAdminMain;
class CAdminView;
class TokenApplication;
struct AdminSettings;

// The first poll comes soon after the window is up, the later ones at this pace.
inline constexpr int kFirstPollTimer = 66;
inline constexpr int kFirstPollMs = 66;
inline constexpr int kPollTimer = 666;
inline constexpr int kPollMs = 666;
// Each slot enumeration is read up to this many entries.
inline constexpr int kMaxSlotEntries = 100;
// Icon spacing of the list, at the least.
inline constexpr int kIconSpacingWidth = 100;
inline constexpr int kIconSpacingHeight = 70;

// SelectFirstToken kinds.
enum TokenKind : int { kAnyToken = 0, kCardToken = 1, kSoftToken = 2 };

class CAdminList : public QListWidget, public CommandTarget {
    Q_OBJECT
  public:
    CAdminList(TokenApplication& app, AdminSettings& settings, QWidget* parent = nullptr);
    // Stores its size, which the frame uses for the split position.
    ~CAdminList() override;

    // The first update: nothing shown, the list filled, the first poll started.
    virtual void OnInitialUpdate(CAdminMain* frame, CAdminView* view);

    virtual void ReadSlotLists();
    virtual void FillSlotList();
    // The list read again, the plug-in's active slot selected.
    virtual void RefreshSlots();
    // An unknown id selects the Components entry; 0 selects the first item.
    virtual void SelectSlot(int32_t slot);
    // The first item of the kind (TokenKind); false when there is none.
    virtual bool SelectFirstToken(int kind);
    // The slot of the first selected item; 0 when none is selected.
    virtual int32_t GetSelectedSlot() const;
    // Whether the plug-in offered card slots (card) or soft tokens when last read.
    virtual bool HasSlots(bool card) const;
    // Makes the token view lay out its controls again.
    virtual void NudgeLayout();
    virtual void OnTimer(int timerId);
    virtual void ShowContextMenu(const QPoint& globalPosition);

    // Password commands, export and delete soft token, Delete and copy go on to the
    // token view.
    bool OnCommand(int commandId) override;

    const std::vector<std::string>& CardEntries() const { return cardEntries_; }
    const std::vector<std::string>& SoftEntries() const { return softEntries_; }
    int32_t SlotOf(const QListWidgetItem* item) const;
    bool IsTimerRunning(int timerId) const { return timers_.IsRunning(timerId); }

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnSelectionChanged();
    void AppendItem(const std::string& label, int iconId, int32_t slot);
    void FitSpacing();
    QPoint CurrentItemPoint() const;

    TokenApplication& app_;
    AdminSettings& settings_;
    CAdminMain* frame_ = nullptr;
    CAdminView* view_ = nullptr;
    std::vector<std::string> cardEntries_;
    std::vector<std::string> softEntries_;
    TimerSet timers_;
};

}  // namespace orx
