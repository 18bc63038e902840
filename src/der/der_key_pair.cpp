#include "der/der_key_pair.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "core/trace.h"
#include "der/der_length.h"
#include "der/der_result.h"

namespace orx {

namespace {

constexpr std::array<const char*, kRsaNumberCount> kNumberNames = {
    "modulus", "publicExp", "privateExp", "prime1",
    "prime2",  "exponent1", "exponent2",  "coefficient",
};

constexpr std::array<const char*, kRsaNumberCount> kEncodeFailures = {
    "DerKeyPair - Failed to encode modulus",
    "DerKeyPair - Failed to encode public exponent",
    "DerKeyPair - Failed to encode private exponent",
    "DerKeyPair - Failed to encode prime 1",
    "DerKeyPair - Failed to encode prime 2",
    "DerKeyPair - Failed to encode exponent 1",
    "DerKeyPair - Failed to encode exponent 2",
    "DerKeyPair - Failed to encode coefficient",
};

constexpr uint8_t kRsaAlgorithm[] = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86,
                                     0xF7, 0x0D, 0x01, 0x01, 0x01, 0x05, 0x00};

uint32_t Capacity(DerArea area, uint32_t count) {
    return static_cast<uint32_t>(std::min<uint64_t>(count, area.size()));
}

}  // namespace

size_t DerBitLength(DerBytes number) {
    size_t skip = 0;
    while (skip < number.size() && number[skip] == 0)
        ++skip;
    if (skip == number.size())
        return 0;
    return (number.size() - skip - 1) * 8 + static_cast<size_t>(8 - std::countl_zero(number[skip]));
}

DerKeyPair::~DerKeyPair() {
    ForgetViews();
    DerKeyPair::Clear();
}

void DerKeyPair::ForgetViews() {
    algorithm_ = AlgorithmInfo{};
    key_ = {};
    numbers_.fill({});
    values_.fill({});
}

// Views into the working copy would dangle once it is freed; views that a caller
// set into its own memory stay.
void DerKeyPair::ForgetViewsIntoWorkingCopy() {
    auto forget = [this](DerBytes& view) {
        if (work_.Contains(view))
            view = {};
    };
    forget(algorithm_.element);
    forget(algorithm_.oid);
    forget(algorithm_.parameters);
    forget(key_);
    for (auto& view : numbers_)
        forget(view);
    for (auto& view : values_)
        forget(view);
}

int DerKeyPair::Clear() {
    ForgetViewsIntoWorkingCopy();
    return Der::Clear();
}

bool DerKeyPair::IsPublicOnly() const {
    return numbers_[Index(RsaNumber::kPrivateExponent)].empty();
}

int DerKeyPair::Decode(DerBytes bytes) {
    ForgetViews();
    int rc = Der::Decode(bytes);
    if (rc != DER_OK) {
        Trace("DerKeyPair - Generic decoding failed");
        return rc;
    }
    DerBytes content;
    rc = DerDecodeHeader(work_.bytes(), &content);
    if (rc != DER_OK) {
        Trace("DerKeyPair - Failed to decode top sequence");
        return rc;
    }
    DerReader reader(content);
    for (int step = 0; step < 3 && !reader.empty();) {
        uint8_t tag = 0;
        reader.Peek(0, &tag);
        const char* name =
            step == 2 ? "key" : (step == 0 && tag == kTagInteger ? "version" : "algorithm");
        DerBytes element;
        rc = DerReadElement(reader, &element);
        if (rc != DER_OK) {
            Trace("DerKeyPair - Failed to get %s", name);
            return rc;
        }
        if (step == 0) {
            step = 1;
            // The version of a private key info is passed over.
            if (tag == kTagInteger)
                continue;
        }
        rc = step == 1 ? DecodeKeyAlgorithm(element) : DecodeKey(element);
        if (rc != DER_OK)
            return rc;
        ++step;
    }
    if (!reader.empty()) {
        Trace("DerKeyPair - %d bytes ignored at end", static_cast<int>(reader.remaining()));
    }
    return DER_OK;
}

int DerKeyPair::DecodeKeyAlgorithm(DerBytes element) {
    return DerDecodeAlgorithm(element, &algorithm_);
}

int DerKeyPair::EncodeKeyAlgorithm(DerArea area, uint32_t* count) {
    if (Capacity(area, *count) < sizeof kRsaAlgorithm)
        return DER_BUFFER_TOO_SMALL;
    std::memcpy(area.data(), kRsaAlgorithm, sizeof kRsaAlgorithm);
    *count = sizeof kRsaAlgorithm;
    return DER_OK;
}

int DerKeyPair::DecodeKey(DerBytes element) {
    if (algorithm_.text != kOidRsaEncryption) {
        Trace("DerKeyPair - Key type %s not supported", algorithm_.text.c_str());
        return DER_BAD_KEY_TYPE;
    }
    return DecodeRsaKey(element);
}

int DerKeyPair::EncodeKey(DerArea area, uint32_t* count) {
    return EncodeRsaKey(area, count);
}

