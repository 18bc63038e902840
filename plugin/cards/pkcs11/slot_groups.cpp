#include "cards/pkcs11/slot_groups.h"

#include <algorithm>
#include <set>

#include "cardfile/reader_store.h"
#include "core/trace.h"

namespace orx {

std::vector<int> SlotGroups::Assign(const std::vector<SeenSlot>& slots, int firstGroup) {
    std::set<ReaderId> present;
    std::vector<ReaderId> withTokens;  // in the order they were seen
    for (const SeenSlot& seen : slots) {
        present.insert(seen.reader);
        if (seen.hasToken &&
            std::find(withTokens.begin(), withTokens.end(), seen.reader) == withTokens.end())
            withTokens.push_back(seen.reader);
    }
    std::erase_if(groups_, [&](const auto& entry) {
        return !present.count(entry.first) || entry.second < firstGroup;
    });
    std::set<int> used;
    for (const auto& entry : groups_)
        used.insert(entry.second);
    for (const ReaderId& reader : withTokens) {
        if (groups_.count(reader))
            continue;
        int group = firstGroup;
        while (group < kMaxReaders && used.count(group))
            ++group;
        if (group >= kMaxReaders) {
            Trace("Plg - No slot ids are left for the reader %s", reader.name.c_str());
            continue;
        }
        groups_[reader] = group;
        used.insert(group);
    }
    // Each reader's token slots in slot order fill its group.
    std::vector<int> ids(slots.size(), 0);
    for (const auto& [reader, group] : groups_) {
        std::vector<size_t> order;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (slots[i].hasToken && slots[i].reader == reader)
                order.push_back(i);
        }
        std::sort(order.begin(), order.end(),
                  [&](size_t a, size_t b) { return slots[a].slot < slots[b].slot; });
        for (size_t position = 0; position < order.size(); ++position) {
            if (position >= static_cast<size_t>(kSlotsPerCard)) {
                Trace("Plg - The reader %s has more than %d tokens: slot %lu is not shown",
                      reader.name.c_str(), kSlotsPerCard, slots[order[position]].slot);
                continue;
            }
            ids[order[position]] = group * kSlotsPerCard + static_cast<int>(position) + 1;
        }
    }
    return ids;
}

const ReaderId* SlotGroups::ReaderOf(int slot) const {
    if (slot < 1)
        return nullptr;
    const int group = (slot - 1) / kSlotsPerCard;
    for (const auto& [reader, index] : groups_) {
        if (index == group)
            return &reader;
    }
    return nullptr;
}

}  // namespace orx
