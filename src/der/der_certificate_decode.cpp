#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

#include "core/clock.h"
#include "core/trace.h"
#include "der/der_certificate.h"
#include "der/der_length.h"
#include "der/der_name_text.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {

namespace {

constexpr std::array<const char*, 8> kFieldNames = {
    "version",  "serialNumber", "algorithm", "issuer",
    "validity", "subject",      "publicKey", "extensions",
};
constexpr size_t kPublicKeyField = 6;
constexpr size_t kFieldCount = 8;

constexpr const char* kOidBasicConstraints = "2.5.29.19";
constexpr uint8_t kTagExplicitVersion = 0xA0;
constexpr uint8_t kTagExtensions = 0xA3;

// A stored SEQUENCE field: -4 under two bytes, -3 for another tag.
int StoreSequence(DerBytes element, DerBytes* view) {
    if (element.size() < 2)
        return DER_BAD_LENGTH;
    if (DerTag(element) != kTagSequence)
        return DER_BAD_TAG;
    *view = element;
    return DER_OK;
}

}  // namespace

bool DerCertificateSubjectText(DerBytes certificate, std::string& text) {
    DerBytes content;
    DerBytes info;
    if (!DerReader(certificate).ReadContent(kTagSequence, &content) ||
        !DerReader(content).ReadContent(kTagSequence, &info)) {
        return false;
    }
    DerReader fields(info);
    DerBytes skipped;
    bool versioned = false;
    // version, serialNumber, signature, issuer, validity, then the subject.
    if (!fields.ReadOptionalContent(kTagExplicitVersion, &skipped, &versioned) ||
        !fields.ReadElement(kTagInteger, &skipped) || !fields.ReadElement(kTagSequence, &skipped) ||
        !fields.ReadElement(kTagSequence, &skipped) ||
        !fields.ReadElement(kTagSequence, &skipped)) {
        return false;
    }
    DerBytes subject;
    return fields.ReadElement(kTagSequence, &subject) &&
           DerNameToText(subject, text, certificate.size()) == DER_OK;
}

int DerCertificate::Decode(DerBytes bytes) {
    Clear();
    TraceDump("data.cer", bytes);
    int rc = Der::Decode(bytes);
    if (rc != DER_OK) {
        Trace("DerCertificate - Generic decoding failed");
        return rc;
    }
    // Whatever follows the certificate's own element is not part of its data.
    uint32_t header = 0;
    const int64_t length = DerDecodeLength(work_.bytes(), &header);
    if (length >= 0 && header + static_cast<uint64_t>(length) < bytes.size()) {
        data_.Truncate(header + static_cast<size_t>(length));
        work_.Truncate(header + static_cast<size_t>(length));
    }
    DerBytes content;
    rc = DerDecodeHeader(work_.bytes(), &content);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to decode top sequence (%d bytes)",
              static_cast<int>(bytes.size()));
        return rc;
    }
    DerReader reader(content);
    const char* names[] = {"info", "signAlg", "signature"};
    for (int part = 0; part < 3; ++part) {
        DerBytes element;
        rc = DerReadElement(reader, &element);
        if (rc != DER_OK) {
            Trace("DerCertificate - Failed to get %s", names[part]);
            return rc;
        }
        rc = part == 0   ? DecodeInfo(element)
             : part == 1 ? DecodeSignatureAlgorithm(element)
                         : DecodeSignatureValue(element);
        if (rc != DER_OK)
            return rc;
    }
    if (!reader.empty()) {
        Trace("DerCertificate - %d bytes ignored at end", static_cast<int>(reader.remaining()));
        return DER_FAILED;
    }
    selfIssued_ = std::equal(issuer_.begin(), issuer_.end(), subject_.begin(), subject_.end());
    issuerText_ = MakeNameText(issuer_, bytes.size());
    subjectText_ = MakeNameText(subject_, bytes.size());
    SetExpiredFlag();
    return DER_OK;
}

