// The one bounds-checked cursor through which the decoders read untrusted bytes:
// every read either stays inside the bytes it was given or fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orx {

using DerBytes = std::span<const uint8_t>;

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
        if (ahead >= remaining())
            return false;
        *out = bytes_[offset_ + ahead];
        return true;
    }
    bool ReadByte(uint8_t* out) {
        if (!Peek(0, out))
            return false;
        ++offset_;
        return true;
    }
    bool ReadBytes(size_t count, DerBytes* out) {
        if (count > remaining())
            return false;
        *out = bytes_.subspan(offset_, count);
        offset_ += count;
        return true;
    }
    bool Skip(size_t count) {
        if (count > remaining())
            return false;
        offset_ += count;
        return true;
    }

  private:
    DerBytes bytes_;
    size_t offset_ = 0;
};

// The tag of an element; 0 for no bytes (no element has tag 0 but the end mark).
inline uint8_t DerTag(DerBytes element) {
    uint8_t tag = 0;
    DerReader(element).Peek(0, &tag);
    return tag;
}

}  // namespace orx
