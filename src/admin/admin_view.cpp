#include "admin/admin_view.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QTabBar>
#include <QUrl>

#include "admin/admin_commands.h"
#include "admin/admin_list.h"
#include "admin/admin_main.h"
#include "admin/context_menus.h"
#include "admin/data_box.h"
#include "admin/packed_size.h"
#include "admin/view_texts.h"
#include "app/admin_settings.h"
#include "core/base64.h"
#include "core/config_file.h"
#include "core/language.h"
#include "core/product_identity.h"
#include "core/string_helpers.h"
#include "core/text_fields.h"
#include "core/trace.h"
#include "dialogs/window_placement.h"
#include "token/slot_ids.h"
#include "token/token_application.h"
#include "ui/dialog_templates.h"
#include "ui/icons.h"
#include "ui/item_registry.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"

namespace orx {

bool AdminViewTemplateRegistered();

namespace {

constexpr int kEntryRole = Qt::UserRole + 2;
// Names of dropped files are taken up to this many bytes.
constexpr size_t kDroppedNameCapacity = 260;
constexpr int kTextTabCertificates = 1303;
constexpr int kTextTabPublicBox = 1304;
constexpr int kTextTabPrivateBox = 1305;
constexpr int kTextProductName = 100;
constexpr int kTextPrivateKeyOnToken = 2540;

constexpr int kComponentColumns[] = {1508, 1509, 1510, 1653};
constexpr int kComponentWidths[] = {kWidthColumnComp0, kWidthColumnComp1, kWidthColumnComp2,
                                    kWidthColumnComp3};
constexpr int kCertificateColumns[] = {1511, 1512, 1692};
constexpr int kCertificateWidths[] = {kWidthColumnCert0, kWidthColumnCert1, kWidthColumnCert2};
constexpr int kDataColumns[] = {1306, 1307};
constexpr int kDataWidths[] = {kWidthColumnData0, kWidthColumnData1};

// The form inside the scrolling view: it takes the files dropped on the content
// list (which hands them to its parent) and reports its painting.
class ViewForm : public QWidget {
  public:
    explicit ViewForm(CAdminView* view) : QWidget(view), view_(view) {}

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override { Accept(event); }
    void dragMoveEvent(QDragMoveEvent* event) override { Accept(event); }
    void dropEvent(QDropEvent* event) override {
        if (!Accept(event))
            return;
        QStringList files;
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile())
                files.push_back(url.toLocalFile());
        }
        view_->OnDropFiles(files);
    }
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        view_->OnPaint();
    }

  private:
    bool Accept(QDropEvent* event) {
        const bool files = view_->Mode() == kModeToken && event->mimeData() != nullptr &&
                           event->mimeData()->hasUrls();
        if (files) {
            event->acceptProposedAction();
        } else {
            event->ignore();
        }
        return files;
    }

    CAdminView* view_;
};

// Right button, Menu key and Shift+F10 on the content list open the view's menu,
// at the pointer or at the current row.
class ContextMenuKeys : public QObject {
  public:
    ContextMenuKeys(CAdminView* view, COwnerDrawList* list)
        : QObject(list), view_(view), list_(list) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ContextMenu) {
            view_->ShowContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        if (event->type() == QEvent::KeyPress && watched == list_) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool menuKey = key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier;
            if (menuKey || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
                view_->ShowContextMenu(CurrentRowPoint());
                return true;
            }
        }
        return false;
    }

  private:
    QPoint CurrentRowPoint() const {
        const QRect row = list_->visualRect(list_->currentIndex());
        const QPoint local = row.isValid() ? row.center() : QPoint(0, 0);
        return list_->viewport()->mapToGlobal(local);
    }

    CAdminView* view_;
    COwnerDrawList* list_;
};

}  // namespace

