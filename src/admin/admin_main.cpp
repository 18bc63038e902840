#include "admin/admin_main.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>

#include <array>
#include <string>

#include "admin/admin_commands.h"
#include "admin/admin_doc.h"
#include "admin/admin_list.h"
#include "admin/admin_menu.h"
#include "admin/admin_view.h"
#include "admin/packed_size.h"
#include "app/admin_settings.h"
#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/language.h"
#include "core/number_text.h"
#include "core/os/folders.h"
#include "core/product_identity.h"
#include "core/string_helpers.h"
#include "core/system_mail.h"
#include "core/system_paths.h"
#include "core/system_programs.h"
#include "core/text_fields.h"
#include "core/trace.h"
#include "dialogs/message_box.h"
#include "search/show_search_certificates.h"
#include "settings/show_settings.h"
#include "token/slot_ids.h"
#include "token/token_application.h"
#include "ui/icons.h"
#include "ui/qt_text.h"
#include "ui/qt_translations.h"
#include "ui/wait_cursor.h"
#include "ui/window_lookup.h"

namespace orx {

namespace {

constexpr int kTextAdministration = 1003;
constexpr int kTextOnlineHelp = 2413;
constexpr int kTextSupport = 1216;
constexpr int kTextAbout = 2414;
constexpr int kTextTraceDisable = 1212;
constexpr int kTextTraceOpen = 1213;
constexpr int kTextTraceMail = 1214;
constexpr int kTextTraceEnable = 1215;
constexpr int kTextTracingDisabled = 2114;
constexpr int kTextTracingEnabled = 2119;
constexpr int kTextMailFailed = 2032;
constexpr int kTextTraceMailSubject = 2518;
constexpr int kTextTraceMailBody = 2519;
constexpr size_t kLinkCapacity = 256;
// The Help menu's items that are examined for their links.
constexpr int kHelpItemsExamined = 4;

std::string ConfigText(std::string_view section, std::string_view key) {
    std::string value;
    if (ConfigReadString(section, key, value, kLinkCapacity) != kConfigOk)
        return {};
    return value;
}

// A path as one argument of a command line that is split at blanks.
std::string Argument(const std::string& path) {
    return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

// The trace file and the copy of it that a virtualised store may hold; a failure
// to delete either is of no concern.
void DeleteTraceFiles(const std::string& file) {
    ::unlink(file.c_str());
    const std::string copy = GetVirtualizedPath(file);
    if (!copy.empty())
        ::unlink(copy.c_str());
}

std::string VirtualizedCopy(const std::string& file) {
    const std::string copy = GetVirtualizedPath(file);
    return !copy.empty() && FileExists(copy) ? copy : std::string();
}

// "&" in a label from the plug-in is shown, not taken for a mnemonic.
QString MenuLabel(const std::string& label) {
    QString text = ToQString(label);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text;
}

}  // namespace

CAdminMain::CAdminMain(TokenApplication& app, AdminSettings& settings, QWidget* parent)
    : QMainWindow(parent),
      app_(app),
      settings_(settings),
      document_(std::make_unique<CAdminDoc>()) {
    document_->OnNewDocument();
    setWindowIcon(GetProductIcons());
    // A second start of the program finds this window by its title and hands over.
    registration_ = new TitledWindowRegistration(this);
    registration_->setParent(this);
    connect(registration_, &TitledWindowRegistration::activationRequested, this, [this]() {
        Trace("AdminMain - Brought forward by another start");
        emit broughtForward();
    });
}

CAdminMain::~CAdminMain() {
    StoreWidth();
}

bool CAdminMain::Create() {
    setWindowTitle(ToQString(GetTitleText(kTextAdministration)));
    QSize size = UnpackSize(settings_[kWidth]);
    // A size stored on a larger screen still fits this one.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setChildrenCollapsible(false);
    list_ = CreateList(splitter_);
    view_ = CreateView(splitter_);
    if (list_ == nullptr || view_ == nullptr || view_->Form() == nullptr) {
        delete splitter_;
        splitter_ = nullptr;
        return false;
    }
    list_->resize(100, 100);
    view_->resize(100, 100);
    // The slot list asks for room for its items itself; neither pane gets smaller.
    list_->setMinimumWidth(std::max(kMinimumPaneSize, list_->minimumWidth()));
    view_->setMinimumWidth(kMinimumPaneSize);
    splitter_->addWidget(list_);
    splitter_->addWidget(view_);
    // The slot list keeps its width when the window changes size.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    const int listWidth = std::max(kMinimumPaneSize, UnpackSize(settings_[kWidthList]).width());
    splitter_->setSizes({listWidth, std::max(kMinimumPaneSize, size.width() - listWidth)});
    setCentralWidget(splitter_);

    BuildMainMenu(menuBar());
    RouteMenuCommands(menuBar(), this);
    for (const Accelerator& accelerator : MainAccelerators())
        AddAccelerator(this, QKeySequence(accelerator.keys), accelerator.command, this);
    UpdateMenus();  // the trace menu with them

    statusBar()->setSizeGripEnabled(true);

    view_->OnInitialUpdate(this, list_);
    list_->OnInitialUpdate(this, view_);
    return true;
}

CAdminList* CAdminMain::CreateList(QWidget* parent) {
    return new CAdminList(app_, settings_, parent);
}

CAdminView* CAdminMain::CreateView(QWidget* parent) {
    return new CAdminView(app_, settings_, parent);
}

QMenu* CAdminMain::ActionMenu() const {
    return TopMenuAt(menuBar(), kMenuAction);
}

void CAdminMain::UpdateMenus() {
    LocaliseMainMenu(menuBar());
    UpdateHelpMenu();

    QMenu* action = ActionMenu();
    QMenu* change = SubMenuAt(action, kActionChangePassword);
    QMenu* unlock = SubMenuAt(action, kActionUnlockPassword);
    ClearMenu(change);
    ClearMenu(unlock);
    for (int index = 0; index < kMaxTokenEntries; ++index) {
        const std::optional<std::string> entry = app_.EnumPropertyString("Token", index);
        if (!entry)
            break;
        const int32_t slot = AtoI(*entry);
        // Above that a command would fall among the unlock commands.
        if (slot <= 0 || kCmdChangePassword + slot >= kCmdUnlockPassword) {
            Trace("AdminMain - Slot %d has no password commands", slot);
            continue;
        }
        const QString label = MenuLabel(GetField(*entry, ';', 1, kLinkCapacity));
        AppendCommand(change, kCmdChangePassword + slot, label);
        if (slot < kFirstSoftTokenSlot)
            AppendCommand(unlock, kCmdUnlockPassword + slot, label);
    }
    // An empty submenu would open onto nothing.
    for (QMenu* menu : {change, unlock}) {
        if (menu != nullptr)
            menu->menuAction()->setEnabled(!menu->isEmpty());
    }

    if (ConfigText("Links", "Update").empty())
        RemoveCommand(TopMenuAt(menuBar(), kMenuFile), kCmdSoftwareUpdate);
    UpdateTraceMenu(false);
    menuBar()->update();
}

void CAdminMain::UpdateHelpMenu() {
    QMenu* help = TopMenuAt(menuBar(), kMenuHelp);
    for (int position = 0; position < kHelpItemsExamined && position < MenuItemCount(help);) {
        QAction* item = MenuItemAt(help, position);
        const int command = CommandId(item);
        if (command == kCmdHelp || command == kCmdSupport) {
            std::string link;
            const bool present =
                app_.ConfigGetString(true, "Links", command == kCmdHelp ? "Help" : "Support", link,
                                     kLinkCapacity) != 0 &&
                !link.empty();
            if (!present) {
                RemoveItemAt(help, position);
                continue;
            }
            item->setText(MenuText(command == kCmdHelp ? kTextOnlineHelp : kTextSupport, command));
        } else if (command == kCmdAbout) {
            item->setText(MenuText(kTextAbout, command));
        }
        ++position;
    }
    QAction* first = MenuItemAt(help, 0);
    if (first != nullptr && first->isSeparator())
        RemoveItemAt(help, 0);
}

bool CAdminMain::UpdateTraceMenu(bool toggle) {
    const std::string defaultFile = GetUserDataFolder() + GetFilePrefix() + ".txt";
    QMenu* trace = SubMenuAt(ActionMenu(), kActionTrace);
    RemoveItemAt(trace, 2);
    RemoveItemAt(trace, 1);
    auto firstItem = [trace](int textId) {
        if (!SetItemTextAt(trace, 0, MenuText(textId, kCmdTraceToggle)))
            InsertCommand(trace, 0, kCmdTraceToggle, MenuText(textId, kCmdTraceToggle));
    };
    std::string file;
    const bool on =
        ConfigReadString("Trace", "File", file, kTracePathCapacity) == kConfigOk && !file.empty();
    if (!on) {
        if (!toggle) {
            firstItem(kTextTraceEnable);
            return false;
        }
        ConfigWriteString("Trace", "File", defaultFile);
        DeleteTraceFiles(defaultFile);
        Trace("AdminMain - Trace started");
    } else if (toggle) {
        ConfigDeleteKey("Trace", "File");
        app_.SetProperty("Trace", "");
        TraceSetFile("");
        DeleteTraceFiles(file);
        firstItem(kTextTraceEnable);
        return false;
    }
    firstItem(kTextTraceDisable);
    InsertCommand(trace, 1, kCmdTraceOpen, MenuText(kTextTraceOpen));
    if (!ConfigText("Links", "Mail").empty())
        InsertCommand(trace, 2, kCmdTraceMail, MenuText(kTextTraceMail));
    return true;
}

bool CAdminMain::OnCommand(int commandId) {
    Trace("AdminMain - Command %d", commandId);
    // The slot list has the first say while it has the focus, as the active pane.
    if (list_ != nullptr && list_->hasFocus() && list_->OnCommand(commandId))
        return true;
    switch (commandId) {
        case kCmdAbout:
            app_.Invoke("About");
            return true;
        case kCmdExit:
            OnExit();
            return true;
        case kCmdHelp:
            StartProgram("-help");
            return true;
        case kCmdSupport:
            StartProgram("-support");
            return true;
        case kCmdSettings:
            OnSettings();
            return true;
        case kCmdSoftwareUpdate:
            app_.Invoke("Update");
            return true;
        case kCmdTraceToggle:
            OnTraceToggle();
            return true;
        case kCmdTraceOpen:
            OnOpenTrace();
            return true;
        case kCmdTraceMail:
            OnMailTrace();
            return true;
        case kCmdDirectorySearch:
            ShowSearchCertificates(this, app_);
            return true;
        case kCmdRefresh:
            OnRefresh();
            return true;
        default:
            break;
    }
    if (commandId >= kFirstViewCommand && commandId <= kLastViewCommand && view_ != nullptr)
        return view_->OnCommand(commandId);
    return false;
}

void CAdminMain::ApplySettingsChange() {
    Trace("AdminMain - Settings updated");
    setWindowTitle(ToQString(GetTitleText(kTextAdministration)));
    InstallQtTranslations(GetCurrentLanguageId());
    UpdateMenus();
    if (list_ == nullptr)
        return;
    const int32_t selected = list_->GetSelectedSlot();
    const bool hadSelection = !list_->selectedItems().isEmpty();
    list_->FillSlotList();
    // Shown again in the new language; an id no item has selects the Components entry.
    if (hadSelection)
        list_->SelectSlot(selected == kNoSlot ? kNoTokenShown : selected);
}

void CAdminMain::OnSettings() {
    Trace("AdminMain - OnActionSettings ...");
    if (ShowSettings(app_, this) != 0)
        ApplySettingsChange();
    Trace("AdminMain - OnActionSettings ... done");
}

void CAdminMain::OnTraceToggle() {
    const bool on = UpdateTraceMenu(true);
    ShowInformation(this, on ? kTextTracingEnabled : kTextTracingDisabled);
}

void CAdminMain::OnOpenTrace() {
    std::string file;
    if (ConfigReadString("Trace", "File", file, kTracePathCapacity) != kConfigOk || file.empty())
        return;
    StartProgram(CutToCapacity("-viewnodelete " + Argument(file), kTraceCommandCapacity + 1));
    const std::string copy = VirtualizedCopy(file);
    if (!copy.empty())
        StartProgram(CutToCapacity("-viewnodelete " + Argument(copy), kTraceCommandCapacity + 1));
}

void CAdminMain::OnMailTrace() {
    std::string file;
    ConfigReadString("Trace", "File", file, kTracePathCapacity);
    std::vector<std::string> attachments;
    if (!file.empty())
        attachments.push_back(file);
    const std::string copy = file.empty() ? std::string() : VirtualizedCopy(file);
    if (!copy.empty())
        attachments.push_back(copy);
    if (!SendMail(this, ConfigText("Links", "Mail"), GetTitleText(kTextTraceMailSubject),
                  GetText(kTextTraceMailBody), attachments)) {
        ShowError(this, kTextMailFailed);
    }
}

void CAdminMain::OnRefresh() {
    WaitCursor wait;
    app_.Invoke("Refresh");
    if (list_ != nullptr)
        list_->RefreshSlots();
}

void CAdminMain::OnExit() {
    close();
    // Ends the event loop even while another window of the program is open; with no
    // loop running there is nothing to end.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void CAdminMain::StoreWidth() {
    if (widthStored_)
        return;
    widthStored_ = true;
    if (isMinimized() || isMaximized())
        return;
    settings_[kWidth] = PackSize(size());
}

}  // namespace orx
