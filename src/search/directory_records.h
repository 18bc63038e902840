// The configured directories: one record per directory in the configuration
// section "Directory" of the per-user file, under the keys "1", "2", ... (an empty
// or missing value is a free number), each "description|URL|search base|filter"
// in UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

inline constexpr std::string_view kDirectorySection = "Directory";
inline constexpr size_t kDirectoryRecordCapacity = 512;
inline constexpr size_t kDirectoryFieldCapacity = 256;
// Keys are read into this many bytes: longer ones (the section's settings such as
// "MaxFound") never read back and so are never taken for directories.
inline constexpr size_t kDirectoryKeyCapacity = 8;

struct DirectoryRecord {
    std::string description;
    std::string url;
    std::string base;
    std::string filter;
};

// Joined by "|"; a URL without "://" gets "ldap://" in front of it.
std::string JoinDirectoryRecord(const DirectoryRecord& record);
// Fields 0 to 3, each at most kDirectoryFieldCapacity - 1 bytes.
DirectoryRecord SplitDirectoryRecord(std::string_view text);

struct DirectoryListEntry {
    int number = 0;
    std::string description;
};

// The per-user file's directories in stored order; keys that are no directory
// number, values that cannot be read and empty descriptions are left out.
std::vector<DirectoryListEntry> ReadDirectoryList();
// The whole record of that number in the per-user file; empty when there is none.
std::string ReadDirectoryRecord(int number);
// The first number from 1 whose value cannot be read or is empty (per-user file
// over installation-wide file).
int FirstFreeDirectoryNumber();
// Writes the record under its number into the per-user file (an empty record
// frees the number); the configuration store's result.
int StoreDirectoryRecord(int number, std::string_view record);
// "Directory"/"Last" when it is a position below `count`, else 0.
int LastDirectoryPosition(int count);

}  // namespace orx
