#include <algorithm>
#include <array>
#include <cstring>

#include "core/trace.h"
#include "der/der_certificate.h"
#include "der/der_length.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {

namespace {

uint32_t Capacity(DerArea area, uint32_t count) {
    return static_cast<uint32_t>(std::min<uint64_t>(count, area.size()));
}

// Copies a stored element (nothing for an empty one).
int CopyElement(DerBytes element, DerArea area, uint32_t* count) {
    if (element.size() > Capacity(area, *count))
        return DER_BUFFER_TOO_SMALL;
    if (!element.empty())
        std::memmove(area.data(), element.data(), element.size());
    *count = static_cast<uint32_t>(element.size());
    return DER_OK;
}

// A decoded or set algorithm is written as it is; one given only as text is
// encoded from it.
int WriteAlgorithm(const AlgorithmInfo& info, DerArea area, uint32_t* count) {
    if (!info.element.empty())
        return CopyElement(info.element, area, count);
    return DerEncodeAlgorithm(info, area, count);
}

using PartEncoder = int (DerCertificate::*)(DerArea, uint32_t*);

// Encodes the parts one after the other into `area` and wraps them in a SEQUENCE;
// the first part that fails is traced with its own line.
template <size_t N>
int EncodeSequenceOf(DerCertificate& certificate,
                     const std::array<std::pair<PartEncoder, const char*>, N>& parts, DerArea area,
                     uint32_t capacity, uint32_t* count, const char* wrapFailure) {
    uint32_t used = 0;
    for (const auto& [encode, failure] : parts) {
        uint32_t written = capacity - used;
        const int rc = (certificate.*encode)(area.subspan(used), &written);
        if (rc != DER_OK) {
            Trace("%s", failure);
            return rc;
        }
        used += written;
    }
    const int rc = DerWrap(kTagSequence, area, &used, capacity);
    if (rc != DER_OK) {
        Trace("%s", wrapFailure);
        return rc;
    }
    *count = used;
    return DER_OK;
}

}  // namespace

int DerCertificate::Encode(DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    area = area.first(capacity);
    *count = 0;
    const std::array<std::pair<PartEncoder, const char*>, 3> parts = {{
        {&DerCertificate::EncodeInfo, "DerCertificate - Failed to encode info"},
        {&DerCertificate::EncodeSignatureAlgorithm,
         "DerCertificate - Failed to encode signature algorithm"},
        {&DerCertificate::EncodeSignatureValue, "DerCertificate - Failed to encode signature"},
    }};
    return EncodeSequenceOf(*this, parts, area, capacity, count,
                            "DerCertificate - Failed to encode top sequence");
}

int DerCertificate::EncodeInfo(DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    area = area.first(capacity);
    *count = 0;
    const std::array<std::pair<PartEncoder, const char*>, 8> fields = {{
        {&DerCertificate::EncodeVersion, "DerCertificate - Failed to encode version"},
        {&DerCertificate::EncodeSerialNumber, "DerCertificate - Failed to encode serial number"},
        {&DerCertificate::EncodeAlgorithm, "DerCertificate - Failed to encode algorithm"},
        {&DerCertificate::EncodeIssuer, "DerCertificate - Failed to encode issuer"},
        {&DerCertificate::EncodeValidity, "DerCertificate - Failed to encode validity"},
        {&DerCertificate::EncodeSubject, "DerCertificate - Failed to encode subject"},
        {&DerCertificate::EncodePublicKey, "DerCertificate - Failed to encode public key"},
        {&DerCertificate::EncodeExtensions, "DerCertificate - Failed to encode extensions"},
    }};
    return EncodeSequenceOf(*this, fields, area, capacity, count,
                            "DerCertificate - Failed to encode info top sequence");
}

int DerCertificate::EncodeSignatureAlgorithm(DerArea area, uint32_t* count) {
    return WriteAlgorithm(signatureAlgorithm_, area, count);
}

