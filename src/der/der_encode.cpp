#include "der/der_encode.h"

#include <algorithm>
#include <cstring>

#include "core/trace.h"
#include "der/der_result.h"

namespace orx {

namespace {

uint32_t Capacity(DerArea area, uint32_t count) {
    return static_cast<uint32_t>(std::min<uint64_t>(count, area.size()));
}

// Moves the content right by the header size and writes tag and length in front.
void InsertHeader(uint8_t tag, uint32_t contentLength, uint32_t header, DerArea area) {
    std::memmove(area.data() + header, area.data(), contentLength);
    area[0] = tag;
    if (header == 2) {
        area[1] = static_cast<uint8_t>(contentLength);
        return;
    }
    const uint32_t octets = header - 2;
    area[1] = static_cast<uint8_t>(0x80 + octets);
    for (uint32_t i = 0; i < octets; ++i) {
        area[2 + i] = static_cast<uint8_t>(contentLength >> (8 * (octets - 1 - i)));
    }
}

}  // namespace

uint32_t DerHeaderSize(uint64_t contentLength) {
    if (contentLength < 0x80)
        return 2;
    if (contentLength < 0x100)
        return 3;
    if (contentLength < 0x10000)
        return 4;
    if (contentLength < 0x1000000)
        return 5;
    return 6;
}

int DerWrap(uint8_t tag, DerArea area, uint32_t* count, uint32_t capacity) {
    capacity = Capacity(area, capacity);
    const uint32_t room = DerHeaderSize(capacity);
    if (*count > capacity || capacity - *count < room) {
        Trace("Der - Buffer too small: have %d, need %d", static_cast<int>(capacity),
              static_cast<int>(*count + room));
        return DER_BUFFER_TOO_SMALL;
    }
    const uint32_t header = DerHeaderSize(*count);
    InsertHeader(tag, *count, header, area);
    *count += header;
    return DER_OK;
}

int DerAddHead(uint8_t tag, uint32_t contentLength, DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    const uint32_t header = DerHeaderSize(contentLength);
    if (contentLength > capacity || capacity - contentLength < header) {
        Trace("DER - Buffer too small, failed to add tag length for value (0x%x)", tag);
        return DER_BUFFER_TOO_SMALL;
    }
    InsertHeader(tag, contentLength, header, area);
    *count = header + contentLength;
    return DER_OK;
}

int DerEncodeValue(uint8_t tag, DerBytes bytes, DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    if (bytes.size() + 2 > capacity)
        return DER_BUFFER_TOO_SMALL;
    if (!bytes.empty())
        std::memmove(area.data(), bytes.data(), bytes.size());
    *count = static_cast<uint32_t>(bytes.size());
    return DerWrap(tag, area, count, capacity);
}

int DerEncodeBitString(uint8_t tag, DerBytes bytes, DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    if (bytes.size() + 3 > capacity)
        return DER_BUFFER_TOO_SMALL;
    if (!bytes.empty())
        std::memmove(area.data() + 1, bytes.data(), bytes.size());
    area[0] = 0x00;
    *count = static_cast<uint32_t>(bytes.size() + 1);
    return DerWrap(tag, area, count, capacity);
}

int DerEncodeUnsigned(uint8_t tag, DerBytes bytes, DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    const bool prefix = !bytes.empty() && (bytes[0] & 0x80) != 0;
    const uint64_t length = bytes.size() + (prefix ? 1 : 0);
    if (capacity < length) {
        Trace("DER - Buffer too small, no space for value (0x%x)", tag);
        return DER_BUFFER_TOO_SMALL;
    }
    // The zero octet is written in place, so no temporary copy is needed.
    if (!bytes.empty())
        std::memmove(area.data() + (prefix ? 1 : 0), bytes.data(), bytes.size());
    if (prefix)
        area[0] = 0x00;
    uint32_t written = capacity;
    const int rc = DerAddHead(tag, static_cast<uint32_t>(length), area, &written);
    if (rc != DER_OK) {
        Trace("DER - Failed to encode head (0x%x)", tag);
        return rc;
    }
    *count = written;
    return DER_OK;
}

int DerEncodeUint32(uint8_t tag, uint32_t value, DerArea area, uint32_t* count) {
    uint8_t bytes[4];
    size_t length = 0;
    bool started = false;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto octet = static_cast<uint8_t>(value >> shift);
        if (octet != 0 || started || shift == 0) {
            bytes[length++] = octet;
            started = true;
        }
    }
    return DerEncodeUnsigned(tag, DerBytes(bytes, length), area, count);
}

int DerEncodeBoolean(uint8_t tag, bool flag, DerArea area, uint32_t* count) {
    if (Capacity(area, *count) < 3)
        return DER_BUFFER_TOO_SMALL;
    area[0] = tag;
    area[1] = 0x01;
    area[2] = flag ? 0xFF : 0x00;
    *count = 3;
    return DER_OK;
}

}  // namespace orx
