// Where the module's password dialogs come from: the pinentry program (the test
// variable, the setting "Pinentry"/"Program", or what the desktop offers) with the
// program's window as parent, and a conversation started ahead of an operation that
// will likely ask, so that the program's start overlaps the operation's own work.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "prompts/departures.h"
#include "prompts/pinentry.h"

namespace orx {

inline constexpr std::string_view kPinentrySection = "Pinentry";
inline constexpr std::string_view kPinentryKey = "Program";

class PromptSource {
  public:
    // Re-reads the configured program.
    void LoadSettings();
    void SetParentWindow(uint64_t window) { parent_ = window; }

    // A conversation of its own.
    std::unique_ptr<Pinentry> Open() const;
    // The conversation started ahead, else one of its own.
    std::unique_ptr<Pinentry> Take();
    // Starts a conversation ahead of its first question; nothing is shown yet.
    void Launch();
    bool launched() const { return ready_ != nullptr; }
    // The operation is over: a conversation started ahead and not used ends.
    void DropLaunched() { ready_.reset(); }
    // The operation is over: the programs of its conversations are reaped.
    void Settle() { departures_.Settle(); }

  private:
    std::string program_;
    uint64_t parent_ = 0;
    // Declared before the conversation started ahead, which ends into it.
    mutable Departures departures_;
    std::unique_ptr<Pinentry> ready_;
};

}  // namespace orx
