// The binding to the token plug-in module: finds and loads it, resolves its eight
// exports, opens and closes its context and forwards the property operations and
// invokes, tracing each with "Web - ". Holds no lock: the application's wrappers
// serialise every call (see token_application.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "token/plugin_abi.h"

namespace orx {

inline constexpr int kPluginOk = 0;
inline constexpr int kPluginFailed = 1;

class PluginBinding {
  public:
    PluginBinding() = default;
    virtual ~PluginBinding();  // Finalize
    PluginBinding(const PluginBinding&) = delete;
    PluginBinding& operator=(const PluginBinding&) = delete;

    // Loads the module and opens its context; 0 or 1.
    virtual int Initialize(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
    // Finalize, then Initialize with the values of the last initialisation.
    virtual int Reinitialize();
    // Closes the context, unloads the module and forgets the stored copies.
    virtual void Finalize();
    virtual void Clear();
    // Loads the module prefix + ".so" and resolves all eight exports; 0 or 1.
    virtual int Load();
    virtual void Release();
    virtual void SetParentWnd(PluginWindow window);
    // Applies the "Type", "PostURL" and "DirectActivation" rules, then forwards.
    virtual void SetProperty(const char* name, const char* value);
    // The module's text (valid until the next call into it), or nullptr.
    virtual const char* GetProperty(const char* name);
    virtual const char* EnumProperty(const char* name, const char* index);
    // The module's result; 1 without a context. "Reload" reinitialises instead.
    virtual int Invoke(const char* operation);
    // The stored "DirectActivation" value, nullptr when none.
    virtual const char* GetDirectActivation() const;

    bool IsLoaded() const { return module_ != nullptr; }
    bool IsInitialized() const { return context_ != nullptr; }

  private:
    struct Exports {
        PlgInitializeFn initialize = nullptr;
        PlgFinalizeFn finalize = nullptr;
        PlgClearFn clear = nullptr;
        PlgSetParentWndFn setParentWnd = nullptr;
        PlgSetPropertyFn setProperty = nullptr;
        PlgGetPropertyFn getProperty = nullptr;
        PlgEnumPropertyFn enumProperty = nullptr;
        PlgInvokeFn invoke = nullptr;
    };

    void* module_ = nullptr;
    Exports exports_;
    PluginContext context_ = nullptr;
    std::optional<std::string> storedType_;
    std::optional<std::string> storedDirectActivation_;
    uint32_t initArguments_[4] = {0, 0, 0, 0};
};

}  // namespace orx