void DerCertificate::SetExpiredFlag() {
    expired_ = 0;
    const time_t seconds = static_cast<time_t>(EpochSeconds());
    tm utc{};
    gmtime_r(&seconds, &utc);
    char now[32];
    const int year = utc.tm_year + 1900;
    if (year >= 0 && year <= 9999) {
        // Every certificate decoded passes here; snprintf cost more than the rest
        // of the validity handling together.
        const int parts[] = {year / 100,  year % 100, utc.tm_mon + 1, utc.tm_mday,
                             utc.tm_hour, utc.tm_min, utc.tm_sec};
        char* out = now;
        for (const int part : parts) {
            *out++ = static_cast<char>('0' + part / 10);
            *out++ = static_cast<char>('0' + part % 10);
        }
        *out = '\0';
    } else {
        std::snprintf(now, sizeof now, "%.4d%.2d%.2d%.2d%.2d%.2d", year, utc.tm_mon + 1,
                      utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    }
    const std::string_view current(now, 14);
    const std::string_view after(reinterpret_cast<const char*>(notAfter_.data()), notAfter_.size());
    if (after.size() == 17 && after.back() == 'Z') {
        expired_ = after.substr(2, 14) < current ? 1 : 0;
    } else if (after.size() == 15 && after.back() == 'Z') {
        // Two-digit years: the century is not compared.
        expired_ = after.substr(2, 12) < current.substr(2, 12) ? 1 : 0;
    }
}

int DerCertificate::DecodeInfo(DerBytes element) {
    info_ = element;
    DerBytes content;
    int rc = DerDecodeHeader(element, &content);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to decode top sequence");
        return rc;
    }
    using FieldDecoder = int (DerCertificate::*)(DerBytes, bool*);
    static constexpr std::array<FieldDecoder, kFieldCount> decoders = {
        &DerCertificate::DecodeVersion,   &DerCertificate::DecodeSerialNumber,
        &DerCertificate::DecodeAlgorithm, &DerCertificate::DecodeIssuer,
        &DerCertificate::DecodeValidity,  &DerCertificate::DecodeSubject,
        &DerCertificate::DecodePublicKey, &DerCertificate::DecodeExtensions,
    };
    DerReader reader(content);
    for (size_t field = 0; field < kFieldCount;) {
        DerBytes next;
        rc = DerReadElement(reader, &next);
        if (rc != DER_OK) {
            Trace("DerCertificate - Failed to get %s", kFieldNames[field]);
            return rc;
        }
        bool taken = false;
        int last = DER_OK;
        for (size_t candidate = field; candidate < kFieldCount; ++candidate) {
            bool declined = false;
            last = (this->*decoders[candidate])(next, &declined);
            if (last == DER_OK && !declined) {
                field = candidate;
                taken = true;
                break;
            }
        }
        if (!taken) {
            if (last != DER_OK) {
                Trace("DerCertificate - Failed to decode %s", kFieldNames[kFieldCount - 1]);
                return last;
            }
            break;  // passed over; the walk ends
        }
        // A version 1 certificate ends with its public key.
        if ((field == kPublicKeyField && (!versionPresent_ || version_ == 0)) || reader.empty()) {
            break;
        }
        ++field;
    }
    if (!reader.empty()) {
        Trace("DerCertificate - %d bytes ignored at end of info",
              static_cast<int>(reader.remaining()));
    }
    return DER_OK;
}

int DerCertificate::DecodeSignatureAlgorithm(DerBytes element) {
    return DerDecodeAlgorithm(element, &signatureAlgorithm_);
}

int DerCertificate::DecodeSignatureValue(DerBytes element) {
    if (element.size() < 2)
        return DER_BAD_LENGTH;
    if (DerTag(element) != kTagBitString)
        return DER_BAD_TAG;
    signatureValue_ = element;
    return DER_OK;
}

int DerCertificate::DecodeVersion(DerBytes element, bool* declined) {
    versionPresent_ = 1;
    if (DerTag(element) != kTagExplicitVersion) {
        *declined = true;
        version_ = 0;
        return DER_OK;
    }
    // A0 03 02 01 v
    if (element.size() != 5 || element[1] != 3 || element[2] != kTagInteger || element[3] != 1) {
        return DER_BAD_TAG;
    }
    version_ = element[4];
    return DER_OK;
}

int DerCertificate::DecodeSerialNumber(DerBytes element, bool* declined) {
    if (DerTag(element) != kTagInteger) {
        *declined = true;
        serialNumber_ = {};
        return DER_OK;
    }
    serialNumber_ = element;
    return DER_OK;
}

int DerCertificate::DecodeAlgorithm(DerBytes element, bool*) {
    return DerDecodeAlgorithm(element, &infoAlgorithm_);
}

