#include "settings/smart_card_values.h"

#include "core/language.h"
#include "core/text_fields.h"
#include "settings/settings_ids.h"
#include "token/token_application.h"

namespace orx {

namespace {

// The words of the entries are short: 31 characters each.
constexpr size_t kWordCapacity = 32;
constexpr size_t kKnownReadersLimit = 255;

std::string Word(int id) {
    return GetText(id, kWordCapacity);
}

std::string Seconds(int32_t value) {
    return std::to_string(value) + " " + Word(kTextSeconds);
}

std::string Disabled() {
    return Seconds(0) + " (" + Word(kTextDisabled) + ")";
}

std::string Recommended(std::string_view text) {
    return std::string(text) + " (" + Word(kTextRecommended) + ")";
}

// Up to the next multiple of ten, as integer division toward zero makes it, and
// never above the longest offered value.
int32_t RoundUpToTen(int32_t stored) {
    const int64_t rounded = (static_cast<int64_t>(stored) + 9) / 10 * 10;
    return rounded > 59 ? 60 : static_cast<int32_t>(rounded);
}

}  // namespace

std::vector<ComboEntry> DetectEntries() {
    std::vector<ComboEntry> entries{{Disabled(), 0}};
    for (int32_t value = 10; value <= 50; value += 10)
        entries.push_back({Seconds(value), value});
    entries.push_back({Recommended(Seconds(60)), 60});
    entries.push_back({Word(kTextInfinite), kDetectInfinite});
    return entries;
}

std::vector<ComboEntry> ModeEntries() {
    return {{Recommended(GetText(kTextShared)), kModeShared},
            {GetText(kTextExclusive), kModeExclusive}};
}

std::vector<ComboEntry> LockTimeoutEntries() {
    std::vector<ComboEntry> entries{{Disabled(), 0}, {Seconds(10), 10}, {Seconds(20), 20}};
    entries.push_back({Recommended(Seconds(30)), 30});
    for (int32_t value = 40; value <= 60; value += 10)
        entries.push_back({Seconds(value), value});
    return entries;
}

int32_t NormalizeDetect(int32_t stored) {
    return stored == kDetectInfinite ? kDetectInfinite : RoundUpToTen(stored);
}

int32_t NormalizeMode(int32_t stored) {
    return stored > 0 ? kModeShared : stored;
}

int32_t NormalizeLockTimeout(int32_t stored) {
    return RoundUpToTen(stored);
}

std::vector<std::string> SplitReaderNames(std::string_view text) {
    std::vector<std::string> names;
    while (!text.empty()) {
        const size_t end = text.find(';');
        const std::string_view name = text.substr(0, end);
        if (!name.empty())
            names.emplace_back(name);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return names;
}

std::string JoinReaderNames(const std::vector<std::string>& names, size_t size) {
    std::string list;
    for (const std::string& name : names) {
        if (name.empty())
            break;
        if (name.starts_with('<'))
            continue;
        if (list.size() + name.size() + 1 >= size)
            break;
        list.append(name).push_back(';');
    }
    return list;
}

std::string KnownReaderNames(TokenApplication& app) {
    std::string names;
    // Three slots per reader: one entry in three names a new reader.
    for (int index = 0;; index += 3) {
        const std::optional<std::string> entry = app.EnumPropertyString("SlotCard", index);
        if (!entry || entry->size() + names.size() + 1 > kKnownReadersLimit)
            break;
        names.append(GetField(*entry, ';', 1, kKnownReadersLimit + 1)).push_back(';');
    }
    return names;
}

}  // namespace orx
