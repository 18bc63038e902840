#include "pkcs11/attributes.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstring>

namespace orx::p11 {

AttributeSet::~AttributeSet() {
    for (Attribute& attribute : attributes_) {
        if (!attribute.value.empty())
            OPENSSL_cleanse(attribute.value.data(), attribute.value.size());
    }
}

AttributeSet::Attribute& AttributeSet::Slot(CK_ATTRIBUTE_TYPE type) {
    for (Attribute& attribute : attributes_) {
        if (attribute.type == type)
            return attribute;
    }
    attributes_.push_back(Attribute{type, {}, false});
    return attributes_.back();
}

const AttributeSet::Attribute* AttributeSet::Find(CK_ATTRIBUTE_TYPE type) const {
    for (const Attribute& attribute : attributes_) {
        if (attribute.type == type)
            return &attribute;
    }
    return nullptr;
}

void AttributeSet::Put(CK_ATTRIBUTE_TYPE type, std::span<const uint8_t> value) {
    Attribute& slot = Slot(type);
    slot.value.assign(value.begin(), value.end());
    slot.sensitive = false;
}

void AttributeSet::PutBool(CK_ATTRIBUTE_TYPE type, bool value) {
    const CK_BBOOL flag = value ? CK_TRUE : CK_FALSE;
    Put(type, {&flag, 1});
}

void AttributeSet::PutUlong(CK_ATTRIBUTE_TYPE type, CK_ULONG value) {
    Put(type, {reinterpret_cast<const uint8_t*>(&value), sizeof value});
}

void AttributeSet::PutText(CK_ATTRIBUTE_TYPE type, std::string_view text) {
    Put(type, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void AttributeSet::PutUlongs(CK_ATTRIBUTE_TYPE type, std::span<const CK_ULONG> values) {
    Put(type, {reinterpret_cast<const uint8_t*>(values.data()), values.size_bytes()});
}

void AttributeSet::PutSensitive(CK_ATTRIBUTE_TYPE type) {
    Attribute& slot = Slot(type);
    slot.value.clear();
    slot.sensitive = true;
}

std::span<const uint8_t> AttributeSet::Value(CK_ATTRIBUTE_TYPE type) const {
    const Attribute* found = Find(type);
    if (!found || found->sensitive)
        return {};
    return found->value;
}

bool AttributeSet::Ulong(CK_ATTRIBUTE_TYPE type, CK_ULONG& value) const {
    const std::span<const uint8_t> bytes = Value(type);
    if (bytes.size() != sizeof value)
        return false;
    std::memcpy(&value, bytes.data(), sizeof value);
    return true;
}

bool AttributeSet::Bool(CK_ATTRIBUTE_TYPE type) const {
    const std::span<const uint8_t> bytes = Value(type);
    return bytes.size() == 1 && bytes[0] != CK_FALSE;
}

bool AttributeSet::Matches(std::span<const CK_ATTRIBUTE> wanted) const {
    return std::all_of(wanted.begin(), wanted.end(), [&](const CK_ATTRIBUTE& entry) {
        const Attribute* found = Find(entry.type);
        if (!found || found->sensitive || found->value.size() != entry.ulValueLen)
            return false;
        return entry.ulValueLen == 0 ||
               (entry.pValue &&
                std::memcmp(entry.pValue, found->value.data(), entry.ulValueLen) == 0);
    });
}

CK_RV AttributeSet::CopyOut(std::span<CK_ATTRIBUTE> wanted) const {
    CK_RV result = CKR_OK;
    for (CK_ATTRIBUTE& entry : wanted) {
        const Attribute* found = Find(entry.type);
        if (!found) {
            entry.ulValueLen = CK_UNAVAILABLE_INFORMATION;
            result = CKR_ATTRIBUTE_TYPE_INVALID;
        } else if (found->sensitive) {
            entry.ulValueLen = CK_UNAVAILABLE_INFORMATION;
            result = CKR_ATTRIBUTE_SENSITIVE;
        } else if (!entry.pValue) {
            entry.ulValueLen = found->value.size();
        } else if (entry.ulValueLen < found->value.size()) {
            entry.ulValueLen = CK_UNAVAILABLE_INFORMATION;
            result = CKR_BUFFER_TOO_SMALL;
        } else {
            if (!found->value.empty())
                std::memcpy(entry.pValue, found->value.data(), found->value.size());
            entry.ulValueLen = found->value.size();
        }
    }
    return result;
}

CK_ULONG AttributeSet::Size() const {
    CK_ULONG size = 0;
    for (const Attribute& attribute : attributes_)
        size += sizeof(CK_ATTRIBUTE) + attribute.value.size();
    return size;
}

bool TemplateSpan(CK_ATTRIBUTE_PTR pointer, CK_ULONG count, std::span<CK_ATTRIBUTE>& out) {
    if (!pointer && count > 0)
        return false;
    out = pointer ? std::span<CK_ATTRIBUTE>(pointer, count) : std::span<CK_ATTRIBUTE>();
    return true;
}

}  // namespace orx::p11
