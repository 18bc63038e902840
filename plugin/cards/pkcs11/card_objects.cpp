#include "cards/pkcs11/card_objects.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <algorithm>

#include "cards/pkcs11/key_facts.h"
#include "cms/cms_library.h"
#include "core/hex_text.h"
#include "core/trace.h"

namespace orx {

namespace {

std::string Text(const std::optional<std::vector<uint8_t>>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

std::vector<uint8_t> NoLeadingZeros(std::vector<uint8_t> bytes) {
    const auto first = std::find_if(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; });
    bytes.erase(bytes.begin(), first);
    return bytes;
}

struct BnFree {
    void operator()(BIGNUM* n) const { BN_clear_free(n); }
};
using Bn = std::unique_ptr<BIGNUM, BnFree>;

Bn BnParam(const EVP_PKEY* key, const char* name) {
    BIGNUM* n = nullptr;
    return Bn(EVP_PKEY_get_bn_param(key, name, &n) == 1 ? n : nullptr);
}

void AddCommon(AttributeTemplate& t, CK_OBJECT_CLASS objectClass, std::span<const uint8_t> id,
               std::string_view label, bool isPrivate) {
    t.AddUlong(CKA_CLASS, objectClass);
    t.AddBool(CKA_TOKEN, true);
    t.AddBool(CKA_PRIVATE, isPrivate);
    t.Add(CKA_ID, id);
    t.Add(CKA_LABEL, label);
}

// A private key from PKCS#8, and its public key, as card objects.
CK_RV CreateKeyPair(const CardSession& session, std::span<const uint8_t> pkcs8,
                    std::span<const uint8_t> id, std::string_view label,
                    std::vector<CK_OBJECT_HANDLE>& made) {
    const PkeyPtr key = PrivateKeyFromPkcs8(pkcs8);
    if (!key)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    AttributeTemplate secret;
    AttributeTemplate open;
    AddCommon(secret, CKO_PRIVATE_KEY, id, label, true);
    AddCommon(open, CKO_PUBLIC_KEY, id, label, false);
    // The key stays on the card: nobody may read it out, not even wrapped.
    secret.AddBool(CKA_SENSITIVE, true);
    secret.AddBool(CKA_EXTRACTABLE, false);
    secret.AddBool(CKA_SIGN, true);
    open.AddBool(CKA_VERIFY, true);
    if (EVP_PKEY_is_a(key.get(), "RSA")) {
        secret.AddUlong(CKA_KEY_TYPE, CKK_RSA);
        open.AddUlong(CKA_KEY_TYPE, CKK_RSA);
        secret.AddBool(CKA_DECRYPT, true);
        secret.AddBool(CKA_UNWRAP, true);
        open.AddBool(CKA_ENCRYPT, true);
        const struct {
            const char* param;
            CK_ATTRIBUTE_TYPE type;
            bool isPublic;
        } parts[] = {
            {OSSL_PKEY_PARAM_RSA_N, CKA_MODULUS, true},
            {OSSL_PKEY_PARAM_RSA_E, CKA_PUBLIC_EXPONENT, true},
            {OSSL_PKEY_PARAM_RSA_D, CKA_PRIVATE_EXPONENT, false},
            {OSSL_PKEY_PARAM_RSA_FACTOR1, CKA_PRIME_1, false},
            {OSSL_PKEY_PARAM_RSA_FACTOR2, CKA_PRIME_2, false},
            {OSSL_PKEY_PARAM_RSA_EXPONENT1, CKA_EXPONENT_1, false},
            {OSSL_PKEY_PARAM_RSA_EXPONENT2, CKA_EXPONENT_2, false},
            {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, CKA_COEFFICIENT, false},
        };
        for (const auto& part : parts) {
            const Bn n = BnParam(key.get(), part.param);
            if (!n)
                return CKR_ATTRIBUTE_VALUE_INVALID;
            std::vector<uint8_t> bytes = BigEndianBytes(n.get());
            secret.Add(part.type, bytes);
            if (part.isPublic)
                open.Add(part.type, bytes);
            OPENSSL_cleanse(bytes.data(), bytes.size());
        }
    } else if (EVP_PKEY_is_a(key.get(), "EC")) {
        secret.AddUlong(CKA_KEY_TYPE, CKK_EC);
        open.AddUlong(CKA_KEY_TYPE, CKK_EC);
        secret.AddBool(CKA_DERIVE, true);
        KeyFacts facts;
        const Bn scalar = BnParam(key.get(), OSSL_PKEY_PARAM_PRIV_KEY);
        if (!ReadKeyFacts(key.get(), facts) || !scalar)
            return CKR_ATTRIBUTE_VALUE_INVALID;
        const int width = (EVP_PKEY_get_bits(key.get()) + 7) / 8;
        std::vector<uint8_t> value = BigEndianBytes(scalar.get(), width);
        secret.Add(CKA_EC_PARAMS, facts.ecParams);
        secret.Add(CKA_VALUE, value);
        OPENSSL_cleanse(value.data(), value.size());
        open.Add(CKA_EC_PARAMS, facts.ecParams);
        open.Add(CKA_EC_POINT, facts.ecPoint);
    } else {
        Trace("Plg - A key of this kind cannot be put on a card");
        return CKR_KEY_TYPE_INCONSISTENT;
    }
    CK_OBJECT_HANDLE handle = CK_INVALID_HANDLE;
    CK_RV rv = secret.Create(session, handle);
    if (rv != CKR_OK)
        return rv;
    made.push_back(handle);
    rv = open.Create(session, handle);
    if (rv == CKR_OK)
        made.push_back(handle);
    return rv;
}

CK_RV CreateCertificate(const CardSession& session, const TokenObject& object,
                        std::span<const uint8_t> id, std::vector<CK_OBJECT_HANDLE>& made) {
    const unsigned char* p = object.value.data();
    const X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(object.value.size())));
    if (!cert)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    AttributeTemplate t;
    AddCommon(t, CKO_CERTIFICATE, id, object.label, false);
    t.AddUlong(CKA_CERTIFICATE_TYPE, CKC_X_509);
    t.Add(CKA_VALUE, object.value);
    t.Add(CKA_SUBJECT, OpenSslDer(X509_get_subject_name(cert.get()), i2d_X509_NAME));
    t.Add(CKA_ISSUER, OpenSslDer(X509_get_issuer_name(cert.get()), i2d_X509_NAME));
    t.Add(CKA_SERIAL_NUMBER, OpenSslDer(X509_get0_serialNumber(cert.get()), i2d_ASN1_INTEGER));
    CK_OBJECT_HANDLE handle = CK_INVALID_HANDLE;
    const CK_RV rv = t.Create(session, handle);
    if (rv == CKR_OK)
        made.push_back(handle);
    return rv;
}

