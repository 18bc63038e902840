#include "token_module.h"

#include <string>

#include "command.h"
#include "core/product_identity.h"

namespace orxctl {

int RunWithModule(std::string_view group, bool wellFormed,
                  const std::function<int(orx::TokenApplication& app)>& run) {
    if (!wellFormed)
        return Usage(group);
    orx::TokenApplication app;
    app.StartPlugin();
    if (!app.IsInitialized()) {
        return Fail("the token plug-in module '" + orx::GetPluginModuleName() +
                    "' is not available");
    }
    return run(app);
}

}  // namespace orxctl
