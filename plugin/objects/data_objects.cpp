// The data objects behind the token view's boxes: "Object" reads the one the CKA_*
// inputs describe, "UpdateObject" writes it. A private object is read only with a
// login and written only by a token that is logged in already: the program logs in
// itself before it changes the private box.
#include <openssl/crypto.h>

#include <cstdlib>

#include "core/base64.h"
#include "core/trace.h"
#include "objects/object_operations.h"
#include "objects/token_access.h"
#include "properties/base64_text.h"
#include "properties/inputs.h"
#include "properties/list_field.h"
#include "tokenfile/token_objects.h"

namespace orx {

namespace {

// A CK_ULONG or CK_BBOOL input as the program writes it ("0x01", "0x00000000");
// unset gives `fallback`, unreadable nothing.
std::optional<unsigned long> NumberInput(const std::string& text, unsigned long fallback) {
    if (text.empty())
        return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (*end != '\0' || text[0] == '-')
        return std::nullopt;
    return value;
}

struct ObjectQuery {
    std::string label;
    std::string application;
    bool isPrivate = false;
};

// The inputs describe a data object kept on the token, or they are refused.
std::optional<ObjectQuery> ReadQuery(const Inputs& inputs) {
    const std::optional<unsigned long> kind = NumberInput(inputs.Get("CKA_CLASS"), CKO_DATA);
    const std::optional<unsigned long> onToken = NumberInput(inputs.Get("CKA_TOKEN"), 1);
    const std::optional<unsigned long> isPrivate = NumberInput(inputs.Get("CKA_PRIVATE"), 0);
    if (!kind || *kind != CKO_DATA || !onToken || *onToken == 0 || !isPrivate)
        return std::nullopt;
    return ObjectQuery{inputs.Get("CKA_LABEL"), inputs.Get("CKA_APPLICATION"), *isPrivate != 0};
}

}  // namespace

std::optional<std::string> ObjectOperations::ObjectEntry(int slot, int index,
                                                         const Inputs& inputs) {
    const std::optional<ObjectQuery> query = ReadQuery(inputs);
    if (!query || index != 0)
        return std::nullopt;  // label and application name one object at most
    TokenFile file;
    if (tokens_.ReadToken(slot, file) != CKR_OK)
        return std::nullopt;
    std::optional<std::string> entry;
    if (!query->isPrivate) {
        if (const TokenObject* object =
                FindDataObject(file.publicObjects, query->label, query->application))
            entry = ListField(query->application) + ";" + Base64Encode(object->value);
        return entry;
    }
    if (!tokens_.IsLoggedIn(slot))
        return std::nullopt;
    std::vector<TokenObject> privateObjects;
    if (tokens_.Unseal(slot, privateObjects) == CKR_OK) {
        if (const TokenObject* object =
                FindDataObject(privateObjects, query->label, query->application))
            entry = ListField(query->application) + ";" + Base64Encode(object->value);
    }
    WipeObjectList(privateObjects);
    return entry;
}

int ObjectOperations::UpdateObject(int slot, const Inputs& inputs) {
    Trace("Plg - UpdateObject ...");
    const std::optional<ObjectQuery> query = ReadQuery(inputs);
    if (!query) {
        Trace("Plg - UpdateObject failed: the object is no data object on the token");
        return CKR_ARGUMENTS_BAD;
    }
    const std::string text = inputs.Get("CKA_VALUE");
    if (text.empty()) {
        Trace("Plg - UpdateObject failed: no value");
        return CKR_ARGUMENTS_BAD;
    }
    // Base64 of the largest value, with room for line breaks.
    if (text.size() > kMaxDataObjectSize / 3 * 4 + kMaxDataObjectSize / 32 + 8) {
        Trace("Plg - UpdateObject failed: the value is too large");
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    std::optional<std::vector<uint8_t>> value = Base64DecodeStrict(text);
    if (!value || value->size() > kMaxDataObjectSize) {
        Trace("Plg - UpdateObject failed: the value is no Base64 text or too large");
        if (value && !value->empty())
            OPENSSL_cleanse(value->data(), value->size());
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    TokenFile token;
    int result = CKR_OK;
    if (tokens_.ReadToken(slot, token) != CKR_OK) {
        result = CKR_TOKEN_NOT_PRESENT;
    } else if (query->isPrivate && !tokens_.IsLoggedIn(slot)) {
        result = CKR_USER_NOT_LOGGED_IN;
    } else {
        result = tokens_.Edit(slot, [&](auto& publicObjects, auto& privateObjects) {
            PutDataObject(query->isPrivate ? privateObjects : publicObjects, query->label,
                          query->application, query->isPrivate, *value);
            return CKR_OK;
        });
    }
    if (!value->empty())
        OPENSSL_cleanse(value->data(), value->size());
    if (result != CKR_OK) {
        Trace("Plg - UpdateObject failed (%d)", result);
        return result;
    }
    Trace("Plg - UpdateObject ... done (slot %d, %s)", slot,
          query->isPrivate ? "private" : "public");
    return CKR_OK;
}

}  // namespace orx
