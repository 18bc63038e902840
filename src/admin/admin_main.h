// The administration window's frame: the menu bar (menu 110 with its accelerators),
// the slot list and the token view side by side in a splitter, and a status bar. It
// carries out the global commands (settings, software updates, help, About, trace,
// directory search, refresh, exit), rebuilds the password and trace menus, keeps its
// size, and passes every other command on to the token view.
#pragma once

#include <QMainWindow>
#include <memory>

#include "ui/commands.h"

class QSplitter;

namespace orx {

class CAdminDoc;
class CAdminList;
class CAdminView;
class TitledWindowRegistration;
class TokenApplication;
struct AdminSettings;

// The change and unlock password submenus take at most this many tokens.
inline constexpr int kMaxTokenEntries = 100;
// The splitter's panes keep at least this width.
inline constexpr int kMinimumPaneSize = 50;
inline constexpr size_t kTraceCommandCapacity = 520;

class CAdminMain : public QMainWindow, public CommandTarget {
    Q_OBJECT
  public:
    CAdminMain(TokenApplication& app, AdminSettings& settings, QWidget* parent = nullptr);
    // Stores the window's size unless it is minimised or maximised.
    ~CAdminMain() override;

    // Size, splitter with the slot list and the token view, menus, status bar, then
    // the first update of both panes. False when a pane cannot be made.
    virtual bool Create();

    virtual void UpdateMenus();
    // Switches tracing on or off when `toggle` is set; rebuilds the Trace submenu.
    // Whether tracing is on afterwards.
    virtual bool UpdateTraceMenu(bool toggle);
    bool OnCommand(int commandId) override;

    // What follows a change in the settings dialog: the title in the (new) language,
    // Qt's own texts, the menus and the slot list again, the selection kept.
    void ApplySettingsChange();

    CAdminDoc* Document() const { return document_.get(); }
    CAdminList* List() const { return list_; }
    CAdminView* View() const { return view_; }
    QSplitter* Splitter() const { return splitter_; }
    QMenu* ActionMenu() const;

  signals:
    // Another start of the program handed over to this window.
    void broughtForward();

  protected:
    TokenApplication& App() { return app_; }
    AdminSettings& Settings() { return settings_; }
    // The panes, as the frame's document template names their classes.
    virtual CAdminList* CreateList(QWidget* parent);
    virtual CAdminView* CreateView(QWidget* parent);

  private:
    void OnSettings();
    void OnTraceToggle();
    void OnOpenTrace();
    void OnMailTrace();
    void OnRefresh();
    void OnExit();
    void UpdateHelpMenu();
    void StoreWidth();

    TokenApplication& app_;
    AdminSettings& settings_;
    std::unique_ptr<CAdminDoc> document_;
    QSplitter* splitter_ = nullptr;
    CAdminList* list_ = nullptr;
    CAdminView* view_ = nullptr;
    TitledWindowRegistration* registration_ = nullptr;
    bool widthStored_ = false;
};

}  // namespace orx
