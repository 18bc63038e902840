// Commands by number: every menu item and accelerator is a QAction carrying its
// command id, and each window handles them in one OnCommand(id). Menus are
// addressed by position (separators count) or by command id, the way the program
// rebuilds its menus at run time.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPoint>
#include <QString>

namespace orx {

class CommandTarget {
  public:
    virtual ~CommandTarget() = default;
    // True when the command was handled.
    virtual bool OnCommand(int commandId) = 0;
};

// An action for command `commandId` (owned by `parent`).
QAction* MakeCommandAction(QObject* parent, int commandId, const QString& text);
// The command id an action carries; 0 for separators, submenus and foreign actions.
int CommandId(const QAction* action);

// Every command chosen in the menu bar (any depth, also items added later) goes
// to target->OnCommand.
void RouteMenuCommands(QMenuBar* menuBar, CommandTarget* target);
void RouteMenuCommands(QMenu* menu, CommandTarget* target);
// A keyboard shortcut of `window` that sends `commandId` to target.
QAction* AddAccelerator(QWidget* window, const QKeySequence& keys, int commandId,
                        CommandTarget* target);
// Shows `menu` at a screen position and returns the chosen command id (0: none),
// so that a context menu's owner handles the command itself.
int PopupMenuCommand(QMenu* menu, const QPoint& globalPosition);

// By position; nullptr when out of range.
QMenu* TopMenuAt(QMenuBar* menuBar, int position);
QAction* MenuItemAt(QMenu* menu, int position);
QMenu* SubMenuAt(QMenu* menu, int position);
int MenuItemCount(const QMenu* menu);
// The first item with that command id, searched depth first through the submenus.
QAction* FindCommand(QMenu* menu, int commandId);
QAction* FindCommand(QMenuBar* menuBar, int commandId);

bool SetItemTextAt(QMenu* menu, int position, const QString& text);
bool SetCommandText(QMenu* menu, int commandId, const QString& text);
bool RemoveItemAt(QMenu* menu, int position);
bool RemoveCommand(QMenu* menu, int commandId);
// Inserts before `position`; a position out of range appends.
QAction* InsertCommand(QMenu* menu, int position, int commandId, const QString& text);
QAction* AppendCommand(QMenu* menu, int commandId, const QString& text);
void ClearMenu(QMenu* menu);

}  // namespace orx