CAdminView::CAdminView(TokenApplication& app, AdminSettings& settings, QWidget* parent)
    : QScrollArea(parent), app_(app), settings_(settings) {
    (void)AdminViewTemplateRegistered();
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    auto* form = new ViewForm(this);
    BuildDialogTemplate(kTemplateAdminView, form);
    setWidget(form);
    line1_ = FindItemAs<QLabel>(form, kIdHeaderLine1);
    line2_ = FindItemAs<QLabel>(form, kIdHeaderLine2);
    tabs_ = FindItemAs<QTabBar>(form, kIdTokenTabs);
    if (tabs_ != nullptr) {
        connect(tabs_, &QTabBar::currentChanged, this, [this](int index) { OnTabChanged(index); });
    }
}

CAdminView::~CAdminView() {
    SaveColumnWidths();
}

void CAdminView::OnInitialUpdate(CAdminMain* frame, CAdminList* slotList) {
    frame_ = frame;
    slotList_ = slotList;
    smallIcons_.clear();
    AddSmallIcon(kIconCertificate);
    AddSmallIcon(kIconComponent);
    AddSmallIcon(kIconDataEntry);
    AddSmallIcon(kIconCertificateWithKey);
    if (list_ == nullptr)
        list_ = COwnerDrawList::ReplaceControl(FindItem(widget(), kIdContentList), widget(),
                                               kIdContentList);
    if (list_ != nullptr) {
        list_->SetImageList(smallIcons_);
        list_->setSelectionMode(QAbstractItemView::SingleSelection);
        list_->SetShowSelectionAlways(true);
        // Columns keep the widths the user gave them; none grows to fill the rest.
        list_->header()->setStretchLastSection(false);
        list_->setContextMenuPolicy(Qt::DefaultContextMenu);
        auto* keys = new ContextMenuKeys(this, list_);
        list_->installEventFilter(keys);
        list_->viewport()->installEventFilter(keys);
        connect(list_, &QTreeWidget::itemDoubleClicked, this, [this]() { OnDoubleClick(); });
    }
    SetBoldFont(line1_, 0, true);
    ShowNothing();
}

void CAdminView::ShowNothing() {
    SaveColumnWidths();
    filledSlot_ = kNoTokenShown;
    mode_ = kModeNothing;
    UpdateControls();
    currentSlot_ = -1;
}

void CAdminView::ShowComponents() {
    SaveColumnWidths();
    filledSlot_ = kNoTokenShown;
    mode_ = kModeComponents;
    UpdateControls();
    currentSlot_ = -1;
    const std::optional<std::string> version = app_.GetPropertyString("Version");
    SetHeaderLines(GetText(kTextProductName), version ? FormatVersion(*version) : std::string());
    FillComponents();
}

void CAdminView::ShowToken(int32_t slot, int tab) {
    SaveColumnWidths();
    mode_ = kModeToken;
    UpdateControls();
    currentSlot_ = slot;
    app_.SetActiveSlot(slot);
    const std::optional<std::string> info = app_.GetPropertyString("TokenInfo");
    if (!info) {
        // The card may come back: the slot is remembered for the next slot event.
        mode_ = kModeNothing;
        ShowNothing();
        currentSlot_ = slot;
        return;
    }
    SetHeaderLines(TokenHeaderLine(*info, slot), GetField(*info, ';', 2, kViewFieldCapacity));
    FillTokenTabs(slot, tab, false);
}

bool CAdminView::IsTokenReadable() {
    return currentSlot_ == -1 || app_.GetPropertyString("TokenInfo").has_value();
}

bool CAdminView::IsSameSlot(int32_t slot) {
    if (currentSlot_ == slot)
        return true;
    if (currentSlot_ != -1)
        return false;
    app_.SetActiveSlot(slot);
    if (app_.GetPropertyString("TokenInfo"))
        return true;
    currentSlot_ = -1;
    return false;
}

void CAdminView::ShowContextMenu(const QPoint& globalPosition) {
    if (mode_ != kModeToken || frame_ == nullptr)
        return;
    std::unique_ptr<QMenu> menu = MakeTabContextMenu(frame_->ActionMenu(), ShownTab());
    const int command = PopupMenuCommand(menu.get(), globalPosition);
    if (command != 0)
        OnCommand(command);
}

int CAdminView::AddSmallIcon(int iconId) {
    smallIcons_.push_back(LoadIcon(iconId));
    if (list_ != nullptr)
        list_->SetImageList(smallIcons_);
    return static_cast<int>(smallIcons_.size()) - 1;
}

