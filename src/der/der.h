// The codec base: keeps the encoded data and a working copy of it, into which the
// views of derived decoders point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "der/der_encode.h"
#include "der/der_reader.h"

namespace orx {

// Owned bytes that are wiped when released: private keys pass through here.
class DerBuffer {
  public:
    DerBuffer() = default;
    ~DerBuffer() { Release(); }
    DerBuffer(const DerBuffer&) = delete;
    DerBuffer& operator=(const DerBuffer&) = delete;

    // False when no memory could be had; the buffer is then empty.
    bool Assign(DerBytes bytes);
    void Release();
    // Shortens the visible length; the bytes behind stay owned until Release.
    void Truncate(size_t length);

    DerBytes bytes() const { return {bytes_.get(), length_}; }
    size_t size() const { return length_; }
    bool Contains(DerBytes view) const;

  private:
    std::unique_ptr<uint8_t[]> bytes_;
    size_t length_ = 0;
    size_t allocated_ = 0;
};

class Der {
  public:
    Der() = default;
    virtual ~Der();
    Der(const Der&) = delete;
    Der& operator=(const Der&) = delete;

    // Frees both buffers.
    virtual int Clear();
    // Here only stores a copy of the bytes as the data and the working copy.
    virtual int Decode(DerBytes bytes);
    virtual int Encode(DerArea area, uint32_t* count);
    // The encoded data itself, not a copy.
    virtual int GetData(DerBytes* data) const;

  protected:
    DerBuffer data_;
    DerBuffer work_;
};

}  // namespace orx
