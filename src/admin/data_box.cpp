#include "admin/data_box.h"

#include <algorithm>
#include <string_view>

#include "core/text_encoding.h"

namespace orx {

namespace {

// The text from `at` up to its terminator; false when no terminator comes within
// `room` bytes.
bool TakeText(std::span<const uint8_t> blob, size_t& at, size_t& room, std::string& text) {
    const auto begin = blob.begin() + static_cast<std::ptrdiff_t>(at);
    const auto end = begin + static_cast<std::ptrdiff_t>(room);
    const auto terminator = std::find(begin, end, uint8_t{0});
    if (terminator == end)
        return false;
    text.assign(begin, terminator);
    const size_t taken = text.size() + 1;
    at += taken;
    room -= taken;
    return true;
}

// Well-formed UTF-8 without 0x00.
bool IsStorableText(std::string_view text) {
    return text.find('\0') == std::string_view::npos && IsWellFormedUtf8(text);
}

}  // namespace

std::vector<uint8_t> BuildDataBox(std::span<const DataBoxEntry> entries) {
    std::vector<uint8_t> blob(1, 0x00);
    for (const DataBoxEntry& entry : entries) {
        // An empty description would read back as the end of the entries.
        if (entry.description.empty() || !IsStorableText(entry.description) ||
            !IsStorableText(entry.value))
            continue;
        blob.push_back(0x00);
        blob.insert(blob.end(), entry.description.begin(), entry.description.end());
        blob.push_back(0x00);
        blob.insert(blob.end(), entry.value.begin(), entry.value.end());
        blob.push_back(0x00);
    }
    const size_t stored = (blob.size() + kDataBoxBlock - 1) / kDataBoxBlock * kDataBoxBlock;
    blob.resize(stored, 0x00);
    return blob;
}

std::vector<DataBoxEntry> ParseDataBox(std::span<const uint8_t> blob) {
    std::vector<DataBoxEntry> entries;
    if (blob.empty() || blob[0] != 0x00)
        return entries;
    size_t at = 1;
    size_t room = blob.size() - 1;
    // Each record starts with 0x00; padding is 0x00 throughout, so a record whose
    // description would be empty is where the entries end.
    while (room > 2 && blob[at + 1] != 0x00) {
        ++at;
        --room;
        DataBoxEntry entry;
        if (!TakeText(blob, at, room, entry.description) || !TakeText(blob, at, room, entry.value))
            break;
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace orx
