#include <algorithm>
#include <cstring>
#include <vector>

#include "core/trace.h"
#include "der/der_certificate.h"
#include "der/der_key_pair.h"
#include "der/der_length.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {

namespace {

uint32_t Capacity(DerArea area, uint32_t count) {
    return static_cast<uint32_t>(std::min<uint64_t>(count, area.size()));
}

// Gives the length through `length`; copies the bytes when an area is given and
// they fit the length it announced.
int GiveBytes(DerBytes bytes, DerArea area, uint32_t* length) {
    if (area.data() == nullptr) {
        *length = static_cast<uint32_t>(bytes.size());
        return DER_OK;
    }
    if (bytes.size() > Capacity(area, *length))
        return DER_BUFFER_TOO_SMALL;
    if (!bytes.empty())
        std::memcpy(area.data(), bytes.data(), bytes.size());
    *length = static_cast<uint32_t>(bytes.size());
    return DER_OK;
}

std::string_view AsText(DerBytes bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The content of a stored element with a one-octet length: its bytes behind the
// two header bytes.
DerBytes ContentBehindHeader(DerBytes element) {
    return element.size() < 2 ? DerBytes() : element.subspan(2);
}

}  // namespace

int DerCertificate::Assign(const Der& other) {
    DerBytes data;
    other.GetData(&data);
    // The other object may be this one: decode from a copy.
    const std::vector<uint8_t> copy(data.begin(), data.end());
    return Decode(copy);
}

int DerCertificate::Equals(const Der& other) const {
    DerBytes mine;
    DerBytes theirs;
    GetData(&mine);
    other.GetData(&theirs);
    return std::equal(mine.begin(), mine.end(), theirs.begin(), theirs.end()) ? DER_OK : DER_FAILED;
}

int DerCertificate::GetVersion(uint32_t* value) const {
    *value = versionPresent_ ? version_ : 0;
    return DER_OK;
}

int DerCertificate::SetVersion(uint32_t value) {
    version_ = value;
    versionPresent_ = 1;
    return DER_OK;
}

int DerCertificate::GetInfo(DerArea area, uint32_t* count) {
    if (!info_.empty()) {
        if (info_.size() > Capacity(area, *count))
            return DER_BUFFER_TOO_SMALL;
        std::memmove(area.data(), info_.data(), info_.size());
        *count = static_cast<uint32_t>(info_.size());
        return DER_OK;
    }
    const int rc = EncodeInfo(area, count);
    if (rc != DER_OK)
        Trace("DerCertificate - Failed to encode info");
    return rc;
}

int DerCertificate::SetSignature(std::string_view algorithm, DerBytes signature) {
    AlgorithmInfo info;
    info.text = std::string(algorithm.substr(0, kOidTextCapacity - 1));
    uint32_t written = static_cast<uint32_t>(FreeArea().size());
    int rc = DerEncodeAlgorithm(info, FreeArea(), &written);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to encode algorithm");
        return rc;
    }
    const DerBytes element = CommitArea(written);
    AlgorithmInfo decoded;
    DerDecodeAlgorithm(element, &decoded);
    decoded.text = info.text;
    infoAlgorithm_ = decoded;
    signatureAlgorithm_ = decoded;
    written = static_cast<uint32_t>(FreeArea().size());
    rc = DerEncodeBitString(kTagBitString, signature, FreeArea(), &written);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to encode signature");
        return rc;
    }
    signatureValue_ = CommitArea(written);
    return DER_OK;
}

int DerCertificate::GetSignature(std::string& algorithm, size_t algorithmCapacity,
                                 DerArea signature, uint32_t* signatureLength) const {
    DerBytes bits;
    if (DerDecodeHeader(signatureValue_, &bits) != DER_OK)
        bits = {};
    if (!bits.empty() && bits[0] == 0x00)
        bits = bits.subspan(1);
    if (bits.size() > *signatureLength)
        return DER_BUFFER_TOO_SMALL;
    if (!bits.empty() && signature.data() != nullptr) {
        if (bits.size() > signature.size())
            return DER_BUFFER_TOO_SMALL;
        std::memcpy(signature.data(), bits.data(), bits.size());
    }
    *signatureLength = static_cast<uint32_t>(bits.size());
    if (algorithmCapacity <= infoAlgorithm_.text.size())
        return DER_BUFFER_TOO_SMALL;
    algorithm = infoAlgorithm_.text;
    return DER_OK;
}

int DerCertificate::GetPublicKey(DerArea modulus, uint32_t* modulusLength, DerArea exponent,
                                 uint32_t* exponentLength) const {
    DerKeyPair key;
    const int rc = key.Decode(publicKeyInfo_);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to decode public key");
        return rc;
    }
    const int first = GiveBytes(key.Value(RsaNumber::kModulus), modulus, modulusLength);
    const int second = GiveBytes(key.Value(RsaNumber::kPublicExponent), exponent, exponentLength);
    return first != DER_OK ? first : second;
}

int DerCertificate::GetPublicKeyInfo(DerArea area, uint32_t* count) const {
    if (publicKeyInfo_.size() > Capacity(area, *count)) {
        Trace("DerCertificate - Buffer too small");
        return DER_BUFFER_TOO_SMALL;
    }
    if (!publicKeyInfo_.empty()) {
        std::memmove(area.data(), publicKeyInfo_.data(), publicKeyInfo_.size());
    }
    *count = static_cast<uint32_t>(publicKeyInfo_.size());
    return DER_OK;
}