CK_RV CreateData(const CardSession& session, const TokenObject& object,
                 std::vector<CK_OBJECT_HANDLE>& made) {
    AttributeTemplate t;
    t.AddUlong(CKA_CLASS, CKO_DATA);
    t.AddBool(CKA_TOKEN, true);
    t.AddBool(CKA_PRIVATE, object.isPrivate);
    t.Add(CKA_LABEL, object.label);
    t.Add(CKA_APPLICATION, object.application);
    t.Add(CKA_VALUE, object.value);
    CK_OBJECT_HANDLE handle = CK_INVALID_HANDLE;
    const CK_RV rv = t.Create(session, handle);
    if (rv == CKR_OK)
        made.push_back(handle);
    return rv;
}

bool SameData(const TokenObject& a, const TokenObject& b) {
    return a.kind == ObjectKind::Data && b.kind == ObjectKind::Data && a.isPrivate == b.isPrivate &&
           a.label == b.label && a.application == b.application;
}

// Whether an object after the edit is one the card holds already, unchanged.
bool Unchanged(const TokenObject& after, const TokenObject& before) {
    if (after.kind != before.kind)
        return false;
    switch (after.kind) {
        case ObjectKind::Certificate:
            return after.value == before.value;
        case ObjectKind::PrivateKey:
            // A marker without a value is the key the card has; one with a value is new.
            return after.value.empty() && after.id == before.id;
        case ObjectKind::Data:
            return SameData(after, before) && after.value == before.value;
    }
    return false;
}

