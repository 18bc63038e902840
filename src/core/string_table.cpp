#include "core/string_table.h"

#include <algorithm>

namespace orx {

namespace {

const StringTable* FindTable(int languageId) {
    for (const StringTable& table : CompiledStringTables()) {
        if (table.languageId == languageId)
            return &table;
    }
    return nullptr;
}

}  // namespace

bool HasStringTable(int languageId) {
    return FindTable(languageId) != nullptr;
}

std::u16string_view FindString(int languageId, int id) {
    const StringTable* table = FindTable(languageId);
    if (!table)
        return {};
    const auto it =
        std::lower_bound(table->entries.begin(), table->entries.end(), id,
                         [](const StringEntry& entry, int wanted) { return entry.id < wanted; });
    if (it == table->entries.end() || it->id != id)
        return {};
    return it->text;
}

}  // namespace orx