int DerCertificate::SetPublicKey(DerBytes modulus, DerBytes exponent) {
    DerKeyPair key;
    key.algorithm().text = kOidRsaEncryption;
    key.SetValue(RsaNumber::kModulus, modulus);
    key.SetValue(RsaNumber::kPublicExponent, exponent);
    uint32_t written = static_cast<uint32_t>(FreeArea().size());
    const int rc = key.Encode(FreeArea(), &written);
    if (rc != DER_OK) {
        Trace("DerCertificate - Failed to encode public key");
        return rc;
    }
    publicKeyInfo_ = CommitArea(written);
    return DER_OK;
}

int DerCertificate::SetPublicKeyInfo(DerBytes element) {
    DerKeyPair key;
    if (key.Decode(element) == DER_OK && key.algorithm().text == kOidRsaEncryption) {
        return SetPublicKey(key.Value(RsaNumber::kModulus), key.Value(RsaNumber::kPublicExponent));
    }
    Trace("DerCertificate - Bad key type");
    return DER_FAILED;
}

int DerCertificate::PublicKeyEquals(DerBytes modulus, DerBytes exponent) const {
    DerKeyPair key;
    if (key.Decode(publicKeyInfo_) != DER_OK) {
        Trace("DerCertificate - Failed to decode public key");
        return 0;
    }
    const DerBytes m = key.Value(RsaNumber::kModulus);
    const DerBytes e = key.Value(RsaNumber::kPublicExponent);
    return std::equal(m.begin(), m.end(), modulus.begin(), modulus.end()) &&
                   std::equal(e.begin(), e.end(), exponent.begin(), exponent.end())
               ? 1
               : 0;
}

int DerCertificate::GetSerialNumber(uint32_t* value) const {
    uint32_t v = 0;
    for (uint8_t byte : ContentBehindHeader(serialNumber_))
        v = (v << 8) | byte;
    *value = v;
    return DER_OK;
}

int DerCertificate::SetSerialNumber(uint32_t value) {
    if (FreeArea().size() < 6) {
        Trace("DerCertificate - Internal error, buffer too small");
        return DER_FAILED;
    }
    const DerArea area = FreeArea();
    uint32_t length = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<uint8_t>(value >> shift);
        if (byte != 0 || length > 0)
            area[2 + length++] = byte;
    }
    area[0] = kTagInteger;
    area[1] = static_cast<uint8_t>(length);
    serialNumber_ = CommitArea(length + 2);
    return DER_OK;
}

int DerCertificate::GetValidity(std::string& notBefore, size_t notBeforeCapacity,
                                std::string& notAfter, size_t notAfterCapacity) const {
    const std::string_view before = AsText(ContentBehindHeader(notBefore_));
    const std::string_view after = AsText(ContentBehindHeader(notAfter_));
    if (notBeforeCapacity <= before.size() || notAfterCapacity <= after.size())
        return 0;
    notBefore.assign(before);
    notAfter.assign(after);
    return 1;
}

int DerCertificate::SetValidity(std::string_view notBefore, std::string_view notAfter) {
    if (areaUsed_ + notBefore.size() + notAfter.size() + 4 >= kCertificateAreaSize ||
        notBefore.size() > 127 || notAfter.size() > 127) {
        return DER_FAILED;
    }
    DerBytes* views[] = {&notBefore_, &notAfter_};
    const std::string_view texts[] = {notBefore, notAfter};
    for (int i = 0; i < 2; ++i) {
        const DerArea area = FreeArea();
        area[0] = kTagUtcTime;
        area[1] = static_cast<uint8_t>(texts[i].size());
        std::copy(texts[i].begin(), texts[i].end(), area.begin() + 2);
        *views[i] = CommitArea(static_cast<uint32_t>(texts[i].size() + 2));
    }
    return DER_OK;
}

int DerCertificate::HasExtension(std::string_view text) const {
    return GetExtension(text, nullptr);
}

int DerCertificate::GetExtensionAt(size_t index, const std::string** text, DerBytes* value) const {
    if (index >= kMaxExtensions || extensions_[index].text.empty())
        return DER_FAILED;
    if (text)
        *text = &extensions_[index].text;
    if (value)
        *value = extensions_[index].value;
    return DER_OK;
}

int DerCertificate::GetExtension(std::string_view text, DerBytes* value) const {
    for (const auto& record : extensions_) {
        if (!record.text.empty() && record.text == text) {
            if (value)
                *value = record.value;
            return DER_OK;
        }
    }
    return DER_FAILED;
}

int DerCertificate::SetExtension(std::string_view text, DerBytes value) {
    if (areaUsed_ + value.size() >= kCertificateAreaSize || text.empty() ||
        text.size() >= kOidTextCapacity) {
        return DER_FAILED;
    }
    ExtensionRecord* target = nullptr;
    for (auto& record : extensions_) {
        if (record.text == text) {
            target = &record;
            break;
        }
    }
    if (!target) {
        for (auto& record : extensions_) {
            if (record.text.empty()) {
                target = &record;
                break;
            }
        }
    }
    if (!target)
        return DER_FAILED;
    std::copy(value.begin(), value.end(), FreeArea().begin());
    target->text = std::string(text);
    target->value = CommitArea(static_cast<uint32_t>(value.size()));
    return DER_OK;
}

int DerCertificate::IsCA(bool requireSelfIssued) const {
    if (!ca_)
        return 0;
    return requireSelfIssued ? static_cast<int>(selfIssued_) : 1;
}

bool DerCertificate::IsExpired() const {
    return expired_ != 0;
}

}  // namespace orx
