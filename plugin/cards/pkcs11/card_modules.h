// The PKCS#11 modules that serve cards: those registered with p11-kit (unless
// "PKCS11"/"System" is 0), minus p11-kit's trust module and this product's own, and
// those named in "PKCS11"/"Modules". p11-kit loads each as a managed module, so that
// several contexts (or other libraries of the same process) can each initialise and
// finalise it without disturbing one another. A module that fails to load or to
// initialise is traced and left out; it stays on the list to be tried again.
#pragma once

#include <p11-kit/pkcs11.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

struct ReaderSettings;

struct CardModule {
    std::string path;
    CK_FUNCTION_LIST* functions = nullptr;  // none while loading fails
    bool initialized = false;
    // C_WaitForSlotEvent without blocking, until the module says it has none; then
    // the slot list, compared with the last one.
    bool slotEvents = true;
    std::vector<CK_SLOT_ID> lastSlots;
    // Whether any of its slots is a reader a card can be put into; a module whose
    // slots are all fixed (a soft HSM) sees new tokens only when started again.
    bool removableSlots = false;
    // When it was last started, or last tried.
    std::chrono::steady_clock::time_point started{};

    bool ready() const { return functions && initialized; }
};

class CardModules {
  public:
    CardModules() = default;
    ~CardModules() { Unload(); }
    CardModules(const CardModules&) = delete;
    CardModules& operator=(const CardModules&) = delete;

    // Loads and initialises the modules the settings name.
    void Load(const ReaderSettings& settings);
    // Finalises and lets go of every module: their sessions and logins end.
    void Unload();

    std::vector<CardModule>& list() { return modules_; }
    const std::vector<CardModule>& list() const { return modules_; }

    // Loads (when needed) and initialises a module that is not ready; true when it is.
    bool Start(CardModule& module);
    // Finalises the module and initialises it again, so that it looks at its tokens
    // afresh; its sessions and logins end.
    bool Restart(CardModule& module);

  private:
    std::vector<CardModule> modules_;
};

// Whether a module file is this product's own (its name starts with the file prefix):
// those offer this module's tokens to other programs and are never loaded here.
bool IsOwnModule(std::string_view path);

}  // namespace orx
