#include "der/der_length.h"

#include "core/trace.h"
#include "der/der_result.h"

namespace orx {

namespace {

// Indefinite-length elements nest; hostile input must not be able to nest them
// deeply enough to exhaust the stack.
constexpr int kMaxIndefiniteDepth = 32;

int64_t InvalidLength() {
    Trace("Der - Invalid length encoding");
    return DER_BAD_LENGTH;
}

int64_t DecodeLength(DerBytes element, uint32_t* headerLength, int depth);

// The length of the content of an indefinite-length element starting at
// `content`: nested elements up to and including the two end-of-contents octets.
int64_t IndefiniteContentLength(DerBytes content, int depth) {
    if (depth >= kMaxIndefiniteDepth)
        return InvalidLength();
    DerReader reader(content);
    for (;;) {
        uint8_t tag = 0;
        uint8_t length = 0;
        if (!reader.Peek(0, &tag) || !reader.Peek(1, &length))
            return InvalidLength();
        if (tag == 0 && length == 0)
            return static_cast<int64_t>(reader.offset()) + 2;
        uint32_t nestedHeader = 0;
        const int64_t nested = DecodeLength(reader.rest(), &nestedHeader, depth + 1);
        if (nested < 0)
            return nested;
        // Every nested element is at least its two header bytes long, so the walk
        // always moves forward.
        if (!reader.Skip(nestedHeader + static_cast<size_t>(nested)))
            return InvalidLength();
    }
}

int64_t DecodeLength(DerBytes element, uint32_t* headerLength, int depth) {
    DerReader reader(element);
    uint8_t first = 0;
    if (!reader.Skip(1) || !reader.ReadByte(&first))
        return InvalidLength();
    const size_t available = element.size();
    uint32_t header = 2;
    uint64_t length = 0;
    if (first < 0x80) {
        length = first;
    } else if (first == 0x80) {
        const int64_t inner = IndefiniteContentLength(reader.rest(), depth);
        if (inner < 0)
            return inner;
        length = static_cast<uint64_t>(inner);
    } else {
        const uint32_t count = first & 0x7Fu;
        if (count + 2u > available)
            return InvalidLength();
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t octet = 0;
            if (!reader.ReadByte(&octet))
                return InvalidLength();
            length = (length << 8) | octet;
            // Beyond 32 bits no length can fit the bytes given.
            if (length > UINT32_MAX)
                return InvalidLength();
        }
        header = 2 + count;
    }
    // Header and content must both lie inside the bytes given.
    if (length > available || header + length > available)
        return InvalidLength();
    if (headerLength)
        *headerLength = header;
    return static_cast<int64_t>(length);
}

}  // namespace

int64_t DerDecodeLength(DerBytes element, uint32_t* headerLength) {
    return DecodeLength(element, headerLength, 0);
}

int DerDecodeHeader(DerBytes element, DerBytes* content, uint32_t* contentLength,
                    uint32_t* headerLength) {
    uint32_t header = 0;
    const int64_t length = DerDecodeLength(element, &header);
    if (length < 0)
        return static_cast<int>(length);
    if (content)
        *content = element.subspan(header, static_cast<size_t>(length));
    if (contentLength)
        *contentLength = static_cast<uint32_t>(length);
    if (headerLength)
        *headerLength = header;
    return DER_OK;
}

int DerReadElement(DerReader& reader, DerBytes* element) {
    uint32_t header = 0;
    const int64_t length = DerDecodeLength(reader.rest(), &header);
    if (length < 0)
        return static_cast<int>(length);
    if (!reader.ReadBytes(header + static_cast<size_t>(length), element))
        return DER_BAD_LENGTH;
    return DER_OK;
}

}  // namespace orx
