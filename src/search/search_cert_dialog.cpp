#include "search/search_cert_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>
#include <functional>

#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/language.h"
#include "core/string_helpers.h"
#include "core/text_encoding.h"
#include "core/text_fields.h"
#include "core/trace.h"
#include "der/cert_inspection.h"
#include "der/cert_store.h"
#include "der/cert_view.h"
#include "dialogs/message_box.h"
#include "dialogs/save_file.h"
#include "directory/vcard_writer.h"
#include "search/directory_dialog.h"
#include "search/directory_records.h"
#include "search/search_dialog_ids.h"
#include "search/search_filter.h"
#include "search/search_hand_off.h"
#include "search/search_worker.h"
#include "token/token_application.h"
#include "ui/file_dialog.h"
#include "ui/item_registry.h"
#include "ui/native_window.h"
#include "ui/owner_draw_list.h"
#include "ui/qt_text.h"
#include "ui/system_colors.h"

namespace orx {

bool SearchTemplatesRegistered();

namespace {

constexpr int kCloseWaitTimer = 1;
constexpr int kCloseWaitMs = 333;
constexpr int kRowIdRole = Qt::UserRole + 7;
constexpr size_t kSortTextCapacity = 256;
constexpr size_t kFileNameCapacity = 260;
constexpr std::string_view kCommonNameOid = "2.5.4.3";
constexpr std::string_view kWidthKeys[kSearchColumnCount] = {"WidthSearchCert0", "WidthSearchCert1",
                                                             "WidthSearchCert2"};
constexpr int kColumnTexts[kSearchColumnCount] = {kTextName, kTextEmail, kTextInstalled};
// The controls that lie on the tab pages and take the pages' background.
constexpr int kOnPage[] = {kIdNameLabel, kIdEmailLabel,    kIdFilterLabel,  kIdSimple,
                           kIdAdvanced,  kIdEditDirectory, kIdAddDirectory, kIdDeleteDirectory};

// "%d found" with the number.
std::string FoundText(int found) {
    std::string text = GetText(kTextFoundCount);
    const size_t at = text.find("%d");
    if (at != std::string::npos)
        text.replace(at, 2, std::to_string(found));
    return text;
}

std::string ColumnTitle(int stringId) {
    std::string text = GetText(stringId);
    RemoveChars(text, "&:");
    return text;
}

// Bottom-up merge sort: stable, and well-defined for the list's comparison, which
// takes a text and its prefix as equal and is therefore no strict ordering.
template <typename T, typename Compare>
void MergeSort(std::vector<T>& items, Compare less) {
    std::vector<T> merged(items.size());
    for (size_t width = 1; width < items.size(); width *= 2) {
        for (size_t left = 0; left < items.size(); left += 2 * width) {
            const size_t middle = std::min(left + width, items.size());
            const size_t right = std::min(left + 2 * width, items.size());
            size_t a = left;
            size_t b = middle;
            size_t out = left;
            while (a < middle && b < right)
                merged[out++] = less(items[b], items[a]) ? items[b++] : items[a++];
            while (a < middle)
                merged[out++] = items[a++];
            while (b < right)
                merged[out++] = items[b++];
        }
        items.swap(merged);
    }
}

// Watches the application's colours for the dialog: its tab pages follow a change
// of theme as the rest of the window does.
class PaletteWatch : public QObject {
  public:
    PaletteWatch(QObject* parent, std::function<void()> changed)
        : QObject(parent), changed_(std::move(changed)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ApplicationPaletteChange ||
            (event->type() == QEvent::PaletteChange && watched == parent())) {
            changed_();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> changed_;
};

}  // namespace

CDlgSearchCert::CDlgSearchCert(TokenApplication& app, QWidget* parent)
    : Dlg(kTemplateSearchCert, parent),
      app_(app),
      handOff_(std::make_unique<SearchHandOff>()),
      // The light theme's base colour is the white of the original page.
      background_(GetSysColor(SysColor::Base)) {
    (void)SearchTemplatesRegistered();
}

// The worker cancels and joins its search when it goes.
CDlgSearchCert::~CDlgSearchCert() = default;

bool CDlgSearchCert::OnInitDialog() {
    Trace("SearchCert - OnInitDialog ...");
    Dlg::OnInitDialog();
    SetupResultList();
    SetTexts();
    int32_t maxFound = kDefaultMaxFound;
    maxFound_ = ConfigReadInt(kDirectorySection, "MaxFound", maxFound) == kConfigOk
                    ? maxFound
                    : kDefaultMaxFound;
    SetItemText(kIdStatus, "");
    ApplyBackground();
    Window()->installEventFilter(new PaletteWatch(Window(), [this] { ApplyBackground(); }));

    // Rows come from the worker's thread; they are applied here, in order.
    QObject::connect(
        handOff_.get(), &SearchHandOff::rowAdded, Window(),
        [this](const FoundRow& row) { OnRowAdded(row); }, Qt::QueuedConnection);
    QObject::connect(
        handOff_.get(), &SearchHandOff::rowRemoved, Window(), [this](int id) { OnRowRemoved(id); },
        Qt::QueuedConnection);
    QObject::connect(
        handOff_.get(), &SearchHandOff::searchEnded, Window(), [this] { OnSearchEnded(); },
        Qt::QueuedConnection);
    if (auto* simple = qobject_cast<QRadioButton*>(GetItem(kIdSimple))) {
        QObject::connect(simple, &QRadioButton::toggled, Window(), [this] { OnRadioChange(); });
    }

    FillDirectoryList();
    UpdateButtons();
    OnTabChange();
    SetChecked(kIdSimple, true);
    OnRadioChange();
    OnChange();
    if (QWidget* name = GetItem(kIdNameEdit))
        name->setFocus(Qt::OtherFocusReason);
    Trace("SearchCert - OnInitDialog ... done");
    return true;
}

void CDlgSearchCert::SetupResultList() {
    results_ = COwnerDrawList::ReplaceControl(GetItem(kIdResultList), nullptr, kIdResultList);
    if (!results_)
        return;
    results_->SetShowSelectionAlways(true);
    results_->setSortingEnabled(false);
    QHeaderView* header = results_->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    for (int column = 0; column < kSearchColumnCount; ++column) {
        int32_t width = kDefaultSearchColumnWidths[column];
        if (ConfigReadInt("Display", kWidthKeys[column], width) != kConfigOk || width <= 0)
            width = kDefaultSearchColumnWidths[column];
        results_->InsertColumn(column, ToQString(ColumnTitle(kColumnTexts[column])), Qt::AlignLeft,
                               width);
    }
    // The placeholder's routes went with it.
    QObject::connect(results_->selectionModel(), &QItemSelectionModel::selectionChanged, Window(),
                     [this] { UpdateButtons(); });
    QObject::connect(results_, &QTreeWidget::itemDoubleClicked, Window(), [this] { OnView(); });
    QObject::connect(header, &QHeaderView::sectionClicked, Window(),
                     [this](int column) { OnSort(column); });
}

void CDlgSearchCert::SetTexts() {
    SetTitle(kTextSearchCertificates);
    if (auto* tabs = qobject_cast<QTabWidget*>(GetItem(kIdSearchTabs))) {
        tabs->setTabText(0, ToQString(GetText(kTextCriteriaTab)));
        tabs->setTabText(1, ToQString(GetText(kTextDirectoryTab)));
    }
    const struct {
        int id;
        int text;
    } texts[] = {{kIdSimple, kTextSimple},
                 {kIdNameLabel, kTextName},
                 {kIdEmailLabel, kTextEmail},
                 {kIdAdvanced, kTextAdvanced},
                 {kIdFilterLabel, kTextFilter},
                 {kIdEditDirectory, kTextEditDirectory},
                 {kIdAddDirectory, kTextAddDirectory},
                 {kIdDeleteDirectory, kTextDeleteDirectory},
                 {kIdOk, kTextSearch},
                 {kIdView, kTextView},
                 {kIdInstall, kTextInstall},
                 {kIdExport, kTextExport},
                 {kIdCancel, kTextClose}};
    for (const auto& t : texts)
        SetItemTextById(t.id, t.text);
}

const QBrush* CDlgSearchCert::OnCtlColor(QWidget* control, int /*kind*/) {
    const int id = ItemId(control);
    return std::find(std::begin(kOnPage), std::end(kOnPage), id) != std::end(kOnPage) ? &background_
                                                                                      : nullptr;
}

void CDlgSearchCert::ApplyBackground() {
    background_ = QBrush(GetSysColor(SysColor::Base));
    auto paint = [this](QWidget* widget, bool fill) {
        if (widget == nullptr)
            return;
        QPalette palette = widget->palette();
        palette.setBrush(QPalette::Window, background_);
        widget->setPalette(palette);
        widget->setAutoFillBackground(fill);
    };
    // The pages are filled; what lies on them lets the page show through, as a
    // button's own fill would take the button face's colour.
    paint(GetItem(kIdCriteriaPage), true);
    paint(GetItem(kIdDirectoryPage), true);
    for (int id : kOnPage)
        paint(GetItem(id), false);
}

bool CDlgSearchCert::OnCommand(int commandId, int extra) {
    switch (commandId) {
        case kIdDirectoryList:
            OnChange();
            return true;
        case kIdView:
            OnView();
            return true;
        case kIdInstall:
            OnInstall();
            return true;
        case kIdExport:
            OnExport();
            return true;
        case kIdAddDirectory:
            OnNewDirectory();
            return true;
        case kIdEditDirectory:
            OnEditDirectory();
            return true;
        case kIdDeleteDirectory:
            OnDeleteDirectory();
            return true;
        default:
            return Dlg::OnCommand(commandId, extra);
    }
}

int CDlgSearchCert::OnNotify(int controlId, int code) {
    if (controlId == kIdSearchTabs && code == kNotifyTabChanged)
        OnTabChange();
    return Dlg::OnNotify(controlId, code);
}

void CDlgSearchCert::OnTabChange() {
    // Each tab's controls live on its page, which the tab control shows and hides.
    auto* tabs = qobject_cast<QTabWidget*>(GetItem(kIdSearchTabs));
    Trace("SearchCert - OnTabChange %d", tabs != nullptr ? tabs->currentIndex() : -1);
}

void CDlgSearchCert::OnRadioChange() {
    const bool simple = IsChecked(kIdSimple);
    for (int id : {kIdNameLabel, kIdNameEdit, kIdEmailLabel, kIdEmailEdit}) {
        if (QWidget* item = GetItem(id))
            item->setEnabled(simple);
    }
    for (int id : {kIdFilterLabel, kIdFilterEdit}) {
        if (QWidget* item = GetItem(id))
            item->setEnabled(!simple);
    }
    if (!simple && GetItemText(kIdFilterEdit).empty())
        OnChange();
}

void CDlgSearchCert::OnChange() {
    std::string filter;
    if (GetDirectoryInfo(nullptr, nullptr, &filter))
        SetItemText(kIdFilterEdit, AnsiToUtf8(filter));
}

void CDlgSearchCert::FillDirectoryList() {
    Trace("SearchCert - FillDirectoryList ...");
    auto* list = qobject_cast<QComboBox*>(GetItem(kIdDirectoryList));
    if (list != nullptr) {
        list->clear();
        for (const DirectoryListEntry& entry : ReadDirectoryList())
            AddDirectoryEntry(entry.number, Utf8ToAnsi(entry.description));
        list->setCurrentIndex(list->count() > 0 ? LastDirectoryPosition(list->count()) : -1);
    }
    Trace("SearchCert - FillDirectoryList ... done");
}

void CDlgSearchCert::AddDirectoryEntry(int number, const std::string& description) {
    auto* list = qobject_cast<QComboBox*>(GetItem(kIdDirectoryList));
    if (list == nullptr)
        return;
    // A sorted list, as people look a name up.
    const QString text = ToQString(description);
    int at = 0;
    while (at < list->count() && QString::localeAwareCompare(list->itemText(at), text) <= 0)
        ++at;
    list->insertItem(at, text, number);
    list->setCurrentIndex(at);
}

int CDlgSearchCert::SelectedDirectoryNumber() const {
    auto* list = qobject_cast<QComboBox*>(GetItem(kIdDirectoryList));
    if (list == nullptr || list->currentIndex() < 0)
        return -1;
    return list->currentData().toInt();
}

bool CDlgSearchCert::GetDirectoryInfo(std::string* url, std::string* base, std::string* filter) {
    for (std::string* field : {url, base, filter}) {
        if (field != nullptr)
            field->clear();
    }
    const int number = SelectedDirectoryNumber();
    const bool ok = number >= 0;
    if (ok) {
        const DirectoryRecord record =
            SplitDirectoryRecord(Utf8ToAnsi(ReadDirectoryRecord(number)));
        if (url != nullptr)
            *url = record.url;
        if (base != nullptr)
            *base = record.base;
        if (filter != nullptr)
            *filter = record.filter;
    }
    Trace("SearchCert - GetDirectoryInfo ... %s", ok ? "OK" : "FAILED");
    return ok;
}

void CDlgSearchCert::OnOK() {
    Trace("SearchCert - OnOK ...");
    if (worker_) {
        if (QWidget* button = GetItem(kIdOk))
            button->setEnabled(false);
        worker_->Cancel();
        Trace("SearchCert - OnOK ... done");
        return;
    }
    ClearResults();
    SearchRequest request;
    if (!GetDirectoryInfo(&request.url, &request.base, nullptr)) {
        if (auto* tabs = qobject_cast<QTabWidget*>(GetItem(kIdSearchTabs)))
            tabs->setCurrentIndex(1);
        ShowError(Window(), kMessageNoDirectory);
        Trace("SearchCert - OnOK ... done");
        return;
    }
    request.simple = IsChecked(kIdSimple);
    request.filter =
        request.simple
            ? BuildSimpleFilter(GetItemText(kIdNameEdit), GetItemText(kIdEmailEdit))
            : std::string(CutToCapacity(GetItemText(kIdFilterEdit), kSearchFilterCapacity));
    request.maxFound = maxFound_;
    worker_ = std::make_unique<SearchWorker>(&app_, *handOff_, std::move(request));
    if (!worker_->Start()) {
        worker_.reset();
        Trace("SearchCert - OnOK ... done");
        return;
    }
    SetItemTextById(kIdOk, kTextCancel);
    // Busy, but still answering: every other command stays within reach.
    Window()->setCursor(Qt::BusyCursor);
    Trace("SearchCert - OnOK ... done");
}

void CDlgSearchCert::OnRowAdded(const FoundRow& row) {
    if (closing_ || !results_)
        return;
    const int at = results_->InsertItem(results_->topLevelItemCount(), ToQString(row.name));
    results_->SetItemText(at, 1, ToQString(row.email));
    results_->SetItemText(
        at, 2, row.installedText != 0 ? ToQString(GetText(row.installedText)) : QString());
    results_->topLevelItem(at)->setData(0, kRowIdRole, row.id);
    rows_.push_back({row.id, row.certificate});
    found_ = row.found;
    if (found_ > 2)
        SetItemText(kIdStatus, FoundText(found_));
}

void CDlgSearchCert::OnRowRemoved(int id) {
    if (closing_ || !results_)
        return;
    const int at = FindRow(id);
    if (at >= 0)
        delete results_->takeTopLevelItem(at);
    std::erase_if(rows_, [id](const Row& row) { return row.id == id; });
    UpdateButtons();
}

void CDlgSearchCert::OnSearchEnded() {
    worker_.reset();
    if (closing_) {
        FinishClose();
        return;
    }
    SetIdle();
}

void CDlgSearchCert::SetIdle() {
    SetItemTextById(kIdOk, kTextSearch);
    if (QWidget* button = GetItem(kIdOk))
        button->setEnabled(true);
    if (Window() != nullptr)
        Window()->unsetCursor();
    UpdateButtons();
}

int CDlgSearchCert::FindRow(int id) const {
    if (!results_)
        return -1;
    for (int row = 0; row < results_->topLevelItemCount(); ++row) {
        if (results_->topLevelItem(row)->data(0, kRowIdRole).toInt() == id)
            return row;
    }
    return -1;
}

const CertRecord* CDlgSearchCert::RowCertificate(int row) const {
    if (!results_ || results_->topLevelItem(row) == nullptr)
        return nullptr;
    const int id = results_->topLevelItem(row)->data(0, kRowIdRole).toInt();
    const auto it =
        std::find_if(rows_.begin(), rows_.end(), [id](const Row& r) { return r.id == id; });
    return it != rows_.end() ? it->certificate.get() : nullptr;
}

std::vector<int> CDlgSearchCert::SelectedRows() const {
    std::vector<int> rows;
    if (!results_)
        return rows;
    for (int row = 0; row < results_->topLevelItemCount(); ++row) {
        if (results_->topLevelItem(row)->isSelected())
            rows.push_back(row);
    }
    return rows;
}

void CDlgSearchCert::ClearResults() {
    SetItemText(kIdStatus, "");
    if (results_)
        results_->clear();
    rows_.clear();
    found_ = 0;
    UpdateButtons();
}

void CDlgSearchCert::UpdateButtons() {
    Trace("SearchCert - UpdateButtons ...");
    const bool selected = !SelectedRows().empty();
    for (int id : {kIdView, kIdInstall, kIdExport}) {
        if (QWidget* button = GetItem(id))
            button->setEnabled(selected);
    }
    Trace("SearchCert - UpdateButtons ... done");
}

int CDlgSearchCert::SortCompare(QTreeWidgetItem* a, QTreeWidgetItem* b) const {
    Trace("SearchCert - SortFunc ...");
    const std::string first(CutToCapacity(ToUtf8(a->text(sortColumn_)), kSortTextCapacity));
    const std::string second(CutToCapacity(ToUtf8(b->text(sortColumn_)), kSortTextCapacity));
    // Over the shorter text: a text and its prefix compare equal.
    int result = StrCompareN(first, second, std::min(first.size(), second.size()));
    if (!ascending_)
        result = -result;
    Trace("SearchCert - SortFunc ... done");
    return result;
}

void CDlgSearchCert::OnSort(int column) {
    Trace("SearchCert - OnSort ...");
    if (results_ && column >= 0 && column < kSearchColumnCount) {
        if (column == sortColumn_) {
            ascending_ = !ascending_;
        } else {
            ascending_ = true;
            sortColumn_ = column;
        }
        // The selection lives in the view: taken out, an item forgets it.
        const QList<QTreeWidgetItem*> selected = results_->selectedItems();
        QTreeWidgetItem* current = results_->currentItem();
        std::vector<QTreeWidgetItem*> items;
        while (results_->topLevelItemCount() > 0)
            items.push_back(results_->takeTopLevelItem(0));
        MergeSort(items,
                  [this](QTreeWidgetItem* a, QTreeWidgetItem* b) { return SortCompare(a, b) < 0; });
        for (QTreeWidgetItem* item : items)
            results_->addTopLevelItem(item);
        if (current != nullptr)
            results_->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
        for (QTreeWidgetItem* item : selected)
            item->setSelected(true);
        results_->header()->setSortIndicatorShown(true);
        results_->header()->setSortIndicator(sortColumn_,
                                             ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
    Trace("SearchCert - OnSort ... done");
}

void CDlgSearchCert::OnView() {
    for (int row : SelectedRows())
        CertView(nullptr, RowCertificate(row));
}

void CDlgSearchCert::OnInstall() {
    std::optional<CertStore> store = OpenUserStore("AddressBook");
    if (!store)
        return;
    for (int row : SelectedRows()) {
        DerBytes der;
        if (CertGetData(RowCertificate(row), &der) && store->Add(der))
            results_->SetItemText(row, 2, ToQString(GetText(kTextOtherPeople)));
    }
}

void CDlgSearchCert::OnExport() {
    for (int row : SelectedRows()) {
        if (!ExportRow(row))
            break;
    }
}

bool CDlgSearchCert::ExportRow(int row) {
    const CertRecord* certificate = RowCertificate(row);
    if (certificate == nullptr)
        return true;
    std::string fileName;
    const auto& subject = certificate->certificate.NameText(kSubject);
    std::string commonName;
    if (subject &&
        GetNameAttribute(Utf8ToAnsi(*subject), kCommonNameOid, commonName, kFileNameCapacity)) {
        // A name is a file name here, never a path.
        std::replace(commonName.begin(), commonName.end(), '/', '_');
        fileName = commonName + ".vcf";
    }
    const std::string filter = GetText(kTextBusinessCard);
    // A cancelled dialog skips this row; the next one is offered.
    SaveFileAsking(
        Window(), "SearchCert", filter, "vcf", fileName,
        [&](const std::string& path) { return WriteVCard(path, certificate->certificate); },
        kFileNameCapacity);
    return true;
}

void CDlgSearchCert::OnNewDirectory() {
    CDlgDirectory dialog(Window());
    if (dialog.DoModal() == kIdOk) {
        const int number = FirstFreeDirectoryNumber();
        std::string record;
        dialog.GetRecord(record, kDirectoryRecordCapacity);
        const std::string key = std::to_string(number);
        app_.ConfigSetString(false, kDirectorySection, key, record);
        app_.InvokeWithParent(NativeWindowId(Window()), "ApplyConfig");
        std::string stored;
        ConfigReadString(kDirectorySection, key, stored, kDirectoryRecordCapacity);
        if (stored.empty()) {
            ShowError(Window(), kMessageDirectoryNotStored);
        } else {
            AddDirectoryEntry(number, GetField(stored, '|', 0, kDirectoryFieldCapacity));
            configChanged_ = true;
        }
    }
    OnChange();
}

void CDlgSearchCert::OnEditDirectory() {
    const int number = SelectedDirectoryNumber();
    std::string record;
    if (number >= 0)
        ConfigReadString(kDirectorySection, std::to_string(number), record,
                         kDirectoryRecordCapacity);
    if (record.empty()) {
        OnNewDirectory();
        return;
    }
    CDlgDirectory dialog(Window());
    dialog.SetRecord(record);
    if (dialog.DoModal() == kIdOk) {
        std::string edited;
        dialog.GetRecord(edited, kDirectoryRecordCapacity);
        StoreDirectoryRecord(number, edited);
        std::string stored;
        ConfigReadString(kDirectorySection, std::to_string(number), stored,
                         kDirectoryRecordCapacity);
        if (stored.empty()) {
            ShowError(Window(), kMessageDirectoryNotStored);
        } else if (auto* list = qobject_cast<QComboBox*>(GetItem(kIdDirectoryList))) {
            list->removeItem(list->currentIndex());
            AddDirectoryEntry(number, GetField(stored, '|', 0, kDirectoryFieldCapacity));
            configChanged_ = true;
        }
    }
    OnChange();
}

void CDlgSearchCert::OnDeleteDirectory() {
    const int number = SelectedDirectoryNumber();
    if (number < 1) {
        ShowError(Window(), kMessageDirectoryNotStored);
    } else {
        StoreDirectoryRecord(number, "");
        std::string stored;
        ConfigReadString(kDirectorySection, std::to_string(number), stored, 8);
        if (!stored.empty()) {
            ShowError(Window(), kMessageDirectoryNotStored);
        } else if (auto* list = qobject_cast<QComboBox*>(GetItem(kIdDirectoryList))) {
            list->removeItem(list->currentIndex());
            list->setCurrentIndex(list->count() > 0 ? 0 : -1);
            configChanged_ = true;
        }
    }
    OnChange();
}

void CDlgSearchCert::OnSize(int /*width*/, int /*height*/) {
    // The template's layouts place every control; what is left is the trace.
    Trace("SearchCert - OnSize ...");
    Trace("SearchCert - OnSize ... done");
}

void CDlgSearchCert::SaveState() {
    if (results_) {
        for (int column = 0; column < kSearchColumnCount; ++column)
            ConfigWriteInt("Display", kWidthKeys[column], results_->header()->sectionSize(column));
    }
    if (auto* list = qobject_cast<QComboBox*>(GetItem(kIdDirectoryList)))
        ConfigWriteInt(kDirectorySection, "Last", list->currentIndex());
}

void CDlgSearchCert::OnCancel() {
    if (closing_)
        return;
    Trace("SearchCert - OnDestroy ...");
    closing_ = true;
    if (worker_)
        worker_->Cancel();
    if (Parent() != nullptr)
        Parent()->update();
    SaveState();
    ClearResults();
    if (configChanged_)
        app_.Invoke("ApplyConfig");
    if (worker_ && !worker_->HasEnded()) {
        // The window goes on painting while the worker finishes its last wait; its
        // end signal (or the poll) closes it.
        if (QWidget* window = Window())
            window->setEnabled(false);
        SetTimer(kCloseWaitTimer, kCloseWaitMs);
        return;
    }
    FinishClose();
}

void CDlgSearchCert::OnTimer(int timerId) {
    if (timerId == kCloseWaitTimer && (!worker_ || worker_->HasEnded()))
        FinishClose();
}

void CDlgSearchCert::FinishClose() {
    if (finished_)
        return;
    finished_ = true;
    KillTimer(kCloseWaitTimer);
    worker_.reset();
    Trace("SearchCert - OnDestroy ... done");
    Dlg::OnCancel();
}

}  // namespace orx
