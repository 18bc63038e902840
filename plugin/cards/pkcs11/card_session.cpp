#include "cards/pkcs11/card_session.h"

#include <openssl/crypto.h>

#include <string>

namespace orx {

namespace {

// A token of many objects is read in a few rounds.
constexpr CK_ULONG kFindBatch = 64;

}  // namespace

CK_RV FindObjects(const CardSession& session, CK_OBJECT_CLASS objectClass,
                  std::vector<CK_OBJECT_HANDLE>& found, std::optional<std::span<const uint8_t>> id,
                  CK_ATTRIBUTE_TYPE idType) {
    found.clear();
    CK_BBOOL onToken = CK_TRUE;
    CK_ATTRIBUTE query[3] = {
        {CKA_CLASS, &objectClass, sizeof objectClass},
        {CKA_TOKEN, &onToken, sizeof onToken},
        {idType, nullptr, 0},
    };
    CK_ULONG count = 2;
    if (id) {
        query[2].pValue = const_cast<uint8_t*>(id->data());
        query[2].ulValueLen = id->size();
        count = 3;
    }
    CK_FUNCTION_LIST* f = session.functions;
    CK_RV rv = f->C_FindObjectsInit(session.handle, query, count);
    if (rv != CKR_OK)
        return rv;
    CK_OBJECT_HANDLE batch[kFindBatch];
    for (;;) {
        CK_ULONG got = 0;
        rv = f->C_FindObjects(session.handle, batch, kFindBatch, &got);
        if (rv != CKR_OK || got == 0)
            break;
        found.insert(found.end(), batch, batch + got);
    }
    const CK_RV done = f->C_FindObjectsFinal(session.handle);
    return rv != CKR_OK ? rv : done;
}

std::optional<std::vector<uint8_t>> ReadAttribute(const CardSession& session,
                                                  CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type) {
    CK_ATTRIBUTE attribute{type, nullptr, 0};
    CK_FUNCTION_LIST* f = session.functions;
    if (f->C_GetAttributeValue(session.handle, object, &attribute, 1) != CKR_OK ||
        attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION)
        return std::nullopt;
    std::vector<uint8_t> value(attribute.ulValueLen);
    attribute.pValue = value.data();
    if (f->C_GetAttributeValue(session.handle, object, &attribute, 1) != CKR_OK ||
        attribute.ulValueLen > value.size()) {
        OPENSSL_cleanse(value.data(), value.size());
        return std::nullopt;
    }
    value.resize(attribute.ulValueLen);
    return value;
}

std::optional<CK_ULONG> ReadUlong(const CardSession& session, CK_OBJECT_HANDLE object,
                                  CK_ATTRIBUTE_TYPE type) {
    CK_ULONG value = 0;
    CK_ATTRIBUTE attribute{type, &value, sizeof value};
    if (session.functions->C_GetAttributeValue(session.handle, object, &attribute, 1) != CKR_OK ||
        attribute.ulValueLen != sizeof value)
        return std::nullopt;
    return value;
}

bool ReadBool(const CardSession& session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type) {
    CK_BBOOL value = CK_FALSE;
    CK_ATTRIBUTE attribute{type, &value, sizeof value};
    return session.functions->C_GetAttributeValue(session.handle, object, &attribute, 1) ==
               CKR_OK &&
           attribute.ulValueLen == sizeof value && value == CK_TRUE;
}

AttributeTemplate::~AttributeTemplate() {
    for (std::vector<uint8_t>& value : values_) {
        if (!value.empty())
            OPENSSL_cleanse(value.data(), value.size());
    }
}

void AttributeTemplate::Add(CK_ATTRIBUTE_TYPE type, std::span<const uint8_t> value) {
    // A deque keeps every value where it is while later ones are added.
    std::vector<uint8_t>& stored = values_.emplace_back(value.begin(), value.end());
    attributes_.push_back(
        {type, stored.empty() ? nullptr : stored.data(), static_cast<CK_ULONG>(stored.size())});
}

void AttributeTemplate::Add(CK_ATTRIBUTE_TYPE type, std::string_view text) {
    Add(type, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void AttributeTemplate::AddUlong(CK_ATTRIBUTE_TYPE type, CK_ULONG value) {
    Add(type, std::span(reinterpret_cast<const uint8_t*>(&value), sizeof value));
}

void AttributeTemplate::AddBool(CK_ATTRIBUTE_TYPE type, bool value) {
    const CK_BBOOL flag = value ? CK_TRUE : CK_FALSE;
    Add(type, std::span(&flag, 1));
}

CK_RV AttributeTemplate::Create(const CardSession& session, CK_OBJECT_HANDLE& object) {
    return session.functions->C_CreateObject(session.handle, attributes_.data(),
                                             static_cast<CK_ULONG>(attributes_.size()), &object);
}

std::string FixedText(const unsigned char* text, size_t size) {
    std::string out(reinterpret_cast<const char*>(text), size);
    const size_t end = out.find_last_not_of(" \0", std::string::npos, 2);
    out.resize(end == std::string::npos ? 0 : end + 1);
    return out;
}

}  // namespace orx