// The first refusal, after trying every one.
CK_RV Destroy(const CardSession& session, const std::vector<CK_OBJECT_HANDLE>& handles) {
    CK_RV first = CKR_OK;
    for (const CK_OBJECT_HANDLE handle : handles) {
        const CK_RV rv = session.functions->C_DestroyObject(session.handle, handle);
        if (rv != CKR_OK) {
            Trace("Plg - The card kept an object it should let go (0x%lx)", rv);
            if (first == CKR_OK)
                first = rv;
        }
    }
    return first;
}

}  // namespace

std::string IdText(std::span<const uint8_t> id) {
    return HexText(id);
}

CK_RV ReadCardObjects(const CardSession& session, bool privateOnes, std::vector<CardObject>& out) {
    out.clear();
    std::vector<CK_OBJECT_HANDLE> found;
    CK_RV rv = CKR_OK;
    if (!privateOnes) {
        rv = FindObjects(session, CKO_CERTIFICATE, found);
        if (rv != CKR_OK)
            return rv;
        for (const CK_OBJECT_HANDLE handle : found) {
            if (ReadUlong(session, handle, CKA_CERTIFICATE_TYPE) != CK_ULONG(CKC_X_509))
                continue;
            std::optional<std::vector<uint8_t>> value = ReadAttribute(session, handle, CKA_VALUE);
            if (!value || value->empty())
                continue;
            CardObject entry;
            entry.object.kind = ObjectKind::Certificate;
            entry.object.id =
                IdText(ReadAttribute(session, handle, CKA_ID).value_or(std::vector<uint8_t>{}));
            entry.object.label = Text(ReadAttribute(session, handle, CKA_LABEL));
            entry.object.value = std::move(*value);
            entry.handles.push_back(handle);
            out.push_back(std::move(entry));
        }
    } else {
        rv = FindObjects(session, CKO_PRIVATE_KEY, found);
        if (rv != CKR_OK)
            return rv;
        for (const CK_OBJECT_HANDLE handle : found) {
            const std::vector<uint8_t> id =
                ReadAttribute(session, handle, CKA_ID).value_or(std::vector<uint8_t>{});
            CardObject entry;
            entry.object.kind = ObjectKind::PrivateKey;
            entry.object.isPrivate = true;
            entry.object.id = IdText(id);
            entry.object.label = Text(ReadAttribute(session, handle, CKA_LABEL));
            entry.handles.push_back(handle);
            // Its public key goes with it.
            std::vector<CK_OBJECT_HANDLE> publicKeys;
            if (!id.empty() && FindObjects(session, CKO_PUBLIC_KEY, publicKeys, id) == CKR_OK)
                entry.handles.insert(entry.handles.end(), publicKeys.begin(), publicKeys.end());
            out.push_back(std::move(entry));
        }
    }
    rv = FindObjects(session, CKO_DATA, found);
    if (rv != CKR_OK)
        return rv;
    for (const CK_OBJECT_HANDLE handle : found) {
        if (ReadBool(session, handle, CKA_PRIVATE) != privateOnes)
            continue;
        CardObject entry;
        entry.object.kind = ObjectKind::Data;
        entry.object.isPrivate = privateOnes;
        entry.object.label = Text(ReadAttribute(session, handle, CKA_LABEL));
        entry.object.application = Text(ReadAttribute(session, handle, CKA_APPLICATION));
        entry.object.value =
            ReadAttribute(session, handle, CKA_VALUE).value_or(std::vector<uint8_t>{});
        entry.handles.push_back(handle);
        out.push_back(std::move(entry));
    }
    return CKR_OK;
}

