#include "tokenfile/slot_registry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "core/file_helpers.h"
#include "core/trace.h"
#include "storage/atomic_file.h"

namespace orx {

std::map<std::string, int> SlotRegistry::ReadIndex() const {
    std::map<std::string, int> index;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(store_.folder() + std::string(kSlotIndexName), bytes, 1u << 20,
                       ReadFrom::kRegularFile))
        return index;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::set<int> used;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            continue;
        const int id = std::atoi(std::string(line.substr(0, tab)).c_str());
        const std::string stem(line.substr(tab + 1));
        // A damaged or hand-edited index loses entries, never gives one id twice.
        if (id < kFirstSoftSlot || id >= kSoftSlotLimit || stem.empty() || used.count(id) ||
            index.count(stem))
            continue;
        used.insert(id);
        index[stem] = id;
    }
    return index;
}

bool SlotRegistry::WriteIndex(const std::map<std::string, int>& index) const {
    std::string text;
    for (const auto& [stem, id] : index)
        text += std::to_string(id) + "\t" + stem + "\n";
    return AtomicWriteFile(store_.folder() + std::string(kSlotIndexName),
                           {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

bool SlotRegistry::Complete(std::map<std::string, int>& index) const {
    const std::vector<std::string> stems = store_.ListStems();
    bool changed = false;
    for (auto it = index.begin(); it != index.end();) {
        if (!std::binary_search(stems.begin(), stems.end(), it->first)) {
            it = index.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    std::set<int> used;
    for (const auto& entry : index)
        used.insert(entry.second);
    int next = kFirstSoftSlot;
    for (const std::string& stem : stems) {
        if (index.count(stem))
            continue;
        while (next < kSoftSlotLimit && used.count(next))
            ++next;
        if (next >= kSoftSlotLimit) {
            Trace("Plg - No slot id left for %s", stem.c_str());
            break;
        }
        index[stem] = next;
        used.insert(next);
        changed = true;
    }
    return changed;
}

int SlotRegistry::AssignLocked(std::string_view stem) const {
    std::map<std::string, int> index = ReadIndex();
    if (Complete(index) && !WriteIndex(index))
        return -1;
    auto it = index.find(std::string(stem));
    return it == index.end() ? -1 : it->second;
}

void SlotRegistry::ForgetLocked(std::string_view stem) const {
    std::map<std::string, int> index = ReadIndex();
    index.erase(std::string(stem));
    Complete(index);
    WriteIndex(index);
}

void SlotRegistry::Scan() {
    std::map<std::string, int> index = ReadIndex();
    const std::vector<std::string> stems = store_.ListStems();
    const bool missing = std::any_of(stems.begin(), stems.end(),
                                     [&](const std::string& stem) { return !index.count(stem); });
    if (missing) {
        store_.Locked([&]() -> int {
            index = ReadIndex();
            if (Complete(index))
                WriteIndex(index);
            return CKR_OK;
        });
    }

    std::vector<SoftSlot> fresh;
    for (const auto& [stem, id] : index) {
        SoftSlot slot;
        slot.id = id;
        slot.stem = stem;
        slot.path = store_.PathOf(stem);
        struct stat info {};
        if (::stat(slot.path.c_str(), &info) != 0)
            continue;
        slot.inode = info.st_ino;
        slot.size = info.st_size;
        slot.modified = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
        const SoftSlot* known = FindStem(stem);
        if (known && known->id == id && known->inode == slot.inode && known->size == slot.size &&
            known->modified == slot.modified) {
            fresh.push_back(*known);
            continue;
        }
        TokenFile file;
        slot.state = store_.Read(stem, file);
        if (slot.state == CKR_OK) {
            slot.label = file.label;
            slot.serial = FormatSerial(file.serial);
        } else {
            if (slot.state != CKR_ATTRIBUTE_VALUE_INVALID)
                continue;  // gone since the listing
            slot.label = stem;
            Trace("Plg - Token file %s is damaged", slot.path.c_str());
        }
        fresh.push_back(std::move(slot));
    }
    std::sort(fresh.begin(), fresh.end(),
              [](const SoftSlot& a, const SoftSlot& b) { return a.id < b.id; });
    slots_ = std::move(fresh);
}

const SoftSlot* SlotRegistry::Find(int id) const {
    for (const SoftSlot& slot : slots_) {
        if (slot.id == id)
            return &slot;
    }
    return nullptr;
}

const SoftSlot* SlotRegistry::FindStem(std::string_view stem) const {
    for (const SoftSlot& slot : slots_) {
        if (slot.stem == stem)
            return &slot;
    }
    return nullptr;
}

}  // namespace orx
