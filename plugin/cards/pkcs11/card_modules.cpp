#include "cards/pkcs11/card_modules.h"

#include <p11-kit/p11-kit.h>
#include <stdlib.h>

#include <memory>

#include "cards/reader_settings.h"
#include "core/product_identity.h"
#include "core/string_helpers.h"
#include "core/trace.h"

namespace orx {

namespace {

struct FreeText {
    void operator()(char* p) const { ::free(p); }
};
using Text = std::unique_ptr<char, FreeText>;

std::string BaseName(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// p11-kit's own trust module offers certificate anchors, not cards.
bool IsTrustModule(CK_FUNCTION_LIST* functions, std::string_view path) {
    const Text policy(p11_kit_config_option(functions, "trust-policy"));
    if (policy && (EqualsNoCase(policy.get(), "yes") || EqualsNoCase(policy.get(), "true")))
        return true;
    return StartsWithNoCase(BaseName(path), "p11-kit-trust");
}

// The same file under another name (a link, a relative path) is loaded once.
std::string RealPath(const std::string& path) {
    const Text resolved(::realpath(path.c_str(), nullptr));
    return resolved ? std::string(resolved.get()) : path;
}

}  // namespace

bool IsOwnModule(std::string_view path) {
    const std::string& prefix = GetFilePrefix();
    return !prefix.empty() && StartsWithNoCase(BaseName(path), prefix);
}

void CardModules::Load(const ReaderSettings& settings) {
    Unload();
    std::vector<std::string> seen;
    if (settings.system) {
        CK_FUNCTION_LIST** all = p11_kit_modules_load(nullptr, 0);
        for (CK_FUNCTION_LIST** at = all; at && *at; ++at) {
            const Text file(p11_kit_module_get_filename(*at));
            const std::string path = file ? file.get() : "";
            if (path.empty() || IsTrustModule(*at, path) || IsOwnModule(path)) {
                p11_kit_module_release(*at);
                continue;
            }
            seen.push_back(RealPath(path));
            modules_.push_back(CardModule{path, *at});
        }
        ::free(all);
    }
    for (const std::string& path : settings.modules) {
        if (IsOwnModule(path)) {
            Trace("Plg - PKCS#11 module %s is this product's own: not loaded", path.c_str());
            continue;
        }
        const std::string real = RealPath(path);
        bool twice = false;
        for (const std::string& other : seen)
            twice = twice || other == real;
        if (twice)
            continue;
        seen.push_back(real);
        modules_.push_back(CardModule{path, p11_kit_module_load(path.c_str(), 0)});
    }
    for (CardModule& module : modules_)
        Start(module);
}

void CardModules::Unload() {
    for (CardModule& module : modules_) {
        if (module.initialized)
            p11_kit_module_finalize(module.functions);
        if (module.functions)
            p11_kit_module_release(module.functions);
        Trace("Plg - PKCS#11 module %s let go", module.path.c_str());
    }
    modules_.clear();
}

bool CardModules::Start(CardModule& module) {
    module.started = std::chrono::steady_clock::now();
    if (module.ready())
        return true;
    if (!module.functions)
        module.functions = p11_kit_module_load(module.path.c_str(), 0);
    if (!module.functions) {
        Trace("Plg - PKCS#11 module %s cannot be loaded", module.path.c_str());
        return false;
    }
    const CK_RV rv = p11_kit_module_initialize(module.functions);
    if (rv != CKR_OK) {
        Trace("Plg - PKCS#11 module %s failed to initialise (0x%lx)", module.path.c_str(), rv);
        return false;
    }
    module.initialized = true;
    module.slotEvents = true;
    module.lastSlots.clear();
    Trace("Plg - PKCS#11 module %s started", module.path.c_str());
    return true;
}

bool CardModules::Restart(CardModule& module) {
    if (module.initialized) {
        p11_kit_module_finalize(module.functions);
        module.initialized = false;
    }
    return Start(module);
}

}  // namespace orx