int DerCertificate::DecodeIssuer(DerBytes element, bool*) {
    return StoreSequence(element, &issuer_);
}

int DerCertificate::DecodeValidity(DerBytes element, bool*) {
    DerReader reader(element);
    uint8_t tag = 0;
    uint8_t outer = 0;
    if (!reader.ReadByte(&tag) || !reader.ReadByte(&outer) || tag != kTagSequence || outer < 5 ||
        outer > 127) {
        return DER_BAD_TAG;
    }
    uint8_t first = 0;
    if (!reader.Peek(1, &first))
        return DER_BAD_LENGTH;
    if (first + 6 >= outer)
        return DER_OK;  // both times stay empty
    DerBytes notBefore;
    uint8_t second = 0;
    DerBytes notAfter;
    if (!reader.ReadBytes(first + 2u, &notBefore) || !reader.Peek(1, &second) ||
        !reader.ReadBytes(second + 2u, &notAfter)) {
        return DER_BAD_LENGTH;
    }
    notBefore_ = notBefore;
    notAfter_ = notAfter;
    return DER_OK;
}

int DerCertificate::DecodeSubject(DerBytes element, bool*) {
    return StoreSequence(element, &subject_);
}

int DerCertificate::DecodePublicKey(DerBytes element, bool*) {
    return StoreSequence(element, &publicKeyInfo_);
}

int DerCertificate::DecodeExtensions(DerBytes element, bool* declined) {
    if (!versionPresent_ || version_ < 2 || element.size() < 2) {
        *declined = true;
        return DER_OK;
    }
    if (DerTag(element) != kTagExtensions)
        return DER_BAD_TAG;
    DerBytes explicitContent;
    DerBytes sequence;
    if (DerDecodeHeader(element, &explicitContent) != DER_OK ||
        DerDecodeHeader(explicitContent, &sequence) != DER_OK) {
        return DER_BAD_TAG;
    }
    DerReader reader(sequence);
    for (auto& record : extensions_) {
        DerBytes extension;
        uint32_t length = 0;
        if (reader.empty() || DerReadElement(reader, &extension) != DER_OK ||
            DerDecodeHeader(extension, nullptr, &length) != DER_OK || length == 0) {
            break;
        }
        const int rc = DecodeExtension(extension, &record);
        if (rc != DER_OK)
            return rc;
    }
    return DER_OK;
}

int DerCertificate::DecodeExtension(DerBytes element, ExtensionRecord* record) {
    DerBytes content;
    if (DerDecodeHeader(element, &content) != DER_OK) {
        Trace("DerCertificate - Invalid extension encoding (top sequense missing)");
        return DER_BAD_TAG;
    }
    DerReader reader(content);
    DerBytes oid;
    uint32_t oidLength = 0;
    if (DerReadElement(reader, &oid) != DER_OK ||
        DerDecodeHeader(oid, nullptr, &oidLength) != DER_OK || oidLength == 0 ||
        DerTag(oid) != kTagOid) {
        Trace("DerCertificate - Invalid extension encoding (oid missing)");
        return DER_BAD_TAG;
    }
    record->oid = oid;
    if (DerOidToText(oid, record->text, kOidTextCapacity) != DER_OK) {
        record->text.clear();
        Trace("DerCertificate - Internal buffer to small");
        return DER_FAILED;
    }
    // The next element: a BOOLEAN (critical) may come first, then the value.
    DerBytes value;
    for (;;) {
        const int64_t length = DerDecodeLength(reader.rest());
        if (length < 1)
            return static_cast<int>(length);
        if (DerReadElement(reader, &value) != DER_OK)
            return DER_BAD_LENGTH;
        if (DerTag(value) != kTagBoolean)
            break;
        record->critical = value[2] != 0;
    }
    if (DerTag(value) != kTagOctetString) {
        Trace("DerCertificate - Unexpected extension encoding for %s (no octet string)",
              record->text.c_str());
    }
    record->value = value;
    // OCTET STRING { SEQUENCE { BOOLEAN cA ... } }: the seventh byte is the flag.
    if (record->text == kOidBasicConstraints && value.size() >= 7 && value[4] == kTagBoolean) {
        ca_ = value[6] != 0 ? 1 : 0;
    }
    return DER_OK;
}

}  // namespace orx
