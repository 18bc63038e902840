#include "admin/admin_menu.h"

#include <vector>

#include "admin/admin_commands.h"
#include "core/language.h"
#include "ui/commands.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

constexpr Accelerator kAccelerators[] = {
    {Qt::CTRL | Qt::Key_C, kCmdCopy},           {Qt::CTRL | Qt::Key_I, kCmdSettings},
    {Qt::CTRL | Qt::Key_T, kCmdTraceToggle},    {QKeyCombination(Qt::Key_Delete), kCmdDelete},
    {QKeyCombination(Qt::Key_F1), kCmdHelp},    {QKeyCombination(Qt::Key_F5), kCmdRefresh},
    {QKeyCombination(Qt::Key_Insert), kCmdAdd},
};

// An item: its command and string id; command 0 with string 0 is a separator.
struct Item {
    int command;
    int text;
};

using Items = std::vector<Item>;

struct SubMenu {
    int caption;  // 0: a separator
    Items items;
};

constexpr int kCaptionFile = 2403;
constexpr int kCaptionAction = 2404;
constexpr int kCaptionHelp = 2405;
constexpr int kCaptionChangePassword = 2406;
constexpr int kCaptionUnlockPassword = 2426;
constexpr int kCaptionSoftTokens = 2407;
constexpr int kCaptionDirectories = 2408;
constexpr int kCaptionCertificates = 2409;
constexpr int kCaptionPublicBox = 2410;
constexpr int kCaptionPrivateBox = 2411;
constexpr int kCaptionTrace = 2412;
constexpr int kTextAdd = 2415;
constexpr int kTextEdit = 2416;
constexpr int kTextDelete = 2417;
constexpr int kTextExport = 2425;
constexpr int kTextEnable = 1215;

const Items& FileItems() {
    static const Items items = {
        {kCmdSettings, 2401}, {kCmdSoftwareUpdate, 2402}, {0, 0}, {kCmdExit, 2400}};
    return items;
}

const Items& HelpItems() {
    static const Items items = {{kCmdSupport, 1216}, {kCmdHelp, 2413}, {0, 0}, {kCmdAbout, 2414}};
    return items;
}

// The Action menu's submenus in their positions; positions 4 and 8 are separators.
const std::vector<SubMenu>& ActionMenus() {
    static const std::vector<SubMenu> menus = {
        {kCaptionChangePassword, {}},
        {kCaptionUnlockPassword, {}},
        {kCaptionSoftTokens,
         {{kCmdSoftTokenNew, 2424},
          {kCmdSoftTokenAdd, kTextAdd},
          {kCmdSoftTokenExport, kTextExport},
          {kCmdSoftTokenDelete, kTextDelete}}},
        {kCaptionDirectories, {{kCmdDirectorySearch, 2419}}},
        {0, {}},
        {kCaptionCertificates,
         {{kCmdCertificateView, 2418},
          {0, 0},
          {kCmdCertificateAdd, kTextAdd},
          {kCmdCertificateExport, kTextExport},
          {kCmdCertificateDelete, kTextDelete}}},
        {kCaptionPublicBox,
         {{kCmdPublicAdd, kTextAdd}, {kCmdPublicEdit, kTextEdit}, {kCmdPublicDelete, kTextDelete}}},
        {kCaptionPrivateBox,
         {{kCmdPrivateAdd, kTextAdd},
          {kCmdPrivateEdit, kTextEdit},
          {kCmdPrivateDelete, kTextDelete}}},
        {0, {}},
        {kCaptionTrace, {{kCmdTraceToggle, kTextEnable}}},
    };
    return menus;
}

void AddItems(QMenu* menu, const Items& items) {
    for (const Item& item : items) {
        if (item.command == 0) {
            menu->addSeparator();
        } else {
            AppendCommand(menu, item.command, MenuText(item.text, item.command));
        }
    }
}

// Texts of items that are addressed by their command.
void LocaliseItems(QMenu* menu, const Items& items) {
    for (const Item& item : items) {
        if (item.command != 0)
            SetCommandText(menu, item.command, MenuText(item.text, item.command));
    }
}

}  // namespace

std::span<const Accelerator> MainAccelerators() {
    return kAccelerators;
}

QString MenuText(int stringId, int commandId) {
    QString text = ToQString(GetText(stringId));
    const qsizetype lineBreak = text.indexOf(QLatin1Char('\n'));
    if (lineBreak >= 0)
        text.truncate(lineBreak);
    for (const Accelerator& accelerator : kAccelerators) {
        if (commandId != 0 && accelerator.command == commandId) {
            text += QLatin1Char('\t') +
                    QKeySequence(accelerator.keys).toString(QKeySequence::NativeText);
            break;
        }
    }
    return text;
}

void BuildMainMenu(QMenuBar* menuBar) {
    menuBar->clear();
    AddItems(menuBar->addMenu(QString()), FileItems());
    QMenu* action = menuBar->addMenu(QString());
    for (const SubMenu& sub : ActionMenus()) {
        if (sub.caption == 0) {
            action->addSeparator();
            continue;
        }
        AddItems(action->addMenu(QString()), sub.items);
    }
    AddItems(menuBar->addMenu(QString()), HelpItems());
    LocaliseMainMenu(menuBar);
}

void LocaliseMainMenu(QMenuBar* menuBar) {
    const int captions[] = {kCaptionFile, kCaptionAction, kCaptionHelp};
    for (int position = 0; position < 3; ++position) {
        if (QMenu* menu = TopMenuAt(menuBar, position))
            menu->setTitle(MenuText(captions[position]));
    }
    LocaliseItems(TopMenuAt(menuBar, kMenuFile), FileItems());
    LocaliseItems(TopMenuAt(menuBar, kMenuHelp), HelpItems());
    QMenu* action = TopMenuAt(menuBar, kMenuAction);
    int position = 0;
    for (const SubMenu& sub : ActionMenus()) {
        if (sub.caption != 0) {
            SetItemTextAt(action, position, MenuText(sub.caption));
            LocaliseItems(SubMenuAt(action, position), sub.items);
        }
        ++position;
    }
}

}  // namespace orx
