// Dialog 238: the name of a soft token that is made or added. OK is offered only
// while the name that would be used is not empty.
#pragma once

#include <string>
#include <string_view>

#include "dialogs/dlg.h"

namespace orx {

class CDlgTokenName : public Dlg {
  public:
    CDlgTokenName(QWidget* parent, std::string_view proposed);

    bool OnInitDialog() override;
    bool OnCommand(int commandId, int extra) override;
    void OnOK() override;
    void OnHelp() override;

    // After OK: the name as typed, sanitised (SanitizeTokenName).
    const std::string& Name() const { return name_; }

  private:
    void UpdateOk();

    std::string proposed_;
    std::string name_;
};

}  // namespace orx
