#include "ui/commands.h"

#include <QVariant>

namespace orx {

namespace {

constexpr const char* kCommandProperty = "orxCommandId";

void Deliver(CommandTarget* target, QAction* action) {
    const int id = CommandId(action);
    if (target != nullptr && id != 0)
        target->OnCommand(id);
}

QAction* FindIn(const QList<QAction*>& actions, int commandId) {
    for (QAction* action : actions) {
        if (CommandId(action) == commandId)
            return action;
        if (QMenu* sub = action->menu()) {
            if (QAction* found = FindCommand(sub, commandId))
                return found;
        }
    }
    return nullptr;
}

}  // namespace

QAction* MakeCommandAction(QObject* parent, int commandId, const QString& text) {
    auto* action = new QAction(text, parent);
    action->setProperty(kCommandProperty, commandId);
    return action;
}

int CommandId(const QAction* action) {
    if (action == nullptr)
        return 0;
    return action->property(kCommandProperty).toInt();
}

void RouteMenuCommands(QMenuBar* menuBar, CommandTarget* target) {
    if (menuBar == nullptr)
        return;
    QObject::connect(menuBar, &QMenuBar::triggered, menuBar,
                     [target](QAction* action) { Deliver(target, action); });
}

void RouteMenuCommands(QMenu* menu, CommandTarget* target) {
    if (menu == nullptr)
        return;
    QObject::connect(menu, &QMenu::triggered, menu,
                     [target](QAction* action) { Deliver(target, action); });
}

QAction* AddAccelerator(QWidget* window, const QKeySequence& keys, int commandId,
                        CommandTarget* target) {
    if (window == nullptr)
        return nullptr;
    QAction* action = MakeCommandAction(window, commandId, QString());
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    QObject::connect(action, &QAction::triggered, window,
                     [target, action]() { Deliver(target, action); });
    return action;
}

int PopupMenuCommand(QMenu* menu, const QPoint& globalPosition) {
    if (menu == nullptr || menu->isEmpty())
        return 0;
    return CommandId(menu->exec(globalPosition));
}

QMenu* TopMenuAt(QMenuBar* menuBar, int position) {
    if (menuBar == nullptr)
        return nullptr;
    const QList<QAction*> actions = menuBar->actions();
    if (position < 0 || position >= actions.size())
        return nullptr;
    return actions[position]->menu();
}

QAction* MenuItemAt(QMenu* menu, int position) {
    if (menu == nullptr)
        return nullptr;
    const QList<QAction*> actions = menu->actions();
    if (position < 0 || position >= actions.size())
        return nullptr;
    return actions[position];
}

QMenu* SubMenuAt(QMenu* menu, int position) {
    QAction* item = MenuItemAt(menu, position);
    return item != nullptr ? item->menu() : nullptr;
}

int MenuItemCount(const QMenu* menu) {
    return menu != nullptr ? static_cast<int>(menu->actions().size()) : 0;
}

QAction* FindCommand(QMenu* menu, int commandId) {
    if (menu == nullptr || commandId == 0)
        return nullptr;
    return FindIn(menu->actions(), commandId);
}

QAction* FindCommand(QMenuBar* menuBar, int commandId) {
    if (menuBar == nullptr || commandId == 0)
        return nullptr;
    return FindIn(menuBar->actions(), commandId);
}

bool SetItemTextAt(QMenu* menu, int position, const QString& text) {
    QAction* item = MenuItemAt(menu, position);
    if (item == nullptr || item->isSeparator())
        return false;
    item->setText(text);
    return true;
}

bool SetCommandText(QMenu* menu, int commandId, const QString& text) {
    QAction* item = FindCommand(menu, commandId);
    if (item == nullptr)
        return false;
    item->setText(text);
    return true;
}

bool RemoveItemAt(QMenu* menu, int position) {
    QAction* item = MenuItemAt(menu, position);
    if (item == nullptr)
        return false;
    menu->removeAction(item);
    // Items the menu made itself (separators, submenu entries) belong to it; a
    // command action made for this menu goes with its entry.
    if (item->parent() == menu || CommandId(item) != 0)
        item->deleteLater();
    return true;
}

bool RemoveCommand(QMenu* menu, int commandId) {
    if (menu == nullptr)
        return false;
    const QList<QAction*> actions = menu->actions();
    for (int i = 0; i < actions.size(); ++i) {
        if (CommandId(actions[i]) == commandId)
            return RemoveItemAt(menu, i);
        if (QMenu* sub = actions[i]->menu()) {
            if (RemoveCommand(sub, commandId))
                return true;
        }
    }
    return false;
}

QAction* InsertCommand(QMenu* menu, int position, int commandId, const QString& text) {
    if (menu == nullptr)
        return nullptr;
    QAction* action = MakeCommandAction(menu, commandId, text);
    menu->insertAction(MenuItemAt(menu, position), action);
    return action;
}

QAction* AppendCommand(QMenu* menu, int commandId, const QString& text) {
    return InsertCommand(menu, -1, commandId, text);
}

void ClearMenu(QMenu* menu) {
    if (menu == nullptr)
        return;
    while (MenuItemCount(menu) > 0)
        RemoveItemAt(menu, 0);
}

}  // namespace orx
