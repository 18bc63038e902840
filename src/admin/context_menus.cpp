#include "admin/context_menus.h"

#include "admin/admin_commands.h"
#include "admin/admin_view.h"
#include "token/slot_ids.h"
#include "ui/commands.h"

namespace orx {

namespace {

QString ItemText(QMenu* menu, int position) {
    QAction* item = MenuItemAt(menu, position);
    return item != nullptr ? item->text() : QString();
}

QString CommandText(QMenu* menu, int commandId) {
    QAction* item = FindCommand(menu, commandId);
    return item != nullptr ? item->text() : QString();
}

// The source's password entries of one card: commands from `first` on for 100 ids
// whose slot lies in `group`.
void CopyGroupEntries(QMenu* source, int first, int32_t group, QMenu* target) {
    if (source == nullptr)
        return;
    for (QAction* item : source->actions()) {
        const int command = CommandId(item);
        if (command < first || command >= first + 100)
            continue;
        if (SlotGroupBase(command % 100) == group)
            AppendCommand(target, command, item->text());
    }
}

void CopyItems(QMenu* source, QMenu* target) {
    for (QAction* item : source->actions()) {
        if (item->isSeparator()) {
            target->addSeparator();
        } else if (CommandId(item) != 0) {
            AppendCommand(target, CommandId(item), item->text())->setEnabled(item->isEnabled());
        }
    }
}

}  // namespace

std::unique_ptr<QMenu> MakeSlotContextMenu(QMenu* actionMenu, int32_t slot) {
    if (actionMenu == nullptr)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    if (slot >= kFirstSoftTokenSlot || slot < 0) {
        QMenu* softTokens = SubMenuAt(actionMenu, kActionSoftTokens);
        AppendCommand(menu.get(), kCmdChangePassword + slot,
                      ItemText(actionMenu, kActionChangePassword) + QStringLiteral("..."));
        AppendCommand(menu.get(), kCmdSoftTokenExport,
                      CommandText(softTokens, kCmdSoftTokenExport));
        AppendCommand(menu.get(), kCmdSoftTokenDelete,
                      CommandText(softTokens, kCmdSoftTokenDelete));
        return menu;
    }
    const int32_t group = SlotGroupBase(slot);
    QMenu* change = menu->addMenu(ItemText(actionMenu, kActionChangePassword));
    CopyGroupEntries(SubMenuAt(actionMenu, kActionChangePassword), kCmdChangePassword, group,
                     change);
    QMenu* unlock = menu->addMenu(ItemText(actionMenu, kActionUnlockPassword));
    CopyGroupEntries(SubMenuAt(actionMenu, kActionUnlockPassword), kCmdUnlockPassword, group,
                     unlock);
    if (unlock->isEmpty())
        return nullptr;
    return menu;
}

std::unique_ptr<QMenu> MakeTabContextMenu(QMenu* actionMenu, int tab) {
    const int position = tab == kTabPublicBox    ? kActionPublicBox
                         : tab == kTabPrivateBox ? kActionPrivateBox
                                                 : kActionCertificates;
    QMenu* source = SubMenuAt(actionMenu, position);
    if (source == nullptr)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    CopyItems(source, menu.get());
    return menu;
}

}  // namespace orx
