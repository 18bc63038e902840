#include "der/cert_handle.h"

#include <memory>
#include <vector>

#include "core/base64.h"
#include "der/der_result.h"

namespace orx {

CertHandle CertCreate(std::span<const uint8_t> bytes) {
    if (bytes.empty())
        return nullptr;
    std::vector<uint8_t> decoded;
    // 'M' opens the Base64 text of a SEQUENCE, '-' a PEM block.
    if (bytes[0] == 'M' || bytes[0] == '-') {
        decoded = Base64Decode(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!decoded.empty())
            bytes = decoded;
    }
    auto handle = std::make_unique<CertRecord>();
    if (handle->certificate.Decode(bytes) != DER_OK)
        return nullptr;
    return handle;
}

CertHandle CertCreate(std::string_view text) {
    return CertCreate(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

CertHandle CertClone(const CertRecord* handle) {
    if (handle == nullptr)
        return nullptr;
    DerBytes data;
    if (handle->certificate.GetData(&data) != DER_OK)
        return nullptr;
    return CertCreate(data);
}

void CertFree(CertHandle& handle) {
    handle.reset();
}

}  // namespace orx
