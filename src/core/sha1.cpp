#include "core/sha1.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orx {
namespace {

inline uint32_t LoadBigEndian(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::little) {
        v = __builtin_bswap32(v);
    }
    return v;
}

inline void StoreBigEndian(uint8_t* p, uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        v = __builtin_bswap32(v);
    }
    std::memcpy(p, &v, 4);
}

// The five working values never move: each step writes its result into the
// variable that held the oldest value, and the next step is written with the roles
// rotated. That keeps them in registers and saves four moves per step.
//
// Steps 16..79 extend the message schedule in place in a 16-word ring.
#define ORX_SHA1_W(i) \
    (w[(i)&15] =      \
         std::rotl(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))

#define ORX_SHA1_F1(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define ORX_SHA1_F2(b, c, d) ((b) ^ (c) ^ (d))
#define ORX_SHA1_F3(b, c, d) (((b) & (c)) | ((d) & ((b) | (c))))

// The value of the previous step (a) is added last: everything else of a step
// is ready earlier, so the chain from step to step is one rotate and one add.
#define ORX_SHA1_R0(a, b, c, d, e, i)                                   \
    (e) += w[i] + 0x5A827999u + ORX_SHA1_F1(b, c, d) + std::rotl(a, 5); \
    (b) = std::rotl(b, 30)
#define ORX_SHA1_R1(a, b, c, d, e, i)                                            \
    (e) += ORX_SHA1_W(i) + 0x5A827999u + ORX_SHA1_F1(b, c, d) + std::rotl(a, 5); \
    (b) = std::rotl(b, 30)
#define ORX_SHA1_R2(a, b, c, d, e, i)                                            \
    (e) += ORX_SHA1_W(i) + 0x6ED9EBA1u + ORX_SHA1_F2(b, c, d) + std::rotl(a, 5); \
    (b) = std::rotl(b, 30)
#define ORX_SHA1_R3(a, b, c, d, e, i)                                            \
    (e) += ORX_SHA1_W(i) + 0x8F1BBCDCu + ORX_SHA1_F3(b, c, d) + std::rotl(a, 5); \
    (b) = std::rotl(b, 30)
#define ORX_SHA1_R4(a, b, c, d, e, i)                                            \
    (e) += ORX_SHA1_W(i) + 0xCA62C1D6u + ORX_SHA1_F2(b, c, d) + std::rotl(a, 5); \
    (b) = std::rotl(b, 30)

