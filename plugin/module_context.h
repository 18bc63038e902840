// One context of the module (PlgInitialize hands out one per caller): the soft
// token folder, the active slot, the logins with their keys, the inputs set for
// the next operation and the text last handed out. Nothing of it is static, so an
// unload that leaves the module mapped cannot carry a login over.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "card_slots.h"
#include "slot_registry.h"
#include "token_crypto.h"
#include "token_store.h"

namespace orx {

// PKCS#11 return values that the module answers.
inline constexpr int kResultOk = 0;
inline constexpr int kResultCancelled = 1;
inline constexpr int kResultFailed = 6;
inline constexpr int kResultArgumentsBad = 7;
inline constexpr int kResultBadContent = 19;
inline constexpr int kResultNotSupported = 84;
inline constexpr int kResultNotPresent = 224;

// The module's own settings in the configuration store.
inline constexpr std::string_view kPinentrySection = "Pinentry";
inline constexpr std::string_view kPinentryKey = "Program";

// The soft tokens' folder: $XDG_DATA_HOME/<prefix>/tokens/.
std::string SoftTokenFolder();

class ModuleContext {
  public:
    ModuleContext();
    ~ModuleContext();  // ends every login
    ModuleContext(const ModuleContext&) = delete;
    ModuleContext& operator=(const ModuleContext&) = delete;

    void SetParentWindow(uint64_t window) { parent_ = window; }
    void SetProperty(std::string_view name, const char* value);
    // The answers stay valid until the next call on this context.
    const char* GetProperty(std::string_view name);
    const char* EnumProperty(std::string_view name, std::string_view index);
    int Invoke(std::string_view operation);
    // Drops cached slot data and the inputs; logins stay.
    void Clear();

  private:
    struct Session {
        std::string stem;
        TokenKey key;
    };

    const char* Answer(std::optional<std::string> value);

    // properties_slots.cpp
    std::optional<std::string> StateProperty(std::string_view name);
    std::optional<std::string> SlotEntry(std::string_view name, int index);
    std::optional<std::string> TokenInfo();
    bool IsLoggedIn(int slotId);

    // properties_config.cpp
    static bool IsConfigName(std::string_view name);
    std::optional<std::string> GetConfig(std::string_view name);
    void SetConfig(std::string_view name, const char* value);
    void LoadModuleSettings();

    // operations_token.cpp
    int CreateToken();
    int DeleteToken();
    int Login();
    int ChangePassword();
    int About();
    std::string TokenLabelFor(const SoftSlot& slot) const;

    void EndLogin(int slotId);
    void EndAllLogins();
    std::string Input(std::string_view name) const;

    TokenStore store_;
    SlotRegistry slots_;
    CardSlots cards_;
    int activeSlot_ = 0;
    uint64_t parent_ = 0;
    uint64_t stamp_ = 0;
    std::map<int, Session> sessions_;
    std::map<std::string, std::string, std::less<>> inputs_;
    std::string pinentryProgram_;
    std::string answer_;
};

}  // namespace orx