int DerKeyPair::DecodeRsaKey(DerBytes element) {
    if (element.size() < 2) {
        Trace("DerKeyPair - Bad rsa key (no bit string)");
        return DER_BAD_TAG;
    }
    const uint8_t tag = DerTag(element);
    if (tag != kTagBitString && tag != kTagOctetString) {
        Trace("DerKeyPair - Bad rsa key (no bit string)");
        return DER_BAD_TAG;
    }
    DerBytes content;
    int rc = DerDecodeHeader(element, &content);
    if (rc != DER_OK) {
        Trace("DerKeyPair - Failed to decode rsa top sequence");
        return rc;
    }
    DerReader outer(content);
    uint8_t first = 0;
    uint8_t second = 0;
    if (tag == kTagBitString) {
        if (!outer.Peek(0, &first) || !outer.Peek(1, &second) || first != 0x00 ||
            second != kTagSequence) {
            Trace("DerKeyPair - Bad rsa key (first byte not zero)");
            return DER_BAD_TAG;
        }
        outer.Skip(1);
    } else if (!outer.Peek(0, &first) || !outer.Peek(1, &second) || first != kTagSequence) {
        Trace("DerKeyPair - Bad rsa key");
        return DER_BAD_TAG;
    }
    key_ = outer.rest();
    DerBytes numbers;
    uint32_t header = 0;
    uint32_t length = 0;
    rc = DerDecodeHeader(key_, &numbers, &length, &header);
    if (rc != DER_OK) {
        Trace("DerKeyPair - Failed to decode rsa top sequence");
        return rc;
    }
    key_ = key_.first(header + length);
    DerReader reader(numbers);
    // The version INTEGER (02 01 00) of an RSAPrivateKey is passed over.
    if (tag == kTagOctetString && reader.remaining() > 3)
        reader.Skip(3);
    for (size_t i = 0; i < kRsaNumberCount; ++i) {
        DerBytes number;
        rc = DerReadElement(reader, &number);
        if (rc != DER_OK) {
            Trace("DerKeyPair - Bad rsa key (no %s)", kNumberNames[i]);
            return rc;
        }
        if (number.size() < 2 || DerTag(number) != kTagInteger) {
            Trace("DerKeyPair - Bad rsa key (%s not integer)", kNumberNames[i]);
            return DER_BAD_TAG;
        }
        DerBytes value;
        DerDecodeHeader(number, &value);
        uint8_t lead = 0xFF;
        if (DerReader(value).Peek(0, &lead) && lead == 0x00)
            value = value.subspan(1);
        numbers_[i] = number;
        values_[i] = value;
        if (i == Index(RsaNumber::kPublicExponent) && reader.empty())
            return DER_OK;
    }
    if (!reader.empty()) {
        Trace("DerKeyPair - %d bytes ignored at end of rsa key",
              static_cast<int>(reader.remaining()));
    }
    return DER_OK;
}

int DerKeyPair::Encode(DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    area = area.first(capacity);
    *count = 0;
    uint32_t algorithmLength = capacity;
    int rc = EncodeKeyAlgorithm(area, &algorithmLength);
    if (rc != DER_OK) {
        Trace("DerKeyPair - Failed to encode algorithm");
        return rc;
    }
    uint32_t keyLength = capacity - algorithmLength;
    rc = EncodeKey(area.subspan(algorithmLength), &keyLength);
    if (rc != DER_OK) {
        Trace("DerKeyPair - Failed to encode key pair");
        return rc;
    }
    uint32_t total = capacity;
    rc = DerAddHead(kTagSequence, algorithmLength + keyLength, area, &total);
    if (rc != DER_OK) {
        Trace("DerKeyPair - Failed to encode key pair top sequence");
        return rc;
    }
    *count = total;
    return DER_OK;
}

int DerKeyPair::EncodeRsaKey(DerArea area, uint32_t* count) {
    const uint32_t capacity = Capacity(area, *count);
    area = area.first(capacity);
    *count = 0;
    const size_t numberCount =
        values_[Index(RsaNumber::kPrivateExponent)].empty() ? 2 : kRsaNumberCount;
    // One octet stays free in front for the unused-bits count of the BIT STRING.
    uint32_t used = 1;
    if (capacity < used)
        return DER_BUFFER_TOO_SMALL;
    for (size_t i = 0; i < numberCount; ++i) {
        uint32_t written = capacity - used;
        const int rc = DerEncodeUnsigned(kTagInteger, values_[i], area.subspan(used), &written);
        if (rc != DER_OK) {
            Trace("%s", kEncodeFailures[i]);
            return rc;
        }
        used += written;
    }
    uint32_t sequence = capacity - 1;
    int rc = DerAddHead(kTagSequence, used - 1, area.subspan(1), &sequence);
    if (rc != DER_OK) {
        Trace("DerKeyPair - Failed to encode rsa top sequence");
        return rc;
    }
    area[0] = 0x00;
    uint32_t total = capacity;
    rc = DerAddHead(kTagBitString, sequence + 1, area, &total);
    if (rc != DER_OK) {
        Trace("DerKeyPair - Failed to encode rsa top bit string");
        return rc;
    }
    *count = total;
    return DER_OK;
}

}  // namespace orx
