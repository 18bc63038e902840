#include "search/directory_records.h"

#include <string>

#include "core/config_file.h"
#include "core/number_text.h"
#include "core/text_fields.h"

namespace orx {

namespace {

constexpr char kSeparator = '|';
constexpr std::string_view kSchemeMark = "://";
constexpr std::string_view kDefaultScheme = "ldap://";

}  // namespace

std::string JoinDirectoryRecord(const DirectoryRecord& record) {
    std::string text = record.description;
    text += kSeparator;
    if (record.url.find(kSchemeMark) == std::string::npos)
        text += kDefaultScheme;
    text += record.url;
    text += kSeparator;
    text += record.base;
    text += kSeparator;
    text += record.filter;
    return text;
}

DirectoryRecord SplitDirectoryRecord(std::string_view text) {
    DirectoryRecord record;
    record.description = GetField(text, kSeparator, 0, kDirectoryFieldCapacity);
    record.url = GetField(text, kSeparator, 1, kDirectoryFieldCapacity);
    record.base = GetField(text, kSeparator, 2, kDirectoryFieldCapacity);
    record.filter = GetField(text, kSeparator, 3, kDirectoryFieldCapacity);
    return record;
}

std::vector<DirectoryListEntry> ReadDirectoryList() {
    std::vector<DirectoryListEntry> list;
    ConfigFile file;
    if (file.Open(false) != kConfigOk)
        return list;
    std::string key;
    for (int position = 0;
         file.EnumKeys(0, kDirectorySection, key, kDirectoryKeyCapacity, position) == kConfigOk;) {
        const int number = AtoI(key);
        // Settings share the section with the records ("Last" among them).
        if (number < 1)
            continue;
        std::string value;
        if (file.GetStringAt(0, kDirectorySection, key, value, kDirectoryRecordCapacity) !=
            kConfigOk)
            continue;
        std::string description = GetField(value, kSeparator, 0, kDirectoryFieldCapacity);
        if (!description.empty())
            list.push_back({number, std::move(description)});
    }
    return list;
}

std::string ReadDirectoryRecord(int number) {
    ConfigFile file;
    if (file.Open(false) != kConfigOk)
        return {};
    std::string key;
    for (int position = 0;
         file.EnumKeys(0, kDirectorySection, key, kDirectoryKeyCapacity, position) == kConfigOk;) {
        if (AtoI(key) != number)
            continue;
        std::string value;
        if (file.GetStringAt(0, kDirectorySection, key, value, kDirectoryRecordCapacity) ==
            kConfigOk)
            return value;
        return {};
    }
    return {};
}

int FirstFreeDirectoryNumber() {
    for (int number = 1;; ++number) {
        std::string value;
        if (ConfigReadString(kDirectorySection, std::to_string(number), value,
                             kDirectoryRecordCapacity) != kConfigOk ||
            value.empty())
            return number;
    }
}

int StoreDirectoryRecord(int number, std::string_view record) {
    ConfigFile file;
    int result = file.OpenDefault(true, ConfigKind::PerUser);
    if (result != kConfigOk)
        return result;
    result = file.Set(kDirectorySection, std::to_string(number), record);
    const int closed = file.Close();
    return result != kConfigOk ? result : closed;
}

int LastDirectoryPosition(int count) {
    int32_t last = 0;
    if (ConfigReadInt(kDirectorySection, "Last", last) != kConfigOk || last < 0 || last >= count)
        return 0;
    return last;
}

}  // namespace orx
