#include "tokenfile/token_objects.h"

#include <openssl/crypto.h>

#include <algorithm>

#include "core/hex_text.h"
#include "keys/token_crypto.h"

namespace orx {

namespace {

bool SameBytes(const std::vector<uint8_t>& value, std::span<const uint8_t> bytes) {
    return value.size() == bytes.size() && std::equal(value.begin(), value.end(), bytes.begin());
}

void WipeValue(TokenObject& object) {
    if (!object.value.empty())
        OPENSSL_cleanse(object.value.data(), object.value.size());
}

// Removes the objects of this kind and id, wiping their values.
void EraseObjects(std::vector<TokenObject>& objects, ObjectKind kind, std::string_view id) {
    std::erase_if(objects, [&](TokenObject& object) {
        if (object.kind != kind || object.id != id)
            return false;
        WipeValue(object);
        return true;
    });
}

}  // namespace

std::string CertificateObjectId(std::span<const uint8_t> der) {
    const auto digest = Sha256(der);
    return HexText(std::span(digest).first(20));
}

std::vector<const TokenObject*> CertificateObjects(const std::vector<TokenObject>& objects) {
    std::vector<const TokenObject*> found;
    for (const TokenObject& object : objects) {
        if (object.kind == ObjectKind::Certificate)
            found.push_back(&object);
    }
    return found;
}

const TokenObject* FindCertificateObject(const std::vector<TokenObject>& objects,
                                         std::span<const uint8_t> der) {
    for (const TokenObject& object : objects) {
        if (object.kind == ObjectKind::Certificate && SameBytes(object.value, der))
            return &object;
    }
    return nullptr;
}

const TokenObject* FindPrivateKeyObject(const std::vector<TokenObject>& privateObjects,
                                        std::string_view certificateId) {
    for (const TokenObject& object : privateObjects) {
        if (object.kind == ObjectKind::PrivateKey && object.id == certificateId)
            return &object;
    }
    return nullptr;
}

void PutCertificate(std::vector<TokenObject>& publicObjects,
                    std::vector<TokenObject>& privateObjects, std::span<const uint8_t> der,
                    std::string_view label, std::span<const uint8_t> pkcs8) {
    // A certificate already held keeps the id it has: a card's objects are linked by
    // the ids the card was given, not by ours.
    std::string id = CertificateObjectId(der);
    auto same = std::find_if(publicObjects.begin(), publicObjects.end(), [&](const auto& o) {
        return o.kind == ObjectKind::Certificate && (o.id == id || SameBytes(o.value, der));
    });
    if (same != publicObjects.end())
        id = same->id;
    TokenObject certificate;
    certificate.kind = ObjectKind::Certificate;
    certificate.id = id;
    certificate.label = std::string(label);
    certificate.value.assign(der.begin(), der.end());
    if (same != publicObjects.end()) {
        *same = std::move(certificate);
    } else {
        publicObjects.push_back(std::move(certificate));
    }
    if (pkcs8.empty())
        return;
    EraseObjects(privateObjects, ObjectKind::PrivateKey, id);
    TokenObject key;
    key.kind = ObjectKind::PrivateKey;
    key.isPrivate = true;
    key.id = id;
    key.label = std::string(label);
    key.value.assign(pkcs8.begin(), pkcs8.end());
    privateObjects.push_back(std::move(key));
}

bool RemoveCertificate(std::vector<TokenObject>& publicObjects,
                       std::vector<TokenObject>& privateObjects, std::span<const uint8_t> der) {
    const TokenObject* found = FindCertificateObject(publicObjects, der);
    if (!found)
        return false;
    const std::string id = found->id;
    std::erase_if(publicObjects, [&](const TokenObject& object) {
        return object.kind == ObjectKind::Certificate && SameBytes(object.value, der);
    });
    EraseObjects(privateObjects, ObjectKind::PrivateKey, id);
    return true;
}

const TokenObject* FindDataObject(const std::vector<TokenObject>& objects, std::string_view label,
                                  std::string_view application) {
    for (const TokenObject& object : objects) {
        if (object.kind == ObjectKind::Data && object.label == label &&
            object.application == application)
            return &object;
    }
    return nullptr;
}

void PutDataObject(std::vector<TokenObject>& objects, std::string_view label,
                   std::string_view application, bool isPrivate, std::span<const uint8_t> value) {
    for (TokenObject& object : objects) {
        if (object.kind == ObjectKind::Data && object.label == label &&
            object.application == application) {
            WipeValue(object);
            object.value.assign(value.begin(), value.end());
            object.isPrivate = isPrivate;
            return;
        }
    }
    TokenObject object;
    object.kind = ObjectKind::Data;
    object.isPrivate = isPrivate;
    object.label = std::string(label);
    object.application = std::string(application);
    object.value.assign(value.begin(), value.end());
    objects.push_back(std::move(object));
}

void WipeObjectList(std::vector<TokenObject>& objects) {
    for (TokenObject& object : objects)
        WipeValue(object);
    objects.clear();
}

int EditTokenObjects(const TokenStore& store, std::string_view stem, const TokenKey& key,
                     const ObjectEdit& edit) {
    return store.Locked([&]() -> int {
        TokenFile file;
        int result = store.Read(stem, file);
        if (result != CKR_OK)
            return result;
        if (MakeVerifier(key, file.salt) != file.verifier)
            return CKR_PIN_INCORRECT;
        std::vector<uint8_t> bytes;
        result = EditSealedObjects(file, key, edit, bytes);
        if (result == CKR_OK)
            result = store.ReplaceLocked(stem, bytes);
        if (!bytes.empty())
            OPENSSL_cleanse(bytes.data(), bytes.size());
        return result;
    });
}

int EditSealedObjects(TokenFile& file, const TokenKey& key, const ObjectEdit& edit,
                      std::vector<uint8_t>& bytes) {
    std::vector<TokenObject> privateObjects;
    int result = UnsealToken(file, key, privateObjects);
    if (result == CKR_OK)
        result = edit(file.publicObjects, privateObjects);
    if (result == CKR_OK && !SerializeTokenFile(file, key, privateObjects, bytes))
        result = CKR_FUNCTION_FAILED;
    if (result == CKR_OK && bytes.size() > kMaxTokenFileSize)
        result = CKR_FUNCTION_FAILED;
    WipeObjectList(privateObjects);
    return result;
}

int ChangeTokenPassword(const TokenStore& store, std::string_view stem, const TokenKey& oldKey,
                        std::string_view password, TokenKey& newKey) {
    return store.Locked([&]() -> int {
        TokenFile current;
        int result = store.Read(stem, current);
        if (result != CKR_OK)
            return result;
        std::vector<TokenObject> objects;
        result = UnsealToken(current, oldKey, objects);
        if (result == CKR_OK) {
            std::vector<uint8_t> bytes;
            if (!RekeyTokenFile(current, password, newKey) ||
                !SerializeTokenFile(current, newKey, objects, bytes)) {
                result = CKR_FUNCTION_FAILED;
            } else {
                result = store.ReplaceLocked(stem, bytes);
            }
        }
        WipeObjectList(objects);
        return result;
    });
}

}  // namespace orx