std::optional<std::vector<uint8_t>> KeyIdFor(const CardSession& session,
                                             std::span<const uint8_t> certificateDer) {
    const unsigned char* p = certificateDer.data();
    const X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(certificateDer.size())));
    EVP_PKEY* key = cert ? X509_get0_pubkey(cert.get()) : nullptr;
    if (!key)
        return std::nullopt;
    // The key info as the certificate has it; keys of other kinds than RSA and EC are
    // matched by it alone.
    const std::vector<uint8_t> info = OpenSslDer(key, i2d_PUBKEY);
    KeyFacts facts;
    ReadKeyFacts(key, facts);
    const std::vector<uint8_t>& modulus = facts.modulus;
    const std::vector<uint8_t>& wrappedPoint = facts.ecPoint;
    for (const CK_OBJECT_CLASS objectClass : {CKO_PRIVATE_KEY, CKO_PUBLIC_KEY}) {
        std::vector<CK_OBJECT_HANDLE> found;
        if (FindObjects(session, objectClass, found) != CKR_OK)
            continue;
        for (const CK_OBJECT_HANDLE handle : found) {
            bool match = false;
            if (const auto stored = ReadAttribute(session, handle, CKA_PUBLIC_KEY_INFO))
                match = !stored->empty() && (*stored == info || *stored == facts.spki);
            if (!match && !modulus.empty()) {
                if (const auto stored = ReadAttribute(session, handle, CKA_MODULUS))
                    match = NoLeadingZeros(*stored) == NoLeadingZeros(modulus);
            }
            if (!match && !wrappedPoint.empty()) {
                // Some cards keep the point itself, without the OCTET STRING around it.
                if (const auto stored = ReadAttribute(session, handle, CKA_EC_POINT))
                    match = *stored == wrappedPoint || DerOctetString(*stored) == wrappedPoint;
            }
            if (match) {
                if (auto id = ReadAttribute(session, handle, CKA_ID); id && !id->empty())
                    return id;
            }
        }
    }
    return std::nullopt;
}

CK_RV ApplyObjectChanges(const CardSession& session, const std::vector<CardObject>& before,
                         const std::vector<TokenObject>& publicAfter,
                         const std::vector<TokenObject>& privateAfter) {
    std::vector<bool> kept(before.size(), false);
    std::vector<const TokenObject*> created;
    std::vector<std::vector<uint8_t>> certificates;  // DER already held or being made
    for (const std::vector<TokenObject>* list : {&privateAfter, &publicAfter}) {
        for (const TokenObject& after : *list) {
            bool matched = false;
            for (size_t i = 0; i < before.size() && !matched; ++i) {
                if (!kept[i] && Unchanged(after, before[i].object))
                    kept[i] = matched = true;
            }
            if (after.kind == ObjectKind::Certificate) {
                // The same certificate twice in the lists is one object on the card.
                const bool twice = std::any_of(certificates.begin(), certificates.end(),
                                               [&](const auto& der) { return der == after.value; });
                certificates.push_back(after.value);
                matched = matched || twice;
            }
            if (!matched)
                created.push_back(&after);
        }
    }
    // Keys first, so that a new certificate finds the key it belongs to. A data
    // object with a new value is a new object: cards keep a value as it was made.
    std::stable_sort(
        created.begin(), created.end(), [](const TokenObject* a, const TokenObject* b) {
            auto rank = [](ObjectKind k) {
                return k == ObjectKind::PrivateKey ? 0 : k == ObjectKind::Certificate ? 1 : 2;
            };
            return rank(a->kind) < rank(b->kind);
        });
    std::vector<CK_OBJECT_HANDLE> made;
    CK_RV rv = CKR_OK;
    for (const TokenObject* object : created) {
        if (object->kind == ObjectKind::PrivateKey) {
            const std::optional<std::vector<uint8_t>> id = HexBytes(object->id);
            rv = object->value.empty() || !id
                     ? CKR_ATTRIBUTE_VALUE_INVALID
                     : CreateKeyPair(session, object->value, *id, object->label, made);
        } else if (object->kind == ObjectKind::Certificate) {
            std::optional<std::vector<uint8_t>> id = KeyIdFor(session, object->value);
            if (!id)
                id = HexBytes(object->id);
            rv = CreateCertificate(session, *object, id.value_or(std::vector<uint8_t>{}), made);
        } else {
            rv = CreateData(session, *object, made);
        }
        if (rv != CKR_OK)
            break;
    }
    if (rv != CKR_OK) {
        // Nothing of a failed change stays: a key without its certificate is of no use.
        Destroy(session, made);
        return rv;
    }
    // Only what replaced it is there does the old go.
    for (size_t i = 0; i < before.size(); ++i) {
        if (!kept[i]) {
            const CK_RV destroyed = Destroy(session, before[i].handles);
            if (rv == CKR_OK)
                rv = destroyed;
        }
    }
    return rv;
}

}  // namespace orx
