// The Components page: the certificate propagation of the CryptoAPI part (the
// user's own values), the automatic closing of secure sessions, the browser plug-in
// components and the logon component (machine-wide values).
#pragma once

#include <array>

#include "settings/settings_page.h"

namespace orx {

class CComponentsPage : public CSettingsPage {
  public:
    explicit CComponentsPage(CSettingsSheet& sheet);

    bool OnStart() override;
    void SetTexts() override;
    bool IsModified() override;
    void Load() override;
    void UpdateControls() override;
    void Save() override;
    // The three propagation details follow their master box, and asking before
    // closing follows automatic closing.
    void OnChange() override;

  protected:
    std::vector<int> Headings() const override;

  private:
    // One per check box, in the order of the page.
    std::array<bool, 8> flags_{};
    bool logonInstalled_ = false;
};

}  // namespace orx
