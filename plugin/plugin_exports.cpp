// The module's eight C exports over ModuleContext. The product identity comes from
// the module's own file name (found through dladdr), never from the host program.
#include <memory>
#include <mutex>
#include <string>

#include "core/module_identity.h"
#include "core/trace.h"
#include "module_context.h"
#include "token/plugin_abi.h"

struct PluginContextData {
    orx::ModuleContext module;
};

namespace {

// Counts the open contexts, so that the trace file is let go with the last one.
struct ModuleState {
    std::mutex lock;
    int contexts = 0;
};

ModuleState& State() {
    static ModuleState state;
    return state;
}

// Nothing in the module throws on purpose, but running out of memory would; no
// exception may cross the C interface into the program.

template <typename Result, typename Work>
Result Guarded(Result failure, Work work) {
    try {
        return work();
    } catch (...) {
        orx::Trace("Plg - Out of memory");
        return failure;
    }
}

}  // namespace

extern "C" {

PLG_EXPORT int PlgInitialize(uint32_t, uint32_t, uint32_t, uint32_t, PluginContext* context) {
    if (!context)
        return 0;
    {
        std::lock_guard<std::mutex> guard(State().lock);
        orx::InitModuleIdentity(reinterpret_cast<const void*>(&PlgInitialize));
        if (State().contexts++ == 0)
            orx::TraceToConfiguredFile();
    }
    orx::Trace("Plg - PlgInitialize ...");
    PluginContextData* made = Guarded<PluginContextData*>(
        nullptr, [] { return std::make_unique<PluginContextData>().release(); });
    if (!made) {
        std::lock_guard<std::mutex> guard(State().lock);
        --State().contexts;
        return 0;
    }
    *context = made;
    orx::Trace("Plg - PlgInitialize ... done");
    return 1;
}

PLG_EXPORT int PlgFinalize(PluginContext context) {
    if (!context)
        return 0;
    orx::Trace("Plg - PlgFinalize ...");
    std::unique_ptr<PluginContextData> owned(context);
    owned.reset();
    orx::Trace("Plg - PlgFinalize ... done");
    std::lock_guard<std::mutex> guard(State().lock);
    if (--State().contexts == 0)
        orx::TraceSetFile(nullptr);
    return 1;
}

PLG_EXPORT int PlgClear(PluginContext context) {
    if (!context)
        return 0;
    return Guarded(0, [&] {
        context->module.Clear();
        return 1;
    });
}

PLG_EXPORT int PlgSetParentWnd(PluginContext context, PluginWindow window) {
    if (!context)
        return 0;
    context->module.SetParentWindow(static_cast<uint64_t>(window));
    return 1;
}

PLG_EXPORT int PlgSetProperty(PluginContext context, const char* name, const char* value) {
    if (!context || !name)
        return 0;
    return Guarded(0, [&] {
        context->module.SetProperty(name, value);
        return 1;
    });
}

PLG_EXPORT const char* PlgGetProperty(PluginContext context, const char* name) {
    if (!context || !name)
        return nullptr;
    return Guarded<const char*>(nullptr, [&] { return context->module.GetProperty(name); });
}

PLG_EXPORT const char* PlgEnumProperty(PluginContext context, const char* name, const char* index) {
    if (!context || !name || !index)
        return nullptr;
    return Guarded<const char*>(nullptr, [&] { return context->module.EnumProperty(name, index); });
}

PLG_EXPORT int PlgInvoke(PluginContext context, const char* operation) {
    if (!context || !operation)
        return CKR_ARGUMENTS_BAD;
    return Guarded<int>(CKR_HOST_MEMORY, [&] { return context->module.Invoke(operation); });
}

}  // extern "C"
