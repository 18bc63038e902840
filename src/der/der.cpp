#include "der/der.h"

#include <string.h>

#include <functional>
#include <new>

#include "core/trace.h"
#include "der/der_result.h"

namespace orx {

bool DerBuffer::Assign(DerBytes bytes) {
    Release();
    if (bytes.empty())
        return true;
    std::unique_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[bytes.size()]);
    if (!copy)
        return false;
    memcpy(copy.get(), bytes.data(), bytes.size());
    bytes_ = std::move(copy);
    length_ = allocated_ = bytes.size();
    return true;
}

void DerBuffer::Release() {
    if (bytes_)
        explicit_bzero(bytes_.get(), allocated_);
    bytes_.reset();
    length_ = allocated_ = 0;
}

void DerBuffer::Truncate(size_t length) {
    if (length < length_)
        length_ = length;
}

bool DerBuffer::Contains(DerBytes view) const {
    if (!bytes_ || view.data() == nullptr)
        return false;
    const std::less<const uint8_t*> before;
    const uint8_t* begin = bytes_.get();
    return !before(view.data(), begin) && before(view.data(), begin + allocated_);
}

Der::~Der() {
    Der::Clear();
}

int Der::Clear() {
    data_.Release();
    work_.Release();
    return DER_OK;
}

int Der::Decode(DerBytes bytes) {
    if (!data_.Assign(bytes) || !work_.Assign(bytes)) {
        data_.Release();
        work_.Release();
        Trace("Der - Out of memory");
        return DER_NO_MEMORY;
    }
    return DER_OK;
}

int Der::Encode(DerArea, uint32_t*) {
    return DER_NOT_IMPLEMENTED;
}

int Der::GetData(DerBytes* data) const {
    *data = data_.bytes();
    return DER_OK;
}

}  // namespace orx
