// libs: orxtokens
// Soft token files come from anywhere (imports of exported tokens): reading one
// must never crash, loop or take more than bounded memory, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tokenfile/token_file.h"

namespace {

void ReadToken(std::span<const uint8_t> bytes) {
    orx::TokenFile file;
    if (orx::ParseTokenFile(bytes, file) == CKR_OK) {
        // A fixed key: the verifier refuses it, or the seal does; neither may crash.
        orx::TokenKey key;
        const std::vector<uint8_t> material(orx::kKeySize, 0x5A);
        key.encryption = orx::Secret(material);
        key.mac = orx::Secret(material);
        std::vector<orx::TokenObject> objects;
        orx::UnsealToken(file, key, objects);
        orx::FormatSerial(file.serial);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    ReadToken(bytes);
    // The same bytes with a checksum that fits, so that the fuzzer reaches the header
    // and body parsing behind it (a deliberate change can always recompute it).
    std::vector<uint8_t> summed(bytes.begin(), bytes.end());
    const auto digest = orx::Sha256(bytes);
    summed.insert(summed.end(), digest.begin(), digest.end());
    ReadToken(summed);
    // The object list on its own: the checksum would stop most mutations before it.
    std::vector<orx::TokenObject> objects;
    orx::DecodeObjects(bytes, objects);
    return 0;
}
