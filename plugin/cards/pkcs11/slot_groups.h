// The slot ids of the PKCS#11 cards. The program expects a card's applications as
// one slot group of three ids (1-3, 4-6, ... up to 99); a PKCS#11 module shows a
// card that has several PINs as several slots of one reader. So a reader (a module
// and a slot description) gets a group, and its slots with initialised tokens fill
// it in slot order; a fourth and later token of one reader is not shown. A reader
// keeps its group while it stays connected, card or no card, so that a card taken
// out and put back comes back under the ids it had. The groups follow those of the
// back-ends before (the virtual readers').
#pragma once

#include <p11-kit/pkcs11.h>

#include <compare>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace orx {

struct ReaderId {
    size_t module = 0;
    std::string name;
    auto operator<=>(const ReaderId&) const = default;
};

// A slot as one look at the modules saw it.
struct SeenSlot {
    ReaderId reader;
    CK_SLOT_ID slot = 0;
    bool hasToken = false;  // an initialised token of an accepted reader
};

class SlotGroups {
  public:
    // The id of each slot of this look (0: not shown), in the order given. Readers
    // not seen any more give their groups up; a group below `firstGroup` (the
    // back-ends before have grown into it) is given up too and its reader moves.
    std::vector<int> Assign(const std::vector<SeenSlot>& slots, int firstGroup);
    // The reader of a group's ids (which the back-end answers for), or null.
    const ReaderId* ReaderOf(int slot) const;
    size_t size() const { return groups_.size(); }

  private:
    std::map<ReaderId, int> groups_;  // reader -> group index (ids index*3+1 ...)
};

}  // namespace orx
