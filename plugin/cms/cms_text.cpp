#include "cms/cms_text.h"

#include <array>

#include "core/base64.h"
#include "core/base64_bulk.h"
#include "core/mime_header.h"
#include "core/string_helpers.h"

namespace orx {

namespace {

constexpr std::array<int8_t, 256> MakeDecodeTable() {
    std::array<int8_t, 256> table{};
    for (int8_t& v : table)
        v = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<uint8_t>(kBase64Alphabet[i])] = static_cast<int8_t>(i);
    table[static_cast<uint8_t>(' ')] = -2;
    table[static_cast<uint8_t>('\t')] = -2;
    table[static_cast<uint8_t>('\r')] = -2;
    table[static_cast<uint8_t>('\n')] = -2;
    table[static_cast<uint8_t>('=')] = -3;
    return table;
}

constexpr std::array<int8_t, 256> kDecode = MakeDecodeTable();

}  // namespace

bool Base64DecodeInPlace(std::string& text) {
    uint8_t* data = reinterpret_cast<uint8_t*>(text.data());
    const size_t size = text.size();
    size_t out = 0;
    uint32_t group = 0;
    int have = 0;
    size_t padding = 0;
    for (size_t i = 0; i < size; ++i) {
        // Whole groups of four in bulk while nothing but the alphabet comes.
        if (have == 0 && padding == 0) {
            const size_t used = Base64DecodeBulk(std::span<uint8_t>(data + out, size - out),
                                                 std::span<const uint8_t>(data + i, size - i));
            i += used;
            out += used / 4 * 3;
        }
        if (i >= size)
            break;
        const int8_t v = kDecode[data[i]];
        if (v == -2)
            continue;
        if (v == -3) {
            ++padding;
            continue;
        }
        if (v < 0 || padding > 0)
            return false;
        group = (group << 6) | static_cast<uint32_t>(v);
        if (++have == 4) {
            // Three bytes out for four characters read: never ahead of the reader.
            data[out++] = static_cast<uint8_t>(group >> 16);
            data[out++] = static_cast<uint8_t>(group >> 8);
            data[out++] = static_cast<uint8_t>(group);
            group = 0;
            have = 0;
        }
    }
    if (have == 1 || padding > 2 || (padding > 0 && have + padding != 4))
        return false;
    if (have == 2) {
        data[out++] = static_cast<uint8_t>(group >> 4);
    } else if (have == 3) {
        data[out++] = static_cast<uint8_t>(group >> 10);
        data[out++] = static_cast<uint8_t>(group >> 2);
    }
    text.resize(out);
    return true;
}

void Base64Append(std::initializer_list<std::span<const uint8_t>> pieces, std::string& out,
                  size_t lineLength) {
    size_t total = 0;
    for (const auto& piece : pieces)
        total += piece.size();
    const size_t chars = 4 * ((total + 2) / 3);
    const size_t breaks = lineLength ? (chars + lineLength - 1) / lineLength : 0;
    const size_t start = out.size();
    out.resize(start + chars + breaks);
    char* dst = out.data() + start;
    size_t column = 0;
    // Whole groups of three are encoded in blocks; a piece's left-over bytes are
    // carried into the next piece.
    uint8_t carry[3];
    size_t carried = 0;
    auto emit = [&](const uint8_t* src, size_t n) {
        // n is a multiple of 3 except for the very last call.
        while (n > 0) {
            size_t take = n;
            if (lineLength) {
                const size_t room = (lineLength - column) / 4 * 3;
                if (take > room)
                    take = room;
            }
            // Only the very last call may leave a short, padded group.
            const auto written = static_cast<size_t>(Base64EncodeUnterminated(
                {dst, Base64EncodedLength(take)}, std::span<const uint8_t>(src, take)));
            dst += written;
            src += take;
            n -= take;
            if (lineLength) {
                column += written;
                if (column == lineLength) {
                    *dst++ = '\n';
                    column = 0;
                }
            }
        }
    };
    for (const auto& piece : pieces) {
        const uint8_t* src = piece.data();
        size_t n = piece.size();
        while (carried > 0 && carried < 3 && n > 0) {
            carry[carried++] = *src++;
            --n;
        }
        if (carried == 3) {
            emit(carry, 3);
            carried = 0;
        }
        const size_t whole = n / 3 * 3;
        emit(src, whole);
        src += whole;
        n -= whole;
        while (n > 0) {
            carry[carried++] = *src++;
            --n;
        }
    }
    if (carried > 0)
        emit(carry, carried);
    if (lineLength && column > 0)
        *dst++ = '\n';
    out.resize(static_cast<size_t>(dst - out.data()));
}

bool TakeDataInput(std::string&& value, CmsInput& input) {
    input.bytes = std::move(value);
    input.mime = StartsWithMime(input.bytes);
    if (input.mime)
        return true;
    if (!Base64DecodeInPlace(input.bytes))
        return false;
    input.mime = StartsWithMime(input.bytes);
    return true;
}

bool IsTrue(std::string_view value) {
    return EqualsNoCase(value, "true") || value == "1";
}

}  // namespace orx
