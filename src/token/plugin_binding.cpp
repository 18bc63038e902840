#include "token/plugin_binding.h"

#include <dlfcn.h>

#include "core/os/modules.h"
#include "core/product_identity.h"
#include "core/string_helpers.h"
#include "core/trace.h"

namespace orx {

namespace {

// Each export keeps its own function type, so they are resolved one by one.
template <class Fn>
bool Resolve(void* module, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(::dlsym(module, name));
    return slot != nullptr;
}

// A "Type" of this kind belongs to a signing page that shows the text itself; the
// module must then not jump straight into a direct activation.
constexpr std::string_view kTextToSignType = "text/x-text-to-sign";

// "true", "yes" and "1" mean signing; "false", "no" and "0" mean none; anything
// else is an operation name and is passed on as it is.
std::optional<std::string> NormaliseDirectActivation(const char* value) {
    for (const char* yes : {"true", "yes", "1"}) {
        if (EqualsNoCase(value, yes))
            return std::string("Sign");
    }
    for (const char* no : {"false", "no", "0"}) {
        if (EqualsNoCase(value, no))
            return std::nullopt;
    }
    return std::string(value);
}

}  // namespace

PluginBinding::~PluginBinding() {
    PluginBinding::Finalize();
}

int PluginBinding::Initialize(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    Trace("Web - Initialize ...");
    if (Load() != kPluginOk) {
        Trace("Web - Failed to load library");
        Trace("Web - Initialize ... %s", "FAILED");
        return kPluginFailed;
    }
    Trace("Web - Library loaded");
    initArguments_[0] = a;
    initArguments_[1] = b;
    initArguments_[2] = c;
    initArguments_[3] = d;
    if (exports_.initialize(a, b, c, d, &context_) != 0) {
        Trace("Web - Initialize ... %s", "OK");
        return kPluginOk;
    }
    // A module that fails may still have written something there.
    context_ = nullptr;
    Trace("Web - Initialize ... %s", "FAILED");
    return kPluginFailed;
}

int PluginBinding::Reinitialize() {
    Trace("Web - Reinitialize");
    Finalize();
    return Initialize(initArguments_[0], initArguments_[1], initArguments_[2], initArguments_[3]);
}

void PluginBinding::Finalize() {
    Trace("Web - Finalize ...");
    if (context_ != nullptr) {
        exports_.finalize(context_);
        context_ = nullptr;
    }
    Release();
    storedType_.reset();
    storedDirectActivation_.reset();
    Trace("Web - Finalize ... done");
}

void PluginBinding::Clear() {
    Trace("Web - Clear");
    if (context_ != nullptr)
        exports_.clear(context_);
}

int PluginBinding::Load() {
    Trace("Web - Load ...");
    if (module_ != nullptr) {
        Trace("Web - Load %s", "FAILED");
        return kPluginFailed;
    }
    const std::string name = GetPluginModuleName();
    module_ = LoadModule(name);
    if (module_ == nullptr) {
        Trace("Web - Failed to load admin module '%s'", name.c_str());
        Trace("Web - Load %s", "FAILED");
        return kPluginFailed;
    }
    Exports& e = exports_;
    const bool complete = Resolve(module_, "PlgInitialize", e.initialize) &&
                          Resolve(module_, "PlgFinalize", e.finalize) &&
                          Resolve(module_, "PlgClear", e.clear) &&
                          Resolve(module_, "PlgSetParentWnd", e.setParentWnd) &&
                          Resolve(module_, "PlgSetProperty", e.setProperty) &&
                          Resolve(module_, "PlgGetProperty", e.getProperty) &&
                          Resolve(module_, "PlgEnumProperty", e.enumProperty) &&
                          Resolve(module_, "PlgInvoke", e.invoke);
    if (!complete) {
        Trace("Web - Failed to get procedure addresses for module '%s'", name.c_str());
        Release();
        Trace("Web - Load %s", "FAILED");
        return kPluginFailed;
    }
    Trace("Web - Load %s", "OK");
    return kPluginOk;
}

void PluginBinding::Release() {
    Trace("Web - Release ...");
    if (module_ != nullptr)
        FreeModule(module_);
    module_ = nullptr;
    exports_ = Exports{};
    Trace("Web - Release done");
}

void PluginBinding::SetParentWnd(PluginWindow window) {
    Trace("Web - SetParentWnd");
    if (context_ != nullptr)
        exports_.setParentWnd(context_, window);
}

void PluginBinding::SetProperty(const char* name, const char* value) {
    Trace("Web - SetProperty '%s' ...", name);
    std::optional<std::string> normalised;
    if (name != nullptr && value != nullptr) {
        if (EqualsNoCase(name, "Type")) {
            storedType_ = value;
        } else if (EqualsNoCase(name, "PostURL")) {
            if (*value != '\0' && (!storedDirectActivation_ || storedDirectActivation_->empty())) {
                // Through the overridable operation, so that the application's lock
                // (re-entered here) covers the nested call as well.
                SetProperty("DirectActivation", "Sign");
            }
        } else if (EqualsNoCase(name, "DirectActivation")) {
            if (storedType_ && ContainsNoCase(*storedType_, kTextToSignType)) {
                Trace("Web - Ignored");
                Trace("Web - SetProperty '%s' ... done", name);
                return;
            }
            normalised = NormaliseDirectActivation(value);
            if (normalised)
                storedDirectActivation_ = *normalised;
            value = normalised ? normalised->c_str() : nullptr;
        }
    }
    if (context_ != nullptr)
        exports_.setProperty(context_, name, value);
    Trace("Web - SetProperty '%s' ... done", name);
}

const char* PluginBinding::GetProperty(const char* name) {
    Trace("Web - GetProperty '%s' ...", name);
    const char* result = context_ != nullptr ? exports_.getProperty(context_, name) : nullptr;
    Trace("Web - GetProperty '%s' ... done", name);
    return result;
}

const char* PluginBinding::EnumProperty(const char* name, const char* index) {
    Trace("Web - EnumProperty '%s' ...", name);
    const char* result =
        context_ != nullptr ? exports_.enumProperty(context_, name, index) : nullptr;
    Trace("Web - EnumProperty '%s' ... done", name);
    return result;
}

int PluginBinding::Invoke(const char* operation) {
    Trace("Web - Invoke %s ...", operation);
    int result = kPluginFailed;
    if (context_ != nullptr) {
        // "Reload" never reaches the module: the whole module is loaded afresh.
        if (operation != nullptr && EqualsNoCase(operation, "Reload")) {
            result = Reinitialize();
        } else {
            result = exports_.invoke(context_, operation);
        }
    }
    Trace("Web - Invoke %s ... (%d)", operation, result);
    return result;
}

const char* PluginBinding::GetDirectActivation() const {
    return storedDirectActivation_ ? storedDirectActivation_->c_str() : nullptr;
}

}  // namespace orx
