// The data objects behind the token view's boxes: "Object" reads the one the CKA_*
// inputs describe, "UpdateObject" writes it. A private object is read only with a
// login and written only by a token that is logged in already: the program logs in
// itself before it changes the private box.
#include <openssl/crypto.h>

#include <cstdlib>

#include "core/trace.h"
#include "module_context.h"
#include "objects/certificate_fields.h"
#include "properties/base64_text.h"

namespace orx {

namespace {

// CKO_DATA.
constexpr unsigned long kDataClass = 0;

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
std::optional<ObjectQuery> ReadQuery(const std::function<std::string(std::string_view)>& input) {
    const std::optional<unsigned long> kind = NumberInput(input("CKA_CLASS"), kDataClass);
    const std::optional<unsigned long> onToken = NumberInput(input("CKA_TOKEN"), 1);
    const std::optional<unsigned long> isPrivate = NumberInput(input("CKA_PRIVATE"), 0);
    if (!kind || *kind != kDataClass || !onToken || *onToken == 0 || !isPrivate)
        return std::nullopt;
    return ObjectQuery{input("CKA_LABEL"), input("CKA_APPLICATION"), *isPrivate != 0};
}

}  // namespace

std::optional<std::string> ModuleContext::ObjectEntry(int index) {
    const std::optional<ObjectQuery> query =
        ReadQuery([this](std::string_view name) { return Input(name); });
    if (!query || index != 0)
        return std::nullopt;  // label and application name one object at most
    TokenFile file;
    if (ReadSlotToken(activeSlot_, file) != CKR_OK)
        return std::nullopt;
    std::optional<std::string> entry;
    if (!query->isPrivate) {
        if (const TokenObject* object =
                FindDataObject(file.publicObjects, query->label, query->application))
            entry = ListField(query->application) + ";" + EncodeBase64(object->value);
        return entry;
    }
    if (!IsLoggedIn(activeSlot_))
        return std::nullopt;
    std::vector<TokenObject> privateObjects;
    if (UnsealSlot(activeSlot_, privateObjects) == CKR_OK) {
        if (const TokenObject* object =
                FindDataObject(privateObjects, query->label, query->application))
            entry = ListField(query->application) + ";" + EncodeBase64(object->value);
    }
    WipeObjectList(privateObjects);
    return entry;
}

int ModuleContext::UpdateObject() {
    Trace("Plg - UpdateObject ...");
    const std::optional<ObjectQuery> query =
        ReadQuery([this](std::string_view name) { return Input(name); });
    if (!query) {
        Trace("Plg - UpdateObject failed: the object is no data object on the token");
        return CKR_ARGUMENTS_BAD;
    }
    const std::string text = Input("CKA_VALUE");
    if (text.empty()) {
        Trace("Plg - UpdateObject failed: no value");
        return CKR_ARGUMENTS_BAD;
    }
    // Base64 of the largest value, with room for line breaks.
    if (text.size() > kMaxDataObjectSize / 3 * 4 + kMaxDataObjectSize / 32 + 8) {
        Trace("Plg - UpdateObject failed: the value is too large");
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    std::optional<std::vector<uint8_t>> value = DecodeBase64(text);
    if (!value || value->size() > kMaxDataObjectSize) {
        Trace("Plg - UpdateObject failed: the value is no Base64 text or too large");
        if (value && !value->empty())
            OPENSSL_cleanse(value->data(), value->size());
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    TokenFile token;
    int result = CKR_OK;
    if (ReadSlotToken(activeSlot_, token) != CKR_OK) {
        result = CKR_TOKEN_NOT_PRESENT;
    } else if (query->isPrivate && !IsLoggedIn(activeSlot_)) {
        result = CKR_USER_NOT_LOGGED_IN;
    } else {
        result = EditSlot(activeSlot_, [&](auto& publicObjects, auto& privateObjects) {
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
    Trace("Plg - UpdateObject ... done (slot %d, %s)", activeSlot_,
          query->isPrivate ? "private" : "public");
    return CKR_OK;
}

}  // namespace orx