int DerCertificate::EncodeSignatureValue(DerArea area, uint32_t* count) {
    return CopyElement(signatureValue_, area, count);
}

int DerCertificate::EncodeVersion(DerArea area, uint32_t* count) {
    if (!versionPresent_ || version_ == 0) {
        *count = 0;
        return DER_OK;
    }
    const uint32_t capacity = Capacity(area, *count);
    uint32_t written = capacity;
    const int rc = DerEncodeUint32(kTagInteger, version_, area, &written);
    if (rc != DER_OK)
        return rc;
    const int wrapped = DerWrap(0xA0, area, &written, capacity);
    if (wrapped != DER_OK)
        return wrapped;
    *count = written;
    return DER_OK;
}

int DerCertificate::EncodeSerialNumber(DerArea area, uint32_t* count) {
    return CopyElement(serialNumber_, area, count);
}

int DerCertificate::EncodeAlgorithm(DerArea area, uint32_t* count) {
    return WriteAlgorithm(infoAlgorithm_, area, count);
}

int DerCertificate::EncodeIssuer(DerArea area, uint32_t* count) {
    return CopyElement(issuer_, area, count);
}

int DerCertificate::EncodeValidity(DerArea area, uint32_t* count) {
    const size_t content = notBefore_.size() + notAfter_.size();
    if (content + 6 > Capacity(area, *count) || content > 127)
        return DER_BUFFER_TOO_SMALL;
    area[0] = kTagSequence;
    area[1] = static_cast<uint8_t>(content);
    std::copy(notBefore_.begin(), notBefore_.end(), area.begin() + 2);
    std::copy(notAfter_.begin(), notAfter_.end(), area.begin() + 2 + notBefore_.size());
    *count = static_cast<uint32_t>(content + 2);
    return DER_OK;
}

int DerCertificate::EncodeSubject(DerArea area, uint32_t* count) {
    return CopyElement(subject_, area, count);
}

int DerCertificate::EncodePublicKey(DerArea area, uint32_t* count) {
    return CopyElement(publicKeyInfo_, area, count);
}

int DerCertificate::EncodeExtensions(DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    area = area.first(capacity);
    *count = 0;
    // An empty extension list is left out: its SEQUENCE may not be empty.
    if (!versionPresent_ || version_ == 0 || extensions_[0].text.empty())
        return DER_OK;
    uint32_t used = 0;
    int last = DER_OK;
    for (const auto& record : extensions_) {
        if (record.text.empty())
            break;
        uint32_t written = capacity - used;
        last = EncodeExtension(record, area.subspan(used), &written);
        if (last != DER_OK) {
            Trace("DerCertificate - Encode extension %s failed", record.text.c_str());
            continue;
        }
        used += written;
    }
    if (last != DER_OK)
        return last;
    int rc = DerWrap(kTagSequence, area, &used, capacity);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to encode extensions sequence");
        return rc;
    }
    rc = DerWrap(0xA3, area, &used, capacity);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to encode extensions top sequence");
        return rc;
    }
    *count = used;
    return DER_OK;
}

int DerCertificate::EncodeExtension(const ExtensionRecord& record, DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    area = area.first(capacity);
    uint32_t used = 0;
    int rc = DerEncodeOid(record.text, area, &used);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to encode object identifier");
        return rc;
    }
    uint32_t written = capacity - used;
    rc = DerEncodeBoolean(kTagBoolean, record.critical, area.subspan(used), &written);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to encode critical");
        return rc;
    }
    used += written;
    written = capacity - used;
    if (CopyElement(record.value, area.subspan(used), &written) != DER_OK) {
        Trace("DerCertificate - Failed to encode extension value");
        return DER_BUFFER_TOO_SMALL;
    }
    used += written;
    rc = DerWrap(kTagSequence, area, &used, capacity);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to encode extension top sequence");
        return rc;
    }
    *count = used;
    return DER_OK;
}

}  // namespace orx