void CAdminView::ClearContent() {
    // The entries stand for the certificate rows only while those are shown.
    certificateEntries_.clear();
    if (list_ == nullptr)
        return;
    list_->clear();
    list_->setColumnCount(0);
}

void CAdminView::InsertColumns(const int* textIds, const int* widthKeys, int count) {
    QHeaderView* header = list_->header();
    for (int column = 0; column < count; ++column) {
        list_->InsertColumn(column, ToQString(GetText(textIds[column])), Qt::AlignLeft,
                            settings_[static_cast<DialogValue>(widthKeys[column])]);
        // A stored width never cuts the column's heading.
        const int needed = header->sectionSizeHint(column);
        if (header->sectionSize(column) < needed)
            header->resizeSection(column, needed);
    }
}

void CAdminView::FillComponents() {
    ClearContent();
    if (list_ == nullptr)
        return;
    InsertColumns(kComponentColumns, kComponentWidths, 4);
    for (int index = 0; index < kMaxComponentEntries; ++index) {
        const std::optional<std::string> entry = app_.EnumPropertyString("Component", index);
        if (!entry)
            break;
        const ComponentRow component = ParseComponent(*entry);
        const int row = list_->InsertItem(list_->topLevelItemCount(), ToQString(component.fileName),
                                          kImageComponent);
        list_->SetItemText(row, 1, ToQString(component.version));
        list_->SetItemText(row, 2, ToQString(component.information));
        list_->SetItemText(row, 3, ToQString(component.special));
    }
}

void CAdminView::FillTokenTabs(int32_t slot, int tab, bool keepTabs) {
    int32_t mask = 0;
    if (ConfigReadInt("Admin Utility", "ObjectsTabMode", mask) != kConfigOk)
        mask = 255;
    mask |= 1;
    if (tabs_ == nullptr || list_ == nullptr)
        return;
    if (tab == kTabCurrent)
        tab = tabs_->currentIndex() >= 0 ? tabs_->tabData(tabs_->currentIndex()).toInt()
                                         : kTabCertificates;
    fillingTabs_ = true;
    if (!keepTabs) {
        while (tabs_->count() > 0)
            tabs_->removeTab(0);
        const struct {
            int kind;
            int text;
        } kinds[] = {{kTabCertificates, kTextTabCertificates},
                     {kTabPublicBox, kTextTabPublicBox},
                     {kTabPrivateBox, kTextTabPrivateBox}};
        for (const auto& k : kinds) {
            if (mask & (1 << k.kind)) {
                const int index = tabs_->addTab(ToQString(GetText(k.text)));
                tabs_->setTabData(index, k.kind);
            }
        }
    }
    int index = TabIndexOf(tab);
    if (index < 0)
        index = 0;
    tabs_->setCurrentIndex(index);
    fillingTabs_ = false;
    const int shown = tabs_->tabData(index).toInt();
    // The same content read again (after a slot event, or a change of the view's
    // own) keeps the row the user chose.
    const int keptRow = filledSlot_ == slot && shownTab_ == shown ? SelectedRow() : -1;
    ClearContent();
    shownTab_ = shown;
    filledSlot_ = slot;
    if (shown == kTabCertificates) {
        FillCertificates(list_, slot);
    } else {
        FillDataBox(list_, slot, shown == kTabPrivateBox);
    }
    if (keptRow >= 0 && keptRow < list_->topLevelItemCount())
        SelectRow(keptRow);
}

