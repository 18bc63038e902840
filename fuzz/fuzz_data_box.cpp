// libs: orxadmintexts
// A data box's blob comes from the token, which any program of the user may have
// written: reading it must never read past its end, whatever the bytes, and every
// entry it gives must be made of bytes the blob holds, in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "admin/data_box.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> blob(data, size);
    size_t taken = 1;
    for (const orx::DataBoxEntry& entry : orx::ParseDataBox(blob)) {
        // 0x00, description, 0x00, value, 0x00: never more than the blob holds.
        taken += 3 + entry.description.size() + entry.value.size();
        if (entry.description.empty() || taken > size)
            std::abort();
    }
    return 0;
}
