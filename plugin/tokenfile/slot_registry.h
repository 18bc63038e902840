// Slot ids for soft tokens: from 100 up, below 500, kept for each token file in the
// folder's index file so that a token keeps its id across reloads and processes.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tokenfile/token_store.h"

namespace orx {

inline constexpr int kFirstSoftSlot = 100;
inline constexpr int kSoftSlotLimit = 500;  // 31000 + id must stay below 31500

struct SoftSlot {
    int id = 0;
    std::string stem;
    std::string path;
    int state = CKR_OK;  // CKR_OK, or CKR_ATTRIBUTE_VALUE_INVALID when the file fails its checks
    std::string label;   // the file name when the file is damaged
    std::string serial;
    // What the cached header was read from.
    unsigned long long inode = 0;
    long long size = 0;
    long long modified = 0;
};

class SlotRegistry {
  public:
    explicit SlotRegistry(const TokenStore& store) : store_(store) {}

    // Re-reads the folder: new files get ids, removed ones go, changed ones are re-read.
    void Scan();
    // Sorted by id.
    const std::vector<SoftSlot>& slots() const { return slots_; }
    const SoftSlot* Find(int id) const;
    const SoftSlot* FindStem(std::string_view stem) const;

    // Under the store's lock: the stem's id, given one when it has none; -1 when all
    // ids are taken or the index cannot be written.
    int AssignLocked(std::string_view stem) const;
    // Under the store's lock: the stem's id is free again.
    void ForgetLocked(std::string_view stem) const;

  private:
    std::map<std::string, int> ReadIndex() const;
    bool WriteIndex(const std::map<std::string, int>& index) const;
    // Gives every present stem an id, drops ids of files that are gone; true when changed.
    bool Complete(std::map<std::string, int>& index) const;

    const TokenStore& store_;
    std::vector<SoftSlot> slots_;
};

}  // namespace orx
