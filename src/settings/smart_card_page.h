// The Smart Card page: how often readers are searched, how cards are shared, when
// a session locks, which readers may be used, and the smart card logon. Every value
// is machine-wide and written only when it changed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings_page.h"

namespace orx {

class CSmartCardPage : public CSettingsPage {
  public:
    explicit CSmartCardPage(CSettingsSheet& sheet);

    bool OnStart() override;
    void SetTexts() override;
    bool IsModified() override;
    void Load() override;
    void UpdateControls() override;
    void Save() override;
    bool OnCommand(int commandId, int extra) override;

    // The operations this page adds, in order.
    virtual void AddReader();
    virtual void DeleteReader();
    // The list shows the names of a ";"-separated text, or the placeholder for
    // "every reader" when there are none.
    virtual void FillReaderList(std::string_view text);
    // The listed names, each followed by ";", shorter than `size`.
    virtual std::string GetReaderList(size_t size);

    // The values loaded last.
    int32_t Detect() const { return detect_; }
    int32_t Mode() const { return mode_; }
    int32_t LockTimeout() const { return lockTimeout_; }

  protected:
    std::vector<int> Headings() const override;

  private:
    int32_t detect_ = 0;
    int32_t mode_ = 0;
    int32_t lockTimeout_ = 0;
    bool enableLogon_ = true;
    std::string accepted_;
};

}  // namespace orx
