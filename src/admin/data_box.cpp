#include "admin/data_box.h"

#include <algorithm>
#include <string_view>

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

// Well-formed UTF-8 without 0x00: shortest forms only, no surrogates, nothing
// above U+10FFFF.
bool IsStorableText(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<uint8_t>(text[at]);
        size_t length = 0;
        uint32_t code = 0;
        if (lead == 0x00) {
            return false;
        } else if (lead < 0x80) {
            ++at;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (at + length > text.size())
            return false;
        for (size_t i = 1; i < length; ++i) {
            const auto next = static_cast<uint8_t>(text[at + i]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        constexpr uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        at += length;
    }
    return true;
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
