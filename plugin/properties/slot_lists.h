// The slot lists: "SlotSoft" (every token file), "Slot" (every slot, the cards'
// first) and "Token" (every usable token, the cards' applications first).
#pragma once

#include <optional>
#include <string>

namespace orx {

class CardSlots;
class SoftTokens;

enum class SlotList { SoftFiles, AllSlots, UsableTokens };

// Entry `index`; the folder is read again at index 0.
std::optional<std::string> SlotListEntry(SlotList list, int index, SoftTokens& soft,
                                         CardSlots& cards);

}  // namespace orx