void Compress(uint32_t state[5], const uint8_t* block) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) {
        w[i] = LoadBigEndian(block + 4 * i);
    }
    uint32_t a = state[0];
    uint32_t b = state[1];
    uint32_t c = state[2];
    uint32_t d = state[3];
    uint32_t e = state[4];

    ORX_SHA1_R0(a, b, c, d, e, 0);
    ORX_SHA1_R0(e, a, b, c, d, 1);
    ORX_SHA1_R0(d, e, a, b, c, 2);
    ORX_SHA1_R0(c, d, e, a, b, 3);
    ORX_SHA1_R0(b, c, d, e, a, 4);
    ORX_SHA1_R0(a, b, c, d, e, 5);
    ORX_SHA1_R0(e, a, b, c, d, 6);
    ORX_SHA1_R0(d, e, a, b, c, 7);
    ORX_SHA1_R0(c, d, e, a, b, 8);
    ORX_SHA1_R0(b, c, d, e, a, 9);
    ORX_SHA1_R0(a, b, c, d, e, 10);
    ORX_SHA1_R0(e, a, b, c, d, 11);
    ORX_SHA1_R0(d, e, a, b, c, 12);
    ORX_SHA1_R0(c, d, e, a, b, 13);
    ORX_SHA1_R0(b, c, d, e, a, 14);
    ORX_SHA1_R0(a, b, c, d, e, 15);
    ORX_SHA1_R1(e, a, b, c, d, 16);
    ORX_SHA1_R1(d, e, a, b, c, 17);
    ORX_SHA1_R1(c, d, e, a, b, 18);
    ORX_SHA1_R1(b, c, d, e, a, 19);

    ORX_SHA1_R2(a, b, c, d, e, 20);
    ORX_SHA1_R2(e, a, b, c, d, 21);
    ORX_SHA1_R2(d, e, a, b, c, 22);
    ORX_SHA1_R2(c, d, e, a, b, 23);
    ORX_SHA1_R2(b, c, d, e, a, 24);
    ORX_SHA1_R2(a, b, c, d, e, 25);
    ORX_SHA1_R2(e, a, b, c, d, 26);
    ORX_SHA1_R2(d, e, a, b, c, 27);
    ORX_SHA1_R2(c, d, e, a, b, 28);
    ORX_SHA1_R2(b, c, d, e, a, 29);
    ORX_SHA1_R2(a, b, c, d, e, 30);
    ORX_SHA1_R2(e, a, b, c, d, 31);
    ORX_SHA1_R2(d, e, a, b, c, 32);
    ORX_SHA1_R2(c, d, e, a, b, 33);
    ORX_SHA1_R2(b, c, d, e, a, 34);
    ORX_SHA1_R2(a, b, c, d, e, 35);
    ORX_SHA1_R2(e, a, b, c, d, 36);
    ORX_SHA1_R2(d, e, a, b, c, 37);
    ORX_SHA1_R2(c, d, e, a, b, 38);
    ORX_SHA1_R2(b, c, d, e, a, 39);

    ORX_SHA1_R3(a, b, c, d, e, 40);
    ORX_SHA1_R3(e, a, b, c, d, 41);
    ORX_SHA1_R3(d, e, a, b, c, 42);
    ORX_SHA1_R3(c, d, e, a, b, 43);
    ORX_SHA1_R3(b, c, d, e, a, 44);
    ORX_SHA1_R3(a, b, c, d, e, 45);
    ORX_SHA1_R3(e, a, b, c, d, 46);
    ORX_SHA1_R3(d, e, a, b, c, 47);
    ORX_SHA1_R3(c, d, e, a, b, 48);
    ORX_SHA1_R3(b, c, d, e, a, 49);
    ORX_SHA1_R3(a, b, c, d, e, 50);
    ORX_SHA1_R3(e, a, b, c, d, 51);
    ORX_SHA1_R3(d, e, a, b, c, 52);
    ORX_SHA1_R3(c, d, e, a, b, 53);
    ORX_SHA1_R3(b, c, d, e, a, 54);
    ORX_SHA1_R3(a, b, c, d, e, 55);
    ORX_SHA1_R3(e, a, b, c, d, 56);
    ORX_SHA1_R3(d, e, a, b, c, 57);
    ORX_SHA1_R3(c, d, e, a, b, 58);
    ORX_SHA1_R3(b, c, d, e, a, 59);

    ORX_SHA1_R4(a, b, c, d, e, 60);
    ORX_SHA1_R4(e, a, b, c, d, 61);
    ORX_SHA1_R4(d, e, a, b, c, 62);
    ORX_SHA1_R4(c, d, e, a, b, 63);
    ORX_SHA1_R4(b, c, d, e, a, 64);
    ORX_SHA1_R4(a, b, c, d, e, 65);
    ORX_SHA1_R4(e, a, b, c, d, 66);
    ORX_SHA1_R4(d, e, a, b, c, 67);
    ORX_SHA1_R4(c, d, e, a, b, 68);
    ORX_SHA1_R4(b, c, d, e, a, 69);
    ORX_SHA1_R4(a, b, c, d, e, 70);
    ORX_SHA1_R4(e, a, b, c, d, 71);
    ORX_SHA1_R4(d, e, a, b, c, 72);
    ORX_SHA1_R4(c, d, e, a, b, 73);
    ORX_SHA1_R4(b, c, d, e, a, 74);
    ORX_SHA1_R4(a, b, c, d, e, 75);
    ORX_SHA1_R4(e, a, b, c, d, 76);
    ORX_SHA1_R4(d, e, a, b, c, 77);
    ORX_SHA1_R4(c, d, e, a, b, 78);
    ORX_SHA1_R4(b, c, d, e, a, 79);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

#undef ORX_SHA1_W
#undef ORX_SHA1_F1
#undef ORX_SHA1_F2
#undef ORX_SHA1_F3
#undef ORX_SHA1_R0
#undef ORX_SHA1_R1
#undef ORX_SHA1_R2
#undef ORX_SHA1_R3
#undef ORX_SHA1_R4

}  // namespace

void Sha1Init(Sha1Context& context) {
    context.state[0] = 0x67452301u;
    context.state[1] = 0xEFCDAB89u;
    context.state[2] = 0x98BADCFEu;
    context.state[3] = 0x10325476u;
    context.state[4] = 0xC3D2E1F0u;
    context.count = 0;
}

void Sha1Update(Sha1Context& context, std::span<const uint8_t> bytes) {
    const uint8_t* data = bytes.data();
    size_t length = bytes.size();
    size_t used = context.count & 63u;
    context.count += static_cast<uint32_t>(length);
    if (used != 0) {
        const size_t take = std::min(length, 64 - used);
        std::memcpy(context.buffer + used, data, take);
        data += take;
        length -= take;
        if (used + take < 64) {
            return;
        }
        Compress(context.state, context.buffer);
    }
    // Whole blocks straight from the caller's bytes: no copy through the buffer.
    for (; length >= 64; data += 64, length -= 64) {
        Compress(context.state, data);
    }
    if (length != 0) {
        std::memcpy(context.buffer, data, length);
    }
}

void Sha1Final(Sha1Context& context, Sha1Digest& digest) {
    const uint32_t count = context.count;
    size_t used = count & 63u;
    context.buffer[used++] = 0x80;
    if (used > 56) {
        std::memset(context.buffer + used, 0, 64 - used);
        Compress(context.state, context.buffer);
        used = 0;
    }
    std::memset(context.buffer + used, 0, 56 - used);
    StoreBigEndian(context.buffer + 56, count >> 29);
    StoreBigEndian(context.buffer + 60, count << 3);
    Compress(context.state, context.buffer);
    for (int i = 0; i < 5; ++i) {
        StoreBigEndian(digest.data() + 4 * i, context.state[i]);
    }
}

Sha1Digest Sha1(std::span<const uint8_t> bytes) {
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, bytes);
    Sha1Digest digest;
    Sha1Final(context, digest);
    return digest;
}

}  // namespace orx
