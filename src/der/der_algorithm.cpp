#include "der/der_algorithm.h"

#include <algorithm>

#include "core/trace.h"
#include "der/der_length.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {

int DerDecodeAlgorithm(DerBytes element, AlgorithmInfo* info) {
    if (element.size() < 2)
        return DER_BAD_LENGTH;
    if (DerTag(element) != kTagSequence)
        return DER_BAD_TAG;
    info->element = element;
    info->text.clear();
    DerBytes content;
    uint32_t header = 0;
    uint32_t length = 0;
    int rc = DerDecodeHeader(element, &content, &length, &header);
    if (rc != DER_OK) {
        Trace("Der - Failed to get algorithm info");
        return rc;
    }
    info->element = element.first(header + length);
    DerReader reader(content);
    DerBytes oid;
    rc = DerReadElement(reader, &oid);
    if (rc != DER_OK) {
        Trace("Der - Failed to get oid");
        return rc;
    }
    info->oid = oid;
    rc = DerOidToText(oid, info->text, kOidTextCapacity);
    if (rc != DER_OK) {
        Trace("Der - Failed to print oid");
        return rc;
    }
    info->parameters = reader.rest();
    return DER_OK;
}

int DerEncodeAlgorithm(const AlgorithmInfo& info, DerArea area, uint32_t* count) {
    const uint32_t capacity = static_cast<uint32_t>(std::min<uint64_t>(*count, area.size()));
    area = area.first(capacity);
    *count = 0;
    uint32_t oidLength = 0;
    int rc = DerEncodeOid(info.text, area, &oidLength);
    if (rc != DER_OK) {
        Trace("Der - Failed to encode oid");
        return rc;
    }
    uint8_t tag = kTagNull;
    if (info.text == kOidRsaesOaep) {
        tag = kTagSequence;
    } else if (!info.parameters.empty()) {
        tag = kTagOctetString;
    }
    uint32_t paramLength = capacity - oidLength;
    if (!info.parameters.empty()) {
        rc = DerEncodeValue(tag, info.parameters, area.subspan(oidLength), &paramLength);
        if (rc != DER_OK) {
            Trace("Der - Failed to encode param");
            return rc;
        }
    } else {
        if (paramLength < 2) {
            Trace("Der - Failed to encode empty value");
            return DER_BUFFER_TOO_SMALL;
        }
        area[oidLength] = tag;
        area[oidLength + 1] = 0x00;
        paramLength = 2;
    }
    uint32_t total = oidLength + paramLength;
    rc = DerWrap(kTagSequence, area, &total, capacity);
    if (rc != DER_OK) {
        Trace("Der - Failed to encode algorithm top sequence");
        return rc;
    }
    *count = total;
    return DER_OK;
}

}  // namespace orx
