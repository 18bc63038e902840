#include "core/base64_bulk.h"

#include <array>
#include <atomic>
#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define ORX_BASE64_AVX2 1
#endif

namespace orx {
namespace {

constexpr const char* kAlphabet = kBase64Alphabet;

// Two output characters per 12 input bits: one lookup and one 16-bit store
// instead of two of each.
constexpr std::array<std::array<char, 2>, 4096> MakePairTable() {
    std::array<std::array<char, 2>, 4096> table{};
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = {kAlphabet[i >> 6], kAlphabet[i & 63]};
    return table;
}
constexpr auto kPairs = MakePairTable();

// Each character's contribution to the three output bytes, already shifted into
// place in a native 32-bit word, so that a group of four decodes with four lookups
// and three ORs. A character outside the alphabet sets the fourth byte, which no
// valid contribution touches.
constexpr uint32_t Pack(uint32_t b0, uint32_t b1, uint32_t b2, uint32_t b3) {
    if constexpr (std::endian::native == std::endian::little)
        return b0 | (b1 << 8) | (b2 << 16) | (b3 << 24);
    else
        return (b0 << 24) | (b1 << 16) | (b2 << 8) | b3;
}
constexpr uint32_t kInvalidWord = Pack(0, 0, 0, 0xFF);

constexpr std::array<std::array<uint32_t, 256>, 4> MakeShiftedTables() {
    std::array<std::array<uint32_t, 256>, 4> tables{};
    for (auto& t : tables)
        t.fill(kInvalidWord);
    for (uint32_t x = 0; x < 64; ++x) {
        const auto c = static_cast<uint8_t>(kAlphabet[x]);
        tables[0][c] = Pack((x << 2) & 0xFF, 0, 0, 0);
        tables[1][c] = Pack(x >> 4, (x << 4) & 0xFF, 0, 0);
        tables[2][c] = Pack(0, x >> 2, (x << 6) & 0xFF, 0);
        tables[3][c] = Pack(0, 0, x, 0);
    }
    return tables;
}
constexpr auto kShifted = MakeShiftedTables();

size_t EncodePlain(char* out, const uint8_t* in, size_t length) {
    size_t i = 0;
    for (; i + 3 <= length; i += 3, out += 4) {
        const uint32_t v = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
        std::memcpy(out, kPairs[v >> 12].data(), 2);
        std::memcpy(out + 2, kPairs[v & 0xFFF].data(), 2);
    }
    return i;
}

// The four-byte store needs one byte of room behind the three it keeps.
size_t DecodePlain(uint8_t* out, size_t room, const uint8_t* in, size_t length) {
    size_t i = 0, o = 0;
    for (; i + 4 <= length && o + 4 <= room; i += 4, o += 3) {
        const uint32_t v = kShifted[0][in[i]] | kShifted[1][in[i + 1]] | kShifted[2][in[i + 2]] |
                           kShifted[3][in[i + 3]];
        if (v & kInvalidWord)
            break;
        std::memcpy(out + o, &v, 4);
    }
    return i;
}

#ifdef ORX_BASE64_AVX2

// Each 32-bit lane takes one group of three, its bytes ordered so that two
// multiplications move the four 6-bit indices into bytes of their own; a table of
// offsets indexed by the index's range then turns them into characters.
__attribute__((target("avx2"))) size_t EncodeAvx2(char* out, const uint8_t* in, size_t length) {
    const __m256i gather = _mm256_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1, 10,
                                           11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1);
    const __m256i offsets =
        _mm256_setr_epi8(65, 71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 0, 0, 65, 71, -4,
                         -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 0, 0);
    size_t i = 0;
    // Two loads of 16 bytes, 12 used of each: the second ends 4 bytes past the group.
    for (; i + 28 <= length; i += 24, out += 32) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 12));
        const __m256i v = _mm256_shuffle_epi8(_mm256_set_m128i(high, low), gather);
        const __m256i ac = _mm256_mulhi_epu16(_mm256_and_si256(v, _mm256_set1_epi32(0x0fc0fc00)),
                                              _mm256_set1_epi32(0x04000040));
        const __m256i bd = _mm256_mullo_epi16(_mm256_and_si256(v, _mm256_set1_epi32(0x003f03f0)),
                                              _mm256_set1_epi32(0x01000010));
        const __m256i indices = _mm256_or_si256(ac, bd);
        // 0-25 -> 0, 26-51 -> 1, 52-61 -> 2-11, 62 -> 12, 63 -> 13.
        __m256i range = _mm256_subs_epu8(indices, _mm256_set1_epi8(51));
        range = _mm256_sub_epi8(range, _mm256_cmpgt_epi8(indices, _mm256_set1_epi8(25)));
        const __m256i text = _mm256_add_epi8(indices, _mm256_shuffle_epi8(offsets, range));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), text);
    }
    return i;
}

