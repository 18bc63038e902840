#include "pkcs11/object_table.h"

#include "cms/cms_library.h"
#include "core/trace.h"
#include "keys/token_crypto.h"
#include "pkcs11/object_attributes.h"
#include "tokenfile/token_objects.h"

namespace orx::p11 {

namespace {

// What an object is made of, hashed: a change of any of it makes the object anew.
std::array<uint8_t, 32> DigestOf(const TokenObject& object, bool withKey) {
    Secret bytes;
    const uint8_t head[2] = {static_cast<uint8_t>(object.kind), static_cast<uint8_t>(withKey)};
    bytes.Append(head);
    for (const std::string* text : {&object.id, &object.label, &object.application}) {
        const uint8_t size[2] = {static_cast<uint8_t>(text->size() >> 8),
                                 static_cast<uint8_t>(text->size())};
        bytes.Append(size);
        bytes.Append({reinterpret_cast<const uint8_t*>(text->data()), text->size()});
    }
    bytes.Append(object.value);
    return Sha256(bytes.span());
}

std::string DataIdentityOf(const TokenObject& object) {
    return DataIdentity(object.isPrivate, object.label, object.application);
}

}  // namespace

std::string CertificateIdentity(std::string_view id) {
    return "c:" + std::string(id);
}

std::string DataIdentity(bool isPrivate, std::string_view label, std::string_view application) {
    std::string identity = isPrivate ? "d1:" : "d0:";
    identity.append(label).push_back('\0');
    identity.append(application);
    return identity;
}

std::set<std::string> KeyedCertificateIds(const TokenFile&,
                                          const std::vector<TokenObject>* privateObjects) {
    std::set<std::string> ids;
    if (privateObjects) {
        for (const TokenObject& object : *privateObjects) {
            if (object.kind == ObjectKind::PrivateKey)
                ids.insert(object.id);
        }
    }
    return ids;
}

CK_OBJECT_HANDLE ObjectTable::HandleFor(CK_SLOT_ID slot, const std::string& identity,
                                        bool isPrivate) {
    const std::string key = std::to_string(slot) + ":" + identity;
    auto found = handles_.find(key);
    if (found != handles_.end())
        return found->second;
    const CK_OBJECT_HANDLE handle = next_++;
    handles_.emplace(key, handle);
    owners_[handle] = HandleOwner{slot, isPrivate};
    return handle;
}

template <typename Make>
ObjectPtr ObjectTable::Reuse(const SlotObjects& old, CK_SLOT_ID slot, const std::string& identity,
                             bool isPrivate, const std::array<uint8_t, 32>& digest, Make make) {
    const CK_OBJECT_HANDLE handle = HandleFor(slot, identity, isPrivate);
    for (const ObjectPtr& object : old.objects) {
        if (object->handle == handle && object->digest == digest)
            return object;
    }
    auto made = std::make_shared<P11Object>();
    made->handle = handle;
    made->slot = slot;
    made->isPrivate = isPrivate;
    made->digest = digest;
    if (!make(*made))
        return nullptr;
    return made;
}

CK_RV ObjectTable::Refresh(TokenSlots& slots, CK_SLOT_ID slot, uint64_t stamp, bool& loggedIn) {
    SlotObjects& current = slots_[slot];
    if (current.made && current.stamp == stamp && current.withPrivate == loggedIn)
        return CKR_OK;
    TokenFile header;
    if (slots.ReadToken(slot, header) != CKR_OK) {
        current = SlotObjects{};
        return CKR_TOKEN_NOT_PRESENT;
    }
    std::vector<TokenObject> privateObjects;
    if (loggedIn && slots.Unseal(slot, privateObjects) != CKR_OK) {
        WipeObjectList(privateObjects);
        loggedIn = false;
    }
    const std::set<std::string> keyed =
        KeyedCertificateIds(header, loggedIn ? &privateObjects : nullptr);

    SlotObjects fresh;
    fresh.stamp = stamp;
    fresh.withPrivate = loggedIn;
    fresh.made = true;
    fresh.serial = header.serial;
    auto add = [&](ObjectPtr object) {
        if (object)
            fresh.objects.push_back(std::move(object));
    };
    // The subjects of the certificates, for the keys that belong to them.
    std::map<std::string, std::vector<uint8_t>> subjects;
    for (const TokenObject& object : header.publicObjects) {
        if (object.kind == ObjectKind::Data) {
            add(Reuse(current, slot, DataIdentityOf(object), false, DigestOf(object, false),
                      [&](P11Object& made) {
                          made.objectClass = CKO_DATA;
                          made.attributes = DataAttributes(object);
                          return true;
                      }));
            continue;
        }
        if (object.kind != ObjectKind::Certificate)
            continue;
        CertificateFacts facts;
        if (!ReadCertificateFacts(object.value, facts))
            continue;
        subjects[object.id] = facts.subject;
        const bool hasKey = keyed.count(object.id) > 0;
        const std::array<uint8_t, 32> digest = DigestOf(object, hasKey);
        add(Reuse(current, slot, CertificateIdentity(object.id), false, digest,
                  [&](P11Object& made) {
                      made.objectClass = CKO_CERTIFICATE;
                      made.attributes = CertificateAttributes(object, facts, hasKey);
                      return true;
                  }));
        if (hasKey && facts.key.usable()) {
            add(Reuse(current, slot, "p:" + object.id, false, digest, [&](P11Object& made) {
                made.objectClass = CKO_PUBLIC_KEY;
                made.keyType = facts.key.type;
                made.attributes =
                    PublicKeyAttributes(object.id, object.label, facts.subject, facts.key);
                return true;
            }));
        }
    }
    for (const TokenObject& object : privateObjects) {
        if (object.kind == ObjectKind::Data) {
            add(Reuse(current, slot, DataIdentityOf(object), true, DigestOf(object, false),
                      [&](P11Object& made) {
                          made.objectClass = CKO_DATA;
                          made.attributes = DataAttributes(object);
                          return true;
                      }));
        } else if (object.kind == ObjectKind::PrivateKey) {
            add(Reuse(current, slot, "k:" + object.id, true, DigestOf(object, true),
                      [&](P11Object& made) {
                          PkeyPtr parsed = PrivateKeyFromPkcs8(object.value);
                          KeyFacts facts;
                          if (!parsed || !ReadKeyFacts(parsed.get(), facts)) {
                              Trace("P11 - A private key of slot %lu is of a kind not offered",
                                    static_cast<unsigned long>(slot));
                              return false;
                          }
                          made.objectClass = CKO_PRIVATE_KEY;
                          made.keyType = facts.type;
                          made.key = ShareKey(parsed.release());
                          made.attributes = PrivateKeyAttributes(object.id, object.label,
                                                                 subjects[object.id], facts);
                          return true;
                      }));
        }
    }
    WipeObjectList(privateObjects);
    current = std::move(fresh);
    return CKR_OK;
}

const std::vector<ObjectPtr>& ObjectTable::Objects(CK_SLOT_ID slot) const {
    static const std::vector<ObjectPtr> kNone;
    auto found = slots_.find(slot);
    return found == slots_.end() ? kNone : found->second.objects;
}

ObjectPtr ObjectTable::Find(CK_SLOT_ID slot, CK_OBJECT_HANDLE handle) const {
    for (const ObjectPtr& object : Objects(slot)) {
        if (object->handle == handle)
            return object;
    }
    return nullptr;
}

bool ObjectTable::WasPrivate(CK_SLOT_ID slot, CK_OBJECT_HANDLE handle) const {
    auto found = owners_.find(handle);
    return found != owners_.end() && found->second.slot == slot && found->second.isPrivate;
}

std::array<uint8_t, 8> ObjectTable::Serial(CK_SLOT_ID slot) const {
    auto found = slots_.find(slot);
    return found == slots_.end() ? std::array<uint8_t, 8>{} : found->second.serial;
}

void ObjectTable::Forget(CK_SLOT_ID slot) {
    auto found = slots_.find(slot);
    if (found == slots_.end())
        return;
    found->second.made = false;
    std::erase_if(found->second.objects, [](const ObjectPtr& object) { return object->isPrivate; });
}

}  // namespace orx::p11
