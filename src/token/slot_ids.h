// Slot ids as the plug-in hands them out: card slots 1 to 99 in groups of three
// per card, soft tokens from 100, 0 for no slot, -1 for no token shown.
#pragma once

#include <cstdint>

namespace orx {

inline constexpr int32_t kNoSlot = 0;
inline constexpr int32_t kNoTokenShown = -1;
inline constexpr int32_t kFirstSoftTokenSlot = 100;

// The first slot of the card that `id` belongs to; soft tokens are their own group.
constexpr int32_t SlotGroupBase(int32_t id) {
    if (id >= kFirstSoftTokenSlot || (id - 1) % 3 == 0)
        return id;
    return ((id - 1) / 3) * 3 + 1;
}

}  // namespace orx