// Validation by two nibble tables (a character is outside the alphabet when the bits
// of its low and high nibble meet), translation by an offset chosen by the high
// nibble, then two multiply-adds pack four 6-bit values into three bytes.
__attribute__((target("avx2"))) size_t DecodeAvx2(uint8_t* out, size_t room, const uint8_t* in,
                                                  size_t length) {
    const __m256i lowBits =
        _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A,
                         0x1B, 0x1B, 0x1B, 0x1A, 0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                         0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
    const __m256i highBits =
        _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10,
                         0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08,
                         0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
    const __m256i shifts =
        _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 19, 4,
                         -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i slash = _mm256_set1_epi8(0x2F);
    const __m256i order = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,
                                           2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
    size_t i = 0, o = 0;
    // Each store writes 32 bytes of which 24 count: the 8 behind are overwritten
    // next, and in place they fall on characters already read.
    for (; i + 32 <= length && o + 32 <= room; i += 32, o += 24) {
        const __m256i text = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        // 0x2F keeps each nibble and clears bit 7, which would zero a shuffle's result.
        const __m256i high = _mm256_and_si256(_mm256_srli_epi32(text, 4), slash);
        const __m256i low = _mm256_and_si256(text, slash);
        if (!_mm256_testz_si256(_mm256_shuffle_epi8(lowBits, low),
                                _mm256_shuffle_epi8(highBits, high)))
            break;
        const __m256i shift =
            _mm256_shuffle_epi8(shifts, _mm256_add_epi8(_mm256_cmpeq_epi8(text, slash), high));
        const __m256i values = _mm256_add_epi8(text, shift);
        const __m256i pairs = _mm256_maddubs_epi16(values, _mm256_set1_epi32(0x01400140));
        const __m256i words = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(words, order), lanes);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + o), bytes);
    }
    return i;
}

bool ProcessorHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#else

bool ProcessorHasAvx2() {
    return false;
}

#endif

std::atomic<bool> vectorAllowed{true};

bool UseAvx2() {
    return vectorAllowed.load(std::memory_order_relaxed) && ProcessorHasAvx2();
}

}  // namespace

size_t Base64EncodeBulk(std::span<char> out, std::span<const uint8_t> in) {
    size_t done = 0;
#ifdef ORX_BASE64_AVX2
    if (UseAvx2())
        done = EncodeAvx2(out.data(), in.data(), in.size());
#endif
    return done + EncodePlain(out.data() + done / 3 * 4, in.data() + done, in.size() - done);
}

size_t Base64DecodeBulk(std::span<uint8_t> out, std::span<const uint8_t> in) {
    size_t done = 0;
#ifdef ORX_BASE64_AVX2
    if (UseAvx2())
        done = DecodeAvx2(out.data(), out.size(), in.data(), in.size());
#endif
    const size_t written = done / 4 * 3;
    return done + DecodePlain(out.data() + written, out.size() - written, in.data() + done,
                              in.size() - done);
}

void Base64UseVectorPath(bool enabled) {
    vectorAllowed.store(enabled, std::memory_order_relaxed);
}

bool Base64HasVectorPath() {
    return ProcessorHasAvx2();
}

}  // namespace orx
