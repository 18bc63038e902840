// Dialog 218, "Data Properties": the description and the value of one data box
// entry, empty for a new entry ("Add") or filled for one that is edited ("Edit").
// OK is offered only while both, without their blanks at either end, are not empty.
#pragma once

#include <string>
#include <string_view>

#include "dialogs/dlg.h"

namespace orx {

class CDlgDataProperties : public Dlg {
  public:
    CDlgDataProperties(QWidget* parent, std::string_view description, std::string_view value);

    bool OnInitDialog() override;
    bool OnCommand(int commandId, int extra) override;
    void OnOK() override;
    void OnHelp() override;

    // After OK: both texts without blanks at either end.
    const std::string& Description() const { return description_; }
    const std::string& Value() const { return value_; }

  private:
    void UpdateOk();

    std::string description_;
    std::string value_;
};

}  // namespace orx
