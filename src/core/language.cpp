// The language table, its set-up from the configuration and the choice of the
// current language.
#include "core/language.h"

#include <sys/stat.h>

#include "core/config_file.h"
#include "core/language_state.h"
#include "core/product_identity.h"
#include "core/string_helpers.h"
#include "core/text_encoding.h"
#include "core/trace.h"

namespace orx {

namespace language_detail {

std::array<LanguageEntry, kLanguageCount> DefaultEntries() {
    return {{
        {1030, "DK", "Dansk", false},
        {1031, "DE", "Deutsch", false},
        {kLanguageEnglish, "EN", "English", false},
        {1035, "FI", "Suomen", false},
        {1036, "FR",
         "Fran\xC3\xA7"
         "ais",
         false},
        {2068, "NO", "Norsk", false},
        {1045, "PL", "Polski", false},
        {2070, "PT",
         "Portugu\xC3\xAA"
         "s",
         false},
        {1053, "SE", "Svenska", false},
        {1050, "SE", "Svenska (SAMSET)", false},
        {1055, "TR",
         "T\xC3\xBCrk\xC3\xA7"
         "e",
         false},
        {kLanguageBlind, "..", "Blind", false},
        {0, "", "", false},
    }};
}

namespace {

// The table entry with that display name, up to the end entry; -1 when none.
int FindEntry(const LanguageState& state, std::string_view name) {
    for (size_t i = 0; state.entries[i].id != 0; ++i) {
        if (EqualsNoCase(state.entries[i].displayName, name))
            return static_cast<int>(i);
    }
    return -1;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A deployment restricts and renames the offered languages with
// "Name[:New name];Name[:New name];...".
void ApplyAllowedList(LanguageState& state) {
    if (state.allowed.empty())
        return;
    for (LanguageEntry& entry : state.entries)
        entry.hidden = true;
    std::string_view rest = state.allowed;
    while (true) {
        const size_t end = rest.find(';');
        std::string_view item = rest.substr(0, end);
        if (item.empty())
            break;
        item = CutUtf8(item, kDisplayNameCapacity - 1);
        const size_t colon = item.find(':');
        const int index = FindEntry(state, item.substr(0, colon));
        if (index >= 0) {
            LanguageEntry& entry = state.entries[static_cast<size_t>(index)];
            entry.hidden = false;
            // "English:" alone keeps the name rather than offering an empty one.
            if (colon != std::string_view::npos && colon + 1 < item.size()) {
                entry.displayName = std::string(item.substr(colon + 1));
            }
        } else {
            const std::string text(item);
            Trace("Language - Allowed language unknown: '%s'", text.c_str());
        }
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
}

// "Allowed" and "Dynamic Strings" come from the configuration file beside the
// program when there is one, else from the installation-wide file alone.
void OpenDynamicSource(LanguageState& state) {
    InitProductIdentity();
    auto source = std::make_unique<ConfigFile>();
    bool opened = false;
    const std::string local = GetProgramFolder() + GetConfigFileName();
    if (FileExists(local))
        opened = source->Open(false, local.c_str()) == kConfigOk;
    if (!opened)
        opened = source->OpenDefault(false, ConfigKind::Install) == kConfigOk;
    if (!opened)
        return;
    std::string allowed;
    if (source->GetString("Language", "Allowed", allowed, kAllowedCapacity, true) == kConfigOk) {
        state.allowed = allowed;
    }
    bool enabled = false;
    if (source->GetBool("Dynamic Strings", "Enable", enabled) != kConfigOk)
        enabled = false;
    if (enabled) {
        Trace("Language - Dynamic strings enabled");
        state.dynamicSource = std::move(source);
    }
}

void SetUpTable(LanguageState& state) {
    if (state.currentId != 0)
        return;
    state.currentId = kLanguageEnglish;
    state.currentIndex = 0;
    while (state.entries[state.currentIndex].id != kLanguageEnglish)
        ++state.currentIndex;
    OpenDynamicSource(state);
    ApplyAllowedList(state);
}

bool Select(LanguageState& state, std::string_view name) {
    SetUpTable(state);
    const int index = FindEntry(state, name);
    if (index < 0) {
        const std::string text(name);
        Trace("Language - Unknown language: '%s'", text.c_str());
        return false;
    }
    state.currentIndex = static_cast<size_t>(index);
    state.currentId = state.entries[state.currentIndex].id;
    state.currentName = std::string(name);
    return true;
}

void FirstUse(LanguageState& state) {
    if (state.initialised)
        return;
    state.initialised = true;
    std::string current;
    {
        ConfigFile config;
        if (config.Open(false) != kConfigOk ||
            config.GetString("Language", "Current", current, 256, true) != kConfigOk) {
            current.clear();
        }
    }
    // An unknown name leaves English.
    if (!current.empty())
        Select(state, current);
}

}  // namespace

LanguageState& State() {
    static LanguageState* state = [] {
        auto* s = new LanguageState;
        s->entries = DefaultEntries();
        return s;
    }();
    return *state;
}

void Prepare(LanguageState& state) {
    FirstUse(state);
    SetUpTable(state);
}

}  // namespace language_detail

using namespace language_detail;

bool SelectLanguage(std::string_view name) {
    LanguageState& state = State();
    LockGuard guard(state.lock);
    FirstUse(state);
    return Select(state, name);
}

bool EnumLanguageName(std::string& name, size_t capacity, int& index) {
    LanguageState& state = State();
    LockGuard guard(state.lock);
    Prepare(state);
    size_t i = index < 0 ? 0 : static_cast<size_t>(index);
    const size_t end = kLanguageCount - 1;
    if (i > end)
        i = end;
    while (i < end && state.entries[i].hidden)
        ++i;
    index = static_cast<int>(i + 1);
    const LanguageEntry& entry = state.entries[i];
    if (entry.id == 0 || entry.id == kLanguageBlind)
        return false;
    name = std::string(CutUtf8(entry.displayName, capacity > 0 ? capacity - 1 : 0));
    return true;
}

std::string GetCurrentLanguageName() {
    LanguageState& state = State();
    LockGuard guard(state.lock);
    // The name comes from the first use's "Language"/"Current", like the id.
    Prepare(state);
    return state.currentName;
}

int GetCurrentLanguageId() {
    LanguageState& state = State();
    LockGuard guard(state.lock);
    Prepare(state);
    return state.currentId;
}

}  // namespace orx
