// The one bounds-checked cursor through which the decoders read untrusted bytes:
// every read, of a byte or of a whole element, goes through one check of the
// bytes left, so it either stays inside the bytes it was given or fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orx {

using DerBytes = std::span<const uint8_t>;

// One element as the reader found it: tag, the element whole, and its content.
struct DerElement {
    uint8_t tag = 0;
    DerBytes whole;
    DerBytes content;
};

class DerReader {
  public:
    explicit DerReader(DerBytes bytes) : bytes_(bytes) {}

    size_t remaining() const { return bytes_.size() - offset_; }
    bool empty() const { return remaining() == 0; }
    size_t offset() const { return offset_; }
    // The unread bytes.
    DerBytes rest() const { return bytes_.subspan(offset_); }

    // The byte `ahead` positions behind the cursor, without moving.
    bool Peek(size_t ahead, uint8_t* out) const {
        DerBytes byte;
        if (!Window(ahead, 1, &byte))
            return false;
        *out = byte[0];
        return true;
    }
    bool ReadByte(uint8_t* out) { return Peek(0, out) && Skip(1); }
    bool ReadBytes(size_t count, DerBytes* out) { return Window(0, count, out) && Skip(count); }
    bool Skip(size_t count) {
        DerBytes skipped;
        if (!Window(0, count, &skipped))
            return false;
        offset_ += count;
        return true;
    }

    // The tag of the next element, without moving; false at the end.
    bool PeekTag(uint8_t* tag) const { return Peek(0, tag); }
    // The next element, whatever its tag. Lengths are read as DerDecodeLength reads
    // them. On false the cursor stays where it was.
    bool ReadAnyElement(DerElement* element);
    // The next element, which must carry `tag`: its content, or (ReadElement) the
    // element whole. On false (another tag, a bad length) the cursor stays.
    bool ReadContent(uint8_t tag, DerBytes* content);
    bool ReadElement(uint8_t tag, DerBytes* element);
    // The content of the next element when it carries `tag` (`present` then true);
    // nothing read when another tag or the end comes. False only when an element of
    // that tag is there but cannot be read.
    bool ReadOptionalContent(uint8_t tag, DerBytes* content, bool* present);

  private:
    bool ReadTagged(uint8_t tag, DerElement* element);
    // The only bounds check: `count` bytes starting `ahead` bytes behind the cursor.
    bool Window(size_t ahead, size_t count, DerBytes* out) const {
        const size_t left = remaining();
        if (ahead > left || count > left - ahead)
            return false;
        *out = bytes_.subspan(offset_ + ahead, count);
        return true;
    }

    DerBytes bytes_;
    size_t offset_ = 0;
};

// The tag of an element; 0 for no bytes (no element has tag 0 but the end mark).
inline uint8_t DerTag(DerBytes element) {
    uint8_t tag = 0;
    DerReader(element).Peek(0, &tag);
    return tag;
}

// Calls `visit(const DerElement&)` for each element of `content` in order. False
// as soon as an element cannot be read or `visit` returns false; true when every
// byte of the content was visited.
template <typename Visit>
bool DerForEachIn(DerBytes content, Visit&& visit) {
    DerReader reader(content);
    while (!reader.empty()) {
        DerElement element;
        if (!reader.ReadAnyElement(&element) || !visit(static_cast<const DerElement&>(element)))
            return false;
    }
    return true;
}

// DerForEachIn over the content of `element`, which must carry `tag` (a SEQUENCE
// or a SET). Bytes behind the element are not looked at.
template <typename Visit>
bool DerForEachElement(DerBytes element, uint8_t tag, Visit&& visit) {
    DerBytes content;
    return DerReader(element).ReadContent(tag, &content) &&
           DerForEachIn(content, static_cast<Visit&&>(visit));
}

}  // namespace orx
