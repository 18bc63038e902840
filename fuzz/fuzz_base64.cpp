// libs: orxcore
// Properties of the Base64 codec and the UTF-8/UTF-16 conversions on any input:
// the decoder stays inside its area and needs no more than the allocating decoder
// reports, encoding round-trips, the vector and the plain paths agree, decoding in
// blocks gives what decoding whole gives, and valid UTF-8 survives a trip through
// UTF-16.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base64.h"
#include "core/base64_bulk.h"
#include "core/text_encoding.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// An independent validity test, written differently from the converter: the
// decoded value must need exactly the length of its sequence and be a scalar value.
bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        size_t length;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        uint32_t cp = lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const auto b = static_cast<uint8_t>(text[i + k]);
            if ((b & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        const size_t canonical = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (canonical != length || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// Decodes into an area of exactly `capacity` bytes on the heap, so that a write
// behind it is caught by the sanitizer as well as by the guard check.
int DecodeInto(std::string_view text, size_t capacity, std::vector<uint8_t>& out) {
    auto area = std::make_unique<uint8_t[]>(capacity + 1);
    area[capacity] = 0xA5;
    const int n = orx::Base64Decode(std::span<uint8_t>(area.get(), capacity), text);
    Check(area[capacity] == 0xA5);
    Check(n >= -1 && (n < 0 || static_cast<size_t>(n) <= capacity));
    out.assign(area.get(), area.get() + (n < 0 ? 0 : n));
    return n;
}

void Base64Properties(std::span<const uint8_t> data) {
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());

    // Any text: the allocating decoder's size is exactly enough, one byte less is not.
    const std::vector<uint8_t> decoded = orx::Base64Decode(text);
    std::vector<uint8_t> again;
    Check(DecodeInto(text, decoded.size(), again) == static_cast<int>(decoded.size()));
    Check(again == decoded);
    if (!decoded.empty()) {
        Check(DecodeInto(text, decoded.size() - 1, again) == -1);
    }
    // An arbitrary area size chosen by the input.
    if (!data.empty()) {
        const size_t capacity = data[0] % 64;
        const int n = DecodeInto(text, capacity, again);
        Check(capacity < decoded.size() ? n == -1 : n == static_cast<int>(decoded.size()));
    }

    // Any bytes: decode(encode(x)) == x, also as a PEM block with its line breaks.
    const std::string encoded = orx::Base64Encode(data);
    Check(encoded.size() == orx::Base64EncodedLength(data.size()));
    Check(orx::Base64Decode(encoded) == std::vector<uint8_t>(data.begin(), data.end()));
    std::string pem = "-----BEGIN X-----\r\n";
    for (size_t i = 0; i < encoded.size(); i += 64) {
        pem.append(encoded, i, 64).append("\r\n");
    }
    pem.append("-----END X-----\r\n");
    Check(orx::Base64Decode(pem) == std::vector<uint8_t>(data.begin(), data.end()));

    // The plain path gives exactly what the vector path gives.
    orx::Base64UseVectorPath(false);
    const bool samePaths = orx::Base64Decode(text) == decoded && orx::Base64Encode(data) == encoded;
    orx::Base64UseVectorPath(true);
    Check(samePaths);

    // Blocks, whatever the text holds, join up to the whole decoding.
    std::vector<uint8_t> joined;
    Check(orx::Base64DecodeInBlocks(text, [&](std::span<const uint8_t> bytes) {
        joined.insert(joined.end(), bytes.begin(), bytes.end());
        return true;
    }));
    Check(joined == decoded);

    // The fixed-size encoder refuses an area without room for the terminator.
    std::vector<char> area(encoded.size() + 1);
    Check(orx::Base64Encode(std::span<char>(area.data(), encoded.size()), data) == -1);
    Check(orx::Base64Encode(std::span<char>(area), data) == static_cast<int>(encoded.size()));
    Check(std::string_view(area.data(), encoded.size()) == encoded && area.back() == '\0');
}

void TextProperties(std::span<const uint8_t> data) {
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    const std::string cleaned = orx::WideToUtf8(orx::Utf8ToWide(text));
    Check(IsValidUtf8(cleaned));
    if (IsValidUtf8(text)) {
        Check(cleaned == text);
    }
    // Cutting valid text anywhere leaves valid text.
    const size_t max = data.empty() ? 0 : data[0] % (cleaned.size() + 1);
    Check(IsValidUtf8(orx::CutUtf8(cleaned, max)));

    // Any UTF-16: after one trip through UTF-8 (unpaired surrogates replaced) the
    // text is stable.
    const std::string fromWide = orx::Utf16LeBytesToUtf8(text);
    Check(IsValidUtf8(fromWide));
    Check(orx::WideToUtf8(orx::Utf8ToWide(fromWide)) == fromWide);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    Base64Properties(bytes);
    TextProperties(bytes);
    return 0;
}
