// The language layer's process-wide state, shared by the files of the layer.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/config_file.h"
#include "core/recursive_lock.h"

namespace orx::language_detail {

inline constexpr size_t kDisplayNameCapacity = 64;  // 63 characters
inline constexpr size_t kAllowedCapacity = 256;     // 255 characters
inline constexpr size_t kLanguageCount = 13;        // the end entry included

struct LanguageEntry {
    int id;
    const char* code;
    std::string displayName;
    bool hidden;
};

struct LanguageState {
    RecursiveLock lock;
    bool initialised = false;
    int currentId = 0;  // 0 until the table set-up ran
    size_t currentIndex = 0;
    std::string currentName;
    std::string allowed;
    std::unique_ptr<ConfigFile> dynamicSource;  // only while dynamic strings are enabled
    std::array<LanguageEntry, kLanguageCount> entries;
};

// The table as the program starts with it. Display names are UTF-8, the system
// code page here.
std::array<LanguageEntry, kLanguageCount> DefaultEntries();

// The one state of the process. Never destroyed: the dynamic strings source
// stays loaded for the life of the process.
LanguageState& State();

// First use, then the table set-up; both do their work once. Callers hold the lock.
void Prepare(LanguageState& state);

}  // namespace orx::language_detail
