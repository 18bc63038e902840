// The program's certificate handle: one allocation holding the slot the
// certificate came from and its decoded form. The rest of the program holds
// certificates only this way; a null handle stands for no certificate and is
// accepted everywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "der/der_certificate.h"

namespace orx {

struct CertRecord {
    int32_t ownerSlotId = 0;  // 0 when not known
    DerCertificate certificate;
};

using CertHandle = std::unique_ptr<CertRecord>;

// DER bytes, or Base64 text of them (first byte 'M') or a PEM block (first byte
// '-'). Null for no bytes, or bytes that do not decode to a certificate.
CertHandle CertCreate(std::span<const uint8_t> bytes);
CertHandle CertCreate(std::string_view text);
// A new handle decoded from the handle's data; the owner slot id is not copied.
CertHandle CertClone(const CertRecord* handle);
inline CertHandle CertClone(const CertHandle& handle) {
    return CertClone(handle.get());
}
void CertFree(CertHandle& handle);

}  // namespace orx
