// The context menus of the slot list and of the token view, made from the main
// menu's Action menu, so that they offer the same commands with the same texts.
#pragma once

#include <QMenu>
#include <cstdint>
#include <memory>

namespace orx {

// The slot list's menu for the selected slot. A soft token (and any negative id):
// change password, export and delete. A card (and 0): the change and unlock
// password entries of the card's slot group as two submenus; none (nullptr) when
// the group has no unlock entry.
std::unique_ptr<QMenu> MakeSlotContextMenu(QMenu* actionMenu, int32_t slot);

// The token view's menu: a copy of the Action menu's submenu for what the tab shows
// (certificates, public box or private box).
std::unique_ptr<QMenu> MakeTabContextMenu(QMenu* actionMenu, int tab);

}  // namespace orx
