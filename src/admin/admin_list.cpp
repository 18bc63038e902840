#include "admin/admin_list.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QStyle>

#include "admin/admin_commands.h"
#include "admin/admin_main.h"
#include "admin/admin_view.h"
#include "admin/context_menus.h"
#include "admin/packed_size.h"
#include "admin/slot_labels.h"
#include "app/admin_settings.h"
#include "core/language.h"
#include "core/number_text.h"
#include "core/string_helpers.h"
#include "token/slot_ids.h"
#include "token/token_application.h"
#include "ui/icons.h"
#include "ui/qt_text.h"

namespace orx {

namespace {

constexpr int kSlotRole = Qt::UserRole;
constexpr int kTextProductName = 100;
constexpr int kTextComponents = 1505;
// Room around an item's caption inside its cell.
constexpr int kCaptionMargin = 8;
// A caption of this many characters fits in one line of a cell.
constexpr int kCaptionCharacters = 15;
// Lines of caption under the icon: a reader name broken in two.
constexpr int kCaptionLines = 2;

bool IsListCommand(int commandId) {
    return (commandId >= kCmdChangePassword && commandId < kCmdPasswordEnd) ||
           commandId == kCmdSoftTokenExport || commandId == kCmdSoftTokenDelete ||
           commandId == kCmdDelete || commandId == kCmdCopy;
}

}  // namespace

CAdminList::CAdminList(TokenApplication& app, AdminSettings& settings, QWidget* parent)
    : QListWidget(parent),
      app_(app),
      settings_(settings),
      timers_([this](int timerId) { OnTimer(timerId); }) {
    setViewMode(QListView::IconMode);
    setIconSize(QSize(kLargeIconSize, kLargeIconSize));
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setWordWrap(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // Items keep clear of the list's border.
    setViewportMargins(0, kCaptionMargin / 2, 0, 0);
    FitSpacing();
    connect(this, &QListWidget::itemSelectionChanged, this, [this]() { OnSelectionChanged(); });
}

CAdminList::~CAdminList() {
    timers_.KillAll();
    settings_[kWidthList] = PackSize(size());
}

void CAdminList::OnInitialUpdate(CAdminMain* frame, CAdminView* view) {
    frame_ = frame;
    view_ = view;
    if (view_ != nullptr)
        view_->ShowNothing();
    FillSlotList();
    timers_.SetTimer(kFirstPollTimer, kFirstPollMs);
}

void CAdminList::ReadSlotLists() {
    cardEntries_.clear();
    softEntries_.clear();
    for (auto [name, list] : {std::pair{"SlotCard", &cardEntries_}, {"SlotSoft", &softEntries_}}) {
        for (int index = 0; index < kMaxSlotEntries; ++index) {
            std::optional<std::string> entry = app_.EnumPropertyString(name, index);
            if (!entry)
                break;
            list->push_back(std::move(*entry));
        }
    }
}

void CAdminList::FillSlotList() {
    ReadSlotLists();
    clear();
    for (const std::string& entry : cardEntries_)
        AppendItem(CardSlotLabel(entry), kIconCardSlot, AtoI(entry));
    for (const std::string& entry : softEntries_)
        AppendItem(SoftSlotLabel(entry), kIconSoftToken, AtoI(entry));
    AppendItem(ComponentsLabel(GetText(kTextProductName), GetText(kTextComponents)), kIconProgram,
               kNoSlot);
    if (frame_ != nullptr)
        frame_->UpdateMenus();
}

void CAdminList::AppendItem(const std::string& label, int iconId, int32_t slot) {
    const QString text = ToQString(label);
    // Several slots of one card carry the reader's name: the first one stands for all.
    for (int row = 0; row < count(); ++row) {
        if (item(row)->text().compare(text, Qt::CaseInsensitive) == 0)
            return;
    }
    auto* entry = new QListWidgetItem(LoadIcon(iconId), text);
    entry->setData(kSlotRole, slot);
    QString tip = text;
    tip.replace(QLatin1Char('\n'), QLatin1Char(' '));
    entry->setToolTip(tip);
    addItem(entry);
}

void CAdminList::RefreshSlots() {
    const int32_t slot = app_.GetActiveSlot(true);
    FillSlotList();
    SelectSlot(slot);
}

void CAdminList::SelectSlot(int32_t slot) {
    QListWidgetItem* target = nullptr;
    for (int row = 0; row < count(); ++row) {
        const int32_t data = SlotOf(item(row));
        if (data == kNoSlot || slot == kNoSlot || data == slot) {
            target = item(row);
            break;
        }
    }
    // An item that is already the one selected is left alone, as it tells nobody.
    if (target != nullptr && currentItem() == target && target->isSelected() &&
        selectedItems().size() == 1)
        return;
    clearSelection();
    setCurrentItem(target);
}

bool CAdminList::SelectFirstToken(int kind) {
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* candidate = item(row);
        const int32_t data = SlotOf(candidate);
        const bool wanted = kind == kCardToken   ? data >= 1 && data <= 99
                            : kind == kSoftToken ? data < 0 || data > 99
                                                 : data != kNoSlot;
        if (!wanted || data == kNoSlot)
            continue;
        const bool shown = currentItem() == candidate && candidate->isSelected();
        clearSelection();
        setCurrentItem(candidate);
        // A new selection shows the token itself; the one already selected is shown again.
        if (shown && view_ != nullptr)
            view_->ShowToken(data, kTabCertificates);
        return true;
    }
    return false;
}

int32_t CAdminList::GetSelectedSlot() const {
    for (int row = 0; row < count(); ++row) {
        if (item(row)->isSelected())
            return SlotOf(item(row));
    }
    return kNoSlot;
}

bool CAdminList::HasSlots(bool card) const {
    return card ? !cardEntries_.empty() : !softEntries_.empty();
}

void CAdminList::NudgeLayout() {
    if (view_ == nullptr)
        return;
    const QSize size = view_->size();
    view_->resize(size.width() + 1, size.height());
    view_->resize(size);
}

void CAdminList::OnTimer(int timerId) {
    if (timerId != kFirstPollTimer && timerId != kPollTimer)
        return;
    // One poll at a time: the timer runs again when this one is done.
    timers_.KillTimer(timerId);
    if (frame_ == nullptr || view_ == nullptr)
        return;
    const bool first = timerId == kFirstPollTimer;
    if (first) {
        SelectSlot(app_.GetActiveSlot(false));
    } else {
        const std::optional<std::string> event = app_.GetPropertyString("HaveSlotEvent");
        if (!event || !EqualsNoCase(*event, "true")) {
            timers_.SetTimer(kPollTimer, kPollMs);
            return;
        }
    }
    const bool readable = view_->IsTokenReadable();
    QListWidgetItem* selected = nullptr;
    for (int row = 0; row < count() && selected == nullptr; ++row) {
        if (item(row)->isSelected())
            selected = item(row);
    }
    if (!readable || selected == nullptr) {
        view_->ShowNothing();
    } else {
        const int32_t slot = SlotOf(selected);
        if (slot == kNoSlot) {
            view_->ShowComponents();
        } else if (view_->IsSameSlot(slot) || first) {
            view_->ShowToken(slot, kTabCurrent);
        } else {
            view_->ShowNothing();
        }
    }
    NudgeLayout();
    frame_->UpdateMenus();
    timers_.SetTimer(kPollTimer, kPollMs);
}

void CAdminList::ShowContextMenu(const QPoint& globalPosition) {
    if (frame_ == nullptr)
        return;
    std::unique_ptr<QMenu> menu = MakeSlotContextMenu(frame_->ActionMenu(), GetSelectedSlot());
    const int command = PopupMenuCommand(menu.get(), globalPosition);
    if (command != 0)
        OnCommand(command);
}

bool CAdminList::OnCommand(int commandId) {
    if (!IsListCommand(commandId))
        return false;
    // Without the token view there is nobody to act: the command is dropped.
    if (view_ != nullptr)
        view_->OnCommand(commandId == kCmdDelete ? kCmdSoftTokenDelete : commandId);
    return true;
}

int32_t CAdminList::SlotOf(const QListWidgetItem* entry) const {
    return entry != nullptr ? entry->data(kSlotRole).toInt() : kNoSlot;
}

void CAdminList::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenu(event->reason() == QContextMenuEvent::Keyboard ? CurrentItemPoint()
                                                                   : event->globalPos());
}

