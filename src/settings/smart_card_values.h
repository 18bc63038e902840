// What the Smart Card page shows and stores, without its window: the combo
// entries with their item data, how stored numbers that no entry offers are
// brought onto one, and the ";"-terminated list of reader names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

class TokenApplication;

// The reader list's text holds 255 characters.
inline constexpr size_t kReaderListCapacity = 256;
inline constexpr int32_t kDetectDefault = 60;
inline constexpr int32_t kDetectInfinite = -1;
inline constexpr int32_t kModeShared = 1;
inline constexpr int32_t kModeExclusive = 0;
inline constexpr int32_t kLockTimeoutDefault = 30;

struct ComboEntry {
    std::string text;
    int32_t data;
};

// In the current language.
std::vector<ComboEntry> DetectEntries();
std::vector<ComboEntry> ModeEntries();
std::vector<ComboEntry> LockTimeoutEntries();

// A stored search interval: -1 (infinite) stays; anything else goes up to the next
// multiple of ten (toward zero for negative values) and is kept at most 60.
int32_t NormalizeDetect(int32_t stored);
// Any positive mode is shared; zero and below stay as they are.
int32_t NormalizeMode(int32_t stored);
// As the search interval, without the infinite value.
int32_t NormalizeLockTimeout(int32_t stored);

// The non-empty names of a ";"-separated list, in order.
std::vector<std::string> SplitReaderNames(std::string_view text);
// Each name followed by ";" while the text stays shorter than `size`; entries that
// begin with "<" (the placeholder) are left out, and the first empty one ends it.
std::string JoinReaderNames(const std::vector<std::string>& names, size_t size);
// The names of the readers the module knows, each followed by ";", from every
// third "SlotCard" entry (one per reader), for at most 255 characters.
std::string KnownReaderNames(TokenApplication& app);

}  // namespace orx
