// The Directory property dialog: description, URL, search base and default filter
// of one directory, for a new record ("Add") or a given one ("Edit").
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dialogs/dlg.h"
#include "search/directory_records.h"

namespace orx {

class CDlgDirectory : public Dlg {
  public:
    explicit CDlgDirectory(QWidget* parent);

    // Before the dialog is shown: the record to edit, in UTF-8.
    void SetRecord(std::string_view record);
    // After OK: the record in UTF-8, when it is shorter than `size`; true when it
    // is not empty.
    bool GetRecord(std::string& record, size_t size = kDirectoryRecordCapacity) const;

    bool OnInitDialog() override;
    bool OnCommand(int commandId, int extra) override;
    void OnOK() override;

  private:
    void UpdateOk();

    std::optional<std::string> given_;  // in the system code page
    std::string result_;                // in the system code page
};

}  // namespace orx