void CAdminList::keyPressEvent(QKeyEvent* event) {
    const bool menuKey = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
    if (menuKey || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        ShowContextMenu(CurrentItemPoint());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void CAdminList::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitSpacing();
}

void CAdminList::OnSelectionChanged() {
    QListWidgetItem* selected = nullptr;
    for (int row = 0; row < count() && selected == nullptr; ++row) {
        if (item(row)->isSelected())
            selected = item(row);
    }
    if (selected == nullptr || view_ == nullptr)
        return;
    const int32_t slot = SlotOf(selected);
    if (slot != kNoSlot) {
        view_->ShowToken(slot, kTabCertificates);
    } else {
        view_->ShowComponents();
    }
    NudgeLayout();
}

void CAdminList::FitSpacing() {
    // The spacing grows with the font, so that captions fit at any size and scale.
    const QFontMetrics metrics(font());
    const int width = std::max(kIconSpacingWidth,
                               metrics.averageCharWidth() * kCaptionCharacters + kCaptionMargin);
    const int height = std::max(kIconSpacingHeight, kLargeIconSize + kCaptionMargin +
                                                        kCaptionLines * metrics.lineSpacing());
    setGridSize(QSize(width, height));
    // One column of items always fits, without a scroll bar across.
    setMinimumWidth(width + 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                    spacing());
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QPoint CAdminList::CurrentItemPoint() const {
    const QListWidgetItem* current = currentItem();
    const QRect rect = current != nullptr ? visualItemRect(current) : QRect();
    return viewport()->mapToGlobal(rect.isValid() ? rect.center() : QPoint(0, 0));
}

}  // namespace orx
