// The Search Certificates dialog: finds other people's certificates in the
// configured LDAP directories, lists them, views them, installs them into the
// user's "AddressBook" store and exports them as vCards; and keeps the list of
// directories. A search runs on one worker thread at a time; the dialog stays
// answering meanwhile and gets the worker's finished rows through queued signals.
#pragma once

#include <QBrush>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/dlg.h"
#include "search/search_logic.h"
#include "ui/owner_draw_list.h"

class QTreeWidgetItem;

namespace orx {

class SearchHandOff;
class SearchWorker;
class TokenApplication;

inline constexpr int kSearchColumnCount = 3;
inline constexpr int kDefaultSearchColumnWidths[kSearchColumnCount] = {140, 220, 75};

class CDlgSearchCert : public Dlg {
  public:
    CDlgSearchCert(TokenApplication& app, QWidget* parent);
    // Never leaves a worker running: cancels and waits for it.
    ~CDlgSearchCert() override;

    bool OnInitDialog() override;
    bool OnCommand(int commandId, int extra) override;
    int OnNotify(int controlId, int code) override;
    // Button 1: starts a search, or asks the running one to stop.
    void OnOK() override;
    // Button 2, Escape and the window's close: ends the dialog once no worker runs.
    void OnCancel() override;
    void OnTimer(int timerId) override;
    void OnSize(int width, int height) override;
    const QBrush* OnCtlColor(QWidget* control, int kind) override;

    void OnTabChange();
    void OnRadioChange();
    void OnChange();
    void UpdateButtons();
    void OnSort(int column);
    void OnView();
    void OnInstall();
    void OnExport();
    void OnNewDirectory();
    void OnEditDirectory();
    void OnDeleteDirectory();
    void ClearResults();
    // The selected directory's fields (any may be nullptr); false without a selection.
    bool GetDirectoryInfo(std::string* url, std::string* base, std::string* filter);
    void FillDirectoryList();

    bool Searching() const { return worker_ != nullptr; }
    bool Closing() const { return closing_; }
    int Found() const { return found_; }
    int MaxFound() const { return maxFound_; }
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return ascending_; }
    COwnerDrawList* Results() const { return results_; }
    // The certificate a row of the result list holds.
    const CertRecord* RowCertificate(int row) const;

  private:
    struct Row {
        int id;
        std::shared_ptr<const CertRecord> certificate;
    };

    void OnRowAdded(const FoundRow& row);
    void OnRowRemoved(int id);
    void OnSearchEnded();
    void SetIdle();
    void FinishClose();
    void SaveState();
    void ApplyBackground();
    void SetTexts();
    void SetupResultList();
    int SortCompare(QTreeWidgetItem* a, QTreeWidgetItem* b) const;
    int FindRow(int id) const;
    bool ExportRow(int row);
    void AddDirectoryEntry(int number, const std::string& description);
    int SelectedDirectoryNumber() const;
    std::vector<int> SelectedRows() const;

    TokenApplication& app_;
    std::unique_ptr<SearchHandOff> handOff_;
    // After the hand-off: the worker goes first, so that nothing emits into a
    // hand-off that is gone.
    std::unique_ptr<SearchWorker> worker_;
    QPointer<COwnerDrawList> results_;
    std::vector<Row> rows_;
    QBrush background_;
    int found_ = 0;
    int maxFound_ = kDefaultMaxFound;
    bool ascending_ = true;
    int sortColumn_ = 0;
    bool configChanged_ = false;
    bool closing_ = false;
    bool finished_ = false;
};

}  // namespace orx
