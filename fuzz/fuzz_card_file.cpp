// libs: orxtokens
// Card files are put into readers by hand and by other programs: reading one must
// never crash, loop or take more than bounded memory, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "cardfile/card_file.h"

namespace {

void ReadCard(std::span<const uint8_t> bytes) {
    orx::CardFile card;
    if (orx::ParseCardFile(bytes, card) != CKR_OK)
        return;
    for (size_t i = 0; i < orx::kCardApplications; ++i) {
        orx::TokenFile file;
        orx::ReadApplication(card, i, file);
    }
    // A cheap wrong password: the box refuses it or is damaged; neither may crash.
    std::vector<orx::TokenKey> keys;
    orx::TokenFile box;
    if (orx::ParseTokenFile(card.pukBox, box) == CKR_OK && box.kdf.log2N <= 4)
        orx::OpenKeyBox(card.pukBox, "fuzz-password", keys);
    orx::SerializeCardFile(card);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    ReadCard(bytes);
    // The same bytes with a checksum that fits, so that the fuzzer reaches the records
    // behind it (a deliberate change can always recompute it).
    std::vector<uint8_t> summed(bytes.begin(), bytes.end());
    const auto digest = orx::Sha256(bytes);
    summed.insert(summed.end(), digest.begin(), digest.end());
    ReadCard(summed);
    return 0;
}