void CAdminView::FillCertificates(COwnerDrawList* list, int32_t slot) {
    certificateEntries_.clear();
    if (list == nullptr)
        return;
    InsertColumns(kCertificateColumns, kCertificateWidths, 3);
    for (int index = 0; index < kMaxCertificateEntries; ++index) {
        std::optional<std::string> entry = app_.EnumPropertyString("CertificateEx", index);
        if (!entry)
            break;
        if (!CertificateBelongsTo(*entry, slot))
            continue;
        const CertificateRow row = ParseCertificateRow(*entry);
        const int at =
            list->InsertItem(list->topLevelItemCount(), ToQString(row.subject),
                             row.privateKey ? kImageCertificateWithKey : kImageCertificate);
        if (!row.issuer.empty()) {
            list->SetItemText(at, 1, ToQString(row.issuer));
            list->SetItemText(at, 2, ToQString(row.expiration));
        }
        if (row.privateKey) {
            // Said in words too, for those who do not tell the icons apart.
            const QString tip = ToQString(GetText(kTextPrivateKeyOnToken));
            QTreeWidgetItem* item = list->topLevelItem(at);
            for (int column = 0; column < list->columnCount(); ++column)
                item->setToolTip(column, tip);
            item->setData(0, Qt::AccessibleDescriptionRole, tip);
        }
        list->topLevelItem(at)->setData(0, kEntryRole,
                                        static_cast<int>(certificateEntries_.size()));
        certificateEntries_.push_back(std::move(*entry));
    }
}

void CAdminView::FillDataBox(COwnerDrawList* list, int32_t /*slot*/, bool privateBox) {
    if (list == nullptr)
        return;
    if (privateBox && !app_.IsLoggedIn() && app_.Login() != 0)
        return;
    InsertColumns(kDataColumns, kDataWidths, 2);
    app_.SetProperty("CKA_CLASS", "0x00000000");
    app_.SetProperty("CKA_TOKEN", "0x01");
    app_.SetProperty("CKA_LABEL", "");
    app_.SetProperty("CKA_PRIVATE", privateBox ? "0x01" : "0x00");
    app_.SetProperty("CKA_APPLICATION", GetVersionProductName(256).c_str());
    const std::optional<std::string> object = app_.EnumPropertyString("Object", 0);
    if (!object)
        return;
    const size_t separator = object->find(';');
    if (separator == std::string::npos)
        return;
    const std::vector<uint8_t> blob = Base64Decode(std::string_view(*object).substr(separator + 1));
    for (const DataBoxEntry& entry : ParseDataBox(blob)) {
        const int row = list->InsertItem(list->topLevelItemCount(), ToQString(entry.description),
                                         kImageDataEntry);
        list->SetItemText(row, 1, ToQString(entry.value));
    }
}

void CAdminView::UpdateControls() {
    const bool content = mode_ == kModeComponents || mode_ == kModeToken;
    if (line1_ != nullptr)
        line1_->setVisible(content);
    if (line2_ != nullptr)
        line2_->setVisible(content);
    if (tabs_ != nullptr)
        tabs_->setVisible(mode_ == kModeToken);
    if (list_ != nullptr) {
        list_->setVisible(content);
        list_->setAcceptDrops(mode_ == kModeToken);
    }
}

void CAdminView::SaveColumnWidths() {
    if (list_ != nullptr) {
        QHeaderView* header = list_->header();
        bool positive = false;
        for (int column = 0; column < list_->columnCount(); ++column)
            positive = positive || header->sectionSize(column) > 0;
        const int* keys = nullptr;
        int count = 0;
        if (mode_ == kModeComponents) {
            keys = kComponentWidths;
            count = 4;
        } else if (mode_ == kModeToken && shownTab_ == kTabCertificates) {
            keys = kCertificateWidths;
            count = 3;
        } else if (mode_ == kModeToken && shownTab_ == kTabPublicBox) {
            keys = kDataWidths;
            count = 2;
        }
        for (int column = 0; positive && column < count && column < list_->columnCount();
             ++column) {
            settings_[static_cast<DialogValue>(keys[column])] = header->sectionSize(column);
        }
    }
    settings_[kWidthView] = PackSize(size());
}

