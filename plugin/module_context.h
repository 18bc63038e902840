// One context of the module (PlgInitialize hands out one per caller): the active
// slot, the inputs set for the next operation, the text last handed out, and the
// parts that own the operations: the soft tokens, the card slots, the certificates
// and data objects on them, the file operations and the certificate propagation.
// Nothing of it is static, so an unload that leaves the module mapped cannot carry a
// login over. Properties and operations reach the parts through tables of names.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cards/card_slots.h"
#include "cms/file_operations.h"
#include "objects/object_operations.h"
#include "objects/token_access.h"
#include "prompts/prompt_source.h"
#include "propagation/certificate_propagation.h"
#include "properties/inputs.h"
#include "softtoken/soft_tokens.h"

namespace orx {

class ModuleContext {
  public:
    ModuleContext();
    ~ModuleContext();  // ends every login
    ModuleContext(const ModuleContext&) = delete;
    ModuleContext& operator=(const ModuleContext&) = delete;

    void SetParentWindow(uint64_t window) { prompts_.SetParentWindow(window); }
    void SetProperty(std::string_view name, const char* value);
    // The answers stay valid until the next call on this context.
    const char* GetProperty(std::string_view name);
    const char* EnumProperty(std::string_view name, std::string_view index);
    // Operation names are compared without regard to letter case; property names
    // are compared exactly.
    int Invoke(std::string_view operation);
    // Drops cached slot data and the inputs; logins stay.
    void Clear();

  private:
    // The tables of names (module_context_tables.cpp).
    struct Operation {
        const char* name;
        int (*run)(ModuleContext&);
    };
    struct Getter {
        const char* name;
        std::optional<std::string> (*get)(ModuleContext&);
    };
    struct Enumerator {
        const char* name;
        std::optional<std::string> (*entry)(ModuleContext&, int index);
    };
    struct Setter {
        const char* name;
        void (*set)(ModuleContext&, const char* value);
    };
    static std::span<const Operation> Operations();
    static std::span<const Getter> Getters();
    static std::span<const Enumerator> Enumerators();
    static std::span<const Setter> Setters();

    const char* Answer(std::optional<std::string> value);
    // A card operation may bring or take certificates.
    int AfterCardOperation(int result);
    // Sign and Decrypt look for a private key, most often on a token not yet logged
    // in: the password program is started ahead.
    int WithKeyPrompt(int (FileOperations::*operation)(int));
    std::optional<std::string> HaveSlotEvent();
    int Reset();
    // Every call into the context first ends the logins that were not used for
    // "Smart Card Reader"/"LockTimeout" seconds: the program's slot event poll keeps
    // calling, so a login ends within a poll of its time.
    void EndIdleLogins();

    // Declared in the order in which they depend on each other.
    Inputs inputs_;
    PromptSource prompts_;
    SoftTokens soft_;
    CardSlots cards_;
    TokenAccess tokens_{soft_, cards_, prompts_};
    CertificatePropagation propagation_{soft_, cards_};
    ObjectOperations objects_{tokens_, propagation_};
    FileOperations files_{inputs_, tokens_, objects_, prompts_, propagation_};
    int activeSlot_ = 0;
    int lockTimeout_ = 0;  // seconds; 0: never
    std::string answer_;
};

}  // namespace orx
