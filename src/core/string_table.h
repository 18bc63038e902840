// The compiled-in string tables: texts by language id and text id, in UTF-16.
// The data comes from resources/strings/<language id>.txt (target orxstrings).
#pragma once

#include <span>
#include <string_view>

namespace orx {

struct StringEntry {
    int id;
    std::u16string_view text;
};

struct StringTable {
    int languageId;
    std::span<const StringEntry> entries;  // ascending by id
};

// Every table the program carries, ascending by language id (generated source).
std::span<const StringTable> CompiledStringTables();

// True when the program carries a table for that language id.
bool HasStringTable(int languageId);
// The stored text of `id` in the table of `languageId`, untrimmed; empty when the
// table or the text is absent.
std::u16string_view FindString(int languageId, int id);

}  // namespace orx
