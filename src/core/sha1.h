// SHA-1 (FIPS 180-1). The byte count is 32 bits: at most 4 GiB per hash.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace orx {

struct Sha1Context {
    uint32_t state[5];
    uint32_t count;
    uint8_t buffer[64];
};

using Sha1Digest = std::array<uint8_t, 20>;

void Sha1Init(Sha1Context& context);
void Sha1Update(Sha1Context& context, std::span<const uint8_t> bytes);
void Sha1Final(Sha1Context& context, Sha1Digest& digest);

Sha1Digest Sha1(std::span<const uint8_t> bytes);

}  // namespace orx
