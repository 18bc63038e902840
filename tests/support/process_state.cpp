#include "support/process_state.h"

#include "core/language_state.h"
#include "core/product_identity_state.h"
#include "core/static_config_seam.h"

namespace orx::language_testing {

void Reset() {
    language_detail::LanguageState& state = language_detail::State();
    LockGuard guard(state.lock);
    state.initialised = false;
    state.currentId = 0;
    state.currentIndex = 0;
    state.currentName.clear();
    state.allowed.clear();
    state.dynamicSource.reset();
    state.entries = language_detail::DefaultEntries();
}

}  // namespace orx::language_testing

namespace orx::identity_testing {

void Reset() {
    identity_detail::Identity& id = identity_detail::IdentityState();
    std::string path = std::move(id.programPath);
    id = identity_detail::Identity{};
    id.programPath = std::move(path);
}

}  // namespace orx::identity_testing

namespace orx::static_config_testing {

void SetText(std::optional<std::string> text) {
    StaticConfigOverride& o = StaticConfigAreaOverride();
    std::lock_guard<std::mutex> guard(o.lock);
    o.text = std::move(text);
}

}  // namespace orx::static_config_testing