bool CAdminView::OnCommand(int commandId) {
    if (commandId > kCmdChangePassword && commandId < kCmdUnlockPassword) {
        OnChangePassword(commandId - kCmdChangePassword);
        return true;
    }
    if (commandId > kCmdUnlockPassword && commandId < kCmdPasswordEnd) {
        OnUnlockPassword(commandId - kCmdUnlockPassword);
        return true;
    }
    // Insert and Delete act on what the tab shows.
    if (commandId == kCmdAdd || commandId == kCmdDelete) {
        if (mode_ != kModeToken)
            return true;
        const bool add = commandId == kCmdAdd;
        switch (ShownTab()) {
            case kTabPublicBox:
                return OnCommand(add ? kCmdPublicAdd : kCmdPublicDelete);
            case kTabPrivateBox:
                return OnCommand(add ? kCmdPrivateAdd : kCmdPrivateDelete);
            default:
                return OnCommand(add ? kCmdCertificateAdd : kCmdCertificateDelete);
        }
    }
    switch (commandId) {
        case kCmdSoftTokenNew:
            OnSoftTokenNew();
            return true;
        case kCmdSoftTokenAdd:
            OnSoftTokenAdd();
            return true;
        case kCmdSoftTokenExport:
            OnSoftTokenExport();
            return true;
        case kCmdSoftTokenDelete:
            OnSoftTokenDelete();
            return true;
        case kCmdCertificateView:
            OnCertificateView();
            return true;
        case kCmdCertificateAdd:
            OnCertificateAdd();
            return true;
        case kCmdCertificateExport:
            OnCertificateExport();
            return true;
        case kCmdCertificateDelete:
            OnCertificateDelete();
            return true;
        case kCmdPublicAdd:
        case kCmdPrivateAdd:
            OnDataAdd(commandId == kCmdPrivateAdd);
            return true;
        case kCmdPublicEdit:
        case kCmdPrivateEdit:
            OnDataEdit(commandId == kCmdPrivateEdit);
            return true;
        case kCmdPublicDelete:
        case kCmdPrivateDelete:
            OnDataDelete(commandId == kCmdPrivateDelete);
            return true;
        case kCmdCopy:
            OnCopy();
            return true;
        default:
            return false;
    }
}

int CAdminView::ShownTab() const {
    return mode_ == kModeToken ? shownTab_ : kTabCertificates;
}

std::string CAdminView::HeaderLine(int line) const {
    const QLabel* label = line == 1 ? line1_ : line2_;
    return label != nullptr ? ToUtf8(label->text()) : std::string();
}

const std::string* CAdminView::CertificateEntryAt(int row) const {
    if (list_ == nullptr || mode_ != kModeToken || shownTab_ != kTabCertificates)
        return nullptr;
    const QTreeWidgetItem* item = list_->topLevelItem(row);
    if (item == nullptr)
        return nullptr;
    const QVariant index = item->data(0, kEntryRole);
    if (!index.isValid() || index.toInt() < 0 ||
        static_cast<size_t>(index.toInt()) >= certificateEntries_.size())
        return nullptr;
    return &certificateEntries_[static_cast<size_t>(index.toInt())];
}

void CAdminView::OnDropFiles(const QStringList& files) {
    if (mode_ != kModeToken)
        return;
    for (const QString& file : files)
        AddCertificate(currentSlot_,
                       std::string(CutToCapacity(ToUtf8(file), kDroppedNameCapacity)));
}

void CAdminView::OnPaint() {
    Trace("AdminView - OnPaint ...");
    Trace("AdminView - OnPaint ... done");
}

void CAdminView::SetHeaderLines(const std::string& first, const std::string& second) {
    if (line1_ != nullptr)
        line1_->setText(ToQString(first));
    if (line2_ != nullptr)
        line2_->setText(ToQString(second));
}

int CAdminView::TabIndexOf(int tab) const {
    for (int index = 0; tabs_ != nullptr && index < tabs_->count(); ++index) {
        if (tabs_->tabData(index).toInt() == tab)
            return index;
    }
    return -1;
}

void CAdminView::OnTabChanged(int /*index*/) {
    if (fillingTabs_ || mode_ != kModeToken)
        return;
    SaveColumnWidths();
    FillTokenTabs(currentSlot_, kTabCurrent, true);
}

void CAdminView::OnDoubleClick() {
    if (mode_ != kModeToken)
        return;
    switch (ShownTab()) {
        case kTabPublicBox:
            OnCommand(kCmdPublicEdit);
            break;
        case kTabPrivateBox:
            OnCommand(kCmdPrivateEdit);
            break;
        default:
            OnCommand(kCmdCertificateView);
            break;
    }
}

}  // namespace orx
