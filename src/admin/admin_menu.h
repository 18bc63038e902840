// Menu 110 of the administration window and its accelerator table. The menu is
// built once in its resource shape with placeholder texts; its captions and items
// get their texts from the string tables at run time, and the password and trace
// submenus are filled from the plug-in and the configuration (CAdminMain).
#pragma once

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QString>
#include <span>

namespace orx {

struct Accelerator {
    QKeyCombination keys;
    int command;
};

// Ctrl+C copy, Ctrl+I settings, Ctrl+T trace, Delete, F1 help, F5 refresh, Insert.
std::span<const Accelerator> MainAccelerators();

// The three menus File, Action and Help with every item of the resource.
void BuildMainMenu(QMenuBar* menuBar);
// Every caption and item text from its string id (items by position where the
// resource is addressed by position, by command id otherwise).
void LocaliseMainMenu(QMenuBar* menuBar);

// The string's text up to its first line break; a command with an accelerator shows
// its keys beside it, as menus do.
QString MenuText(int stringId, int commandId = 0);

}  // namespace orx
