// The View page: the user interface language (the user's own value) and where the
// program shows itself (machine-wide values).
#pragma once

#include <string>

#include "settings/settings_page.h"

namespace orx {

class CViewPage : public CSettingsPage {
  public:
    explicit CViewPage(CSettingsSheet& sheet);

    bool OnStart() override;
    void SetTexts() override;
    bool IsModified() override;
    void Load() override;
    void UpdateControls() override;
    void Save() override;

    const std::string& CurrentLanguage() const { return language_; }

  protected:
    std::vector<int> Headings() const override;

  private:
    std::string language_;
    bool taskbarIcon_ = true;
    bool explorerMenu_ = true;
    bool startMenu_ = true;
};

}  // namespace orx
