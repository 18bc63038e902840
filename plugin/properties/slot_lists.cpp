#include "properties/slot_lists.h"

#include "cards/card_slots.h"
#include "softtoken/soft_tokens.h"

namespace orx {

std::optional<std::string> SlotListEntry(SlotList list, int index, SoftTokens& soft,
                                         CardSlots& cards) {
    if (index == 0)
        soft.Scan();
    const bool usable = list == SlotList::UsableTokens;
    if (list != SlotList::SoftFiles) {
        // The card slots (ids below 100) come first, in id order.
        const std::vector<std::string> entries = cards.SlotEntries(usable);
        if (static_cast<size_t>(index) < entries.size())
            return entries[static_cast<size_t>(index)];
        index -= static_cast<int>(entries.size());
    }
    return soft.SlotEntry(index, usable, list == SlotList::SoftFiles);
}

}  // namespace orx
