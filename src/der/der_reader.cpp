#include "der/der_reader.h"

#include "der/der_length.h"

namespace orx {

bool DerReader::ReadAnyElement(DerElement* element) {
    uint32_t header = 0;
    const int64_t length = DerDecodeLength(rest(), &header);
    DerBytes whole;
    if (length < 0 || !Window(0, header + static_cast<size_t>(length), &whole))
        return false;
    offset_ += whole.size();
    element->tag = whole[0];
    element->whole = whole;
    element->content = whole.subspan(header);
    return true;
}

bool DerReader::ReadTagged(uint8_t tag, DerElement* element) {
    uint8_t next = 0;
    return PeekTag(&next) && next == tag && ReadAnyElement(element);
}

bool DerReader::ReadContent(uint8_t tag, DerBytes* content) {
    DerElement element;
    if (!ReadTagged(tag, &element))
        return false;
    *content = element.content;
    return true;
}

bool DerReader::ReadElement(uint8_t tag, DerBytes* whole) {
    DerElement element;
    if (!ReadTagged(tag, &element))
        return false;
    *whole = element.whole;
    return true;
}

bool DerReader::ReadOptionalContent(uint8_t tag, DerBytes* content, bool* present) {
    *present = false;
    uint8_t next = 0;
    if (!PeekTag(&next) || next != tag)
        return true;
    if (!ReadContent(tag, content))
        return false;
    *present = true;
    return true;
}

}  // namespace orx
