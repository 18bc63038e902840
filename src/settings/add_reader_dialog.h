// The Add reader dialog: a reader name typed or picked from the readers the
// module knows.
#pragma once

#include <string>
#include <string_view>

#include "dialogs/dlg.h"

namespace orx {

class CAddReaderDlg : public Dlg {
  public:
    // `names`: the offered reader names, each followed by ";".
    CAddReaderDlg(QWidget* parent, std::string_view names);

    bool OnInitDialog() override;
    // An empty name ends the dialog as cancelled.
    void OnOK() override;

    // The name in the list's edit field when the dialog ended with OK.
    const std::string& Name() const { return name_; }

  private:
    std::string names_;
    std::string name_;
};

}  // namespace orx
