// The data box blob: the value of the token's data object that holds the public or
// the private box. Byte 0 is 0x00; then per entry 0x00, the description, 0x00, the
// value, 0x00 (UTF-8); the rest up to the stored length is 0x00.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orx {

struct DataBoxEntry {
    std::string description;
    std::string value;
};

// A stored box takes a multiple of this many bytes.
inline constexpr size_t kDataBoxBlock = 64;

// The entries in stored order. A blob that is empty or does not begin with 0x00
// holds none; a record cut short ends the list.
std::vector<DataBoxEntry> ParseDataBox(std::span<const uint8_t> blob);

// The blob for the entries in order, padded with 0x00 to the next multiple of
// kDataBoxBlock. An entry that could not be read back is left out: one whose
// description is empty, or whose description or value is no UTF-8 text or holds
// a 0x00.
std::vector<uint8_t> BuildDataBox(std::span<const DataBoxEntry> entries);

}  // namespace orx
