#include "core/base64.h"

#include "core/base64_bulk.h"

#include <array>

namespace orx {
namespace {

constexpr const char* kAlphabet = kBase64Alphabet;
constexpr uint8_t kInvalid = 0xFF;

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

// Writes exactly Base64EncodedLength(length) characters.
void EncodeInto(char* out, const uint8_t* in, size_t length) {
    const size_t i = Base64EncodeBulk(std::span<char>(out, length / 3 * 4), {in, length});
    out += i / 3 * 4;
    const size_t rest = length - i;
    if (rest != 0) {
        const uint32_t v = (uint32_t{in[i]} << 16) | (rest == 2 ? uint32_t{in[i + 1]} << 8 : 0);
        out[0] = kAlphabet[v >> 18];
        out[1] = kAlphabet[(v >> 12) & 63];
        out[2] = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out[3] = '=';
    }
}

}  // namespace

int Base64Encode(std::span<char> out, std::span<const uint8_t> in) {
    const size_t needed = Base64EncodedLength(in.size());
    if (out.size() <= needed) {
        return -1;
    }
    EncodeInto(out.data(), in.data(), in.size());
    out[needed] = '\0';
    return static_cast<int>(needed);
}

int Base64EncodeUnterminated(std::span<char> out, std::span<const uint8_t> in) {
    const size_t needed = Base64EncodedLength(in.size());
    if (out.size() < needed) {
        return -1;
    }
    EncodeInto(out.data(), in.data(), in.size());
    return static_cast<int>(needed);
}

std::string Base64Encode(std::span<const uint8_t> in) {
    std::string text(Base64EncodedLength(in.size()), '\0');
    EncodeInto(text.data(), in.data(), in.size());
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
            // Runs of valid characters go in bulk; the rest one at a time.
            const size_t used =
                Base64DecodeBulk(std::span<uint8_t>(o, static_cast<size_t>(last - o)),
                                 {p, static_cast<size_t>(end - p)});
            p += used;
            o += used / 4 * 3;
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

bool Base64DecodeInBlocks(std::string_view text,
                          const std::function<bool(std::span<const uint8_t>)>& take) {
    // A block is taken as it is when it decodes to the full three bytes per four
    // characters. Anything else in it (a line break, a PEM line, padding) makes the
    // rest go in one piece, where the decoder's state spans the whole of it.
    if (text.size() > kBase64BlockText) {
        std::vector<uint8_t> block(kBase64BlockText / 4 * 3);
        while (text.size() > kBase64BlockText) {
            if (Base64Decode(std::span<uint8_t>(block), text.substr(0, kBase64BlockText)) !=
                static_cast<int>(block.size()))
                break;
            if (!take(block))
                return false;
            text.remove_prefix(kBase64BlockText);
        }
    }
    return take(Base64Decode(text));
}

}  // namespace orx
