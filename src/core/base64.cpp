#include "core/base64.h"

#include <array>
#include <bit>
#include <cstring>

namespace orx {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kInvalid = 0xFF;

// Two output characters per 12 input bits: one lookup and one 16-bit store
// instead of two of each.
constexpr std::array<std::array<char, 2>, 4096> MakePairTable() {
    std::array<std::array<char, 2>, 4096> table{};
    for (size_t i = 0; i < table.size(); ++i) {
        table[i] = {kAlphabet[i >> 6], kAlphabet[i & 63]};
    }
    return table;
}
constexpr auto kPairs = MakePairTable();

// Everything outside the alphabet, '=' and the bytes above 0x7F included, is
// invalid and skipped by the decoder.
constexpr std::array<uint8_t, 256> MakeDecodeTable() {
    std::array<uint8_t, 256> table{};
    for (auto& v : table) {
        v = kInvalid;
    }
    for (uint8_t i = 0; i < 64; ++i) {
        table[static_cast<uint8_t>(kAlphabet[i])] = i;
    }
    return table;
}
constexpr auto kDecode = MakeDecodeTable();

// For the fast path: each character's contribution to the three output bytes,
// already shifted into place in a native 32-bit word, so that a group of four
// decodes with four lookups and three ORs. An invalid character sets the fourth
// byte, which no valid contribution touches.
constexpr uint32_t Pack(uint32_t b0, uint32_t b1, uint32_t b2, uint32_t b3) {
    if constexpr (std::endian::native == std::endian::little) {
        return b0 | (b1 << 8) | (b2 << 16) | (b3 << 24);
    } else {
        return (b0 << 24) | (b1 << 16) | (b2 << 8) | b3;
    }
}
constexpr uint32_t kInvalidWord = Pack(0, 0, 0, 0xFF);

constexpr std::array<std::array<uint32_t, 256>, 4> MakeShiftedTables() {
    std::array<std::array<uint32_t, 256>, 4> tables{};
    for (size_t c = 0; c < 256; ++c) {
        const uint32_t x = kDecode[c];
        if (x == kInvalid) {
            for (auto& t : tables) {
                t[c] = kInvalidWord;
            }
            continue;
        }
        tables[0][c] = Pack((x << 2) & 0xFF, 0, 0, 0);
        tables[1][c] = Pack(x >> 4, (x << 4) & 0xFF, 0, 0);
        tables[2][c] = Pack(0, x >> 2, (x << 6) & 0xFF, 0);
        tables[3][c] = Pack(0, 0, x, 0);
    }
    return tables;
}
constexpr auto kShifted = MakeShiftedTables();

void EncodeInto(char* out, const uint8_t* in, size_t length) {
    size_t i = 0;
    for (; i + 3 <= length; i += 3, out += 4) {
        const uint32_t v = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
        std::memcpy(out, kPairs[v >> 12].data(), 2);
        std::memcpy(out + 2, kPairs[v & 0xFFF].data(), 2);
    }
    const size_t rest = length - i;
    if (rest != 0) {
        const uint32_t v = (uint32_t{in[i]} << 16) | (rest == 2 ? uint32_t{in[i + 1]} << 8 : 0);
        out[0] = kAlphabet[v >> 18];
        out[1] = kAlphabet[(v >> 12) & 63];
        out[2] = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out[3] = '=';
        out += 4;
    }
    *out = '\0';
}

}  // namespace

int Base64Encode(std::span<char> out, std::span<const uint8_t> in) {
    const size_t needed = Base64EncodedLength(in.size());
    if (out.size() <= needed) {
        return -1;
    }
    EncodeInto(out.data(), in.data(), in.size());
    return static_cast<int>(needed);
}

std::string Base64Encode(std::span<const uint8_t> in) {
    // One more for the terminator the encoder writes; the string keeps its own.
    std::string text(Base64EncodedLength(in.size()) + 1, '\0');
    EncodeInto(text.data(), in.data(), in.size());
    text.pop_back();
    return text;
}

std::string Base64Encode(std::string_view in) {
    return Base64Encode(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(in.data()), in.size()));
}

int Base64Decode(std::span<uint8_t> out, std::string_view text) {
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    const auto* end = p + text.size();
    if (p != end && *p == '-') {
        // A PEM block: the body starts behind the BEGIN line and ends at the '-' of
        // the END line.
        while (p != end && *p != '\n' && *p != '\0') {
            ++p;
        }
        if (p != end && *p == '\n') {
            ++p;
        } else {
            p = end;
        }
        const auto* body = p;
        while (p != end && *p != '-' && *p != '\0') {
            ++p;
        }
        end = p;
        p = body;
    }

    uint8_t* const first = out.data();
    uint8_t* const last = first + out.size();
    uint8_t* o = first;
    uint32_t bits = 0;
    unsigned bitCount = 0;
    while (p != end) {
        if (bitCount == 0) {
            // Runs of valid characters, four at a time; the four-byte store needs
            // one byte of slack behind the three it keeps.
            while (end - p >= 4 && last - o >= 4) {
                const uint32_t v =
                    kShifted[0][p[0]] | kShifted[1][p[1]] | kShifted[2][p[2]] | kShifted[3][p[3]];
                if (v & kInvalidWord) {
                    break;
                }
                std::memcpy(o, &v, 4);
                o += 3;
                p += 4;
            }
            if (p == end) {
                break;
            }
        }
        const uint8_t x = kDecode[*p++];
        if (x == kInvalid) {
            continue;
        }
        bits = (bits << 6) | x;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            if (o == last) {
                return -1;
            }
            *o++ = static_cast<uint8_t>(bits >> bitCount);
            bits &= (1u << bitCount) - 1;
        }
    }
    return static_cast<int>(o - first);
}

std::vector<uint8_t> Base64Decode(std::string_view text) {
    // Every four characters give at most three bytes.
    std::vector<uint8_t> bytes(text.size() / 4 * 3 + 3);
    const int n = Base64Decode(std::span<uint8_t>(bytes), text);
    bytes.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return bytes;
}

}  // namespace orx
