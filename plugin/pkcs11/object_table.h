// The objects of the tokens as PKCS#11 objects with handles. A slot's objects are
// made from its token when the token changed or the login did, so what another
// process writes is seen at the next look; an object that is still the same keeps
// its handle, its attributes and its parsed key. Handles stay with an object for
// the life of the module, and a handle once seen is remembered as private or not,
// so that a private object asked for without a login is told apart from nonsense.
#pragma once

#include <p11-kit/pkcs11.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "pkcs11/attributes.h"
#include "pkcs11/key_operations.h"
#include "pkcs11/token_slots.h"

namespace orx::p11 {

struct P11Object {
    CK_OBJECT_HANDLE handle = 0;
    CK_SLOT_ID slot = 0;
    CK_OBJECT_CLASS objectClass = CKO_DATA;
    bool isPrivate = false;
    AttributeSet attributes;
    KeyPtr key;  // private keys only
    CK_KEY_TYPE keyType = CK_UNAVAILABLE_INFORMATION;
    std::array<uint8_t, 32> digest{};  // of what it was made from
};
using ObjectPtr = std::shared_ptr<const P11Object>;

// What an object is known by within its token: a certificate and its keys by the
// certificate's id, a data object by its privacy, label and application.
std::string CertificateIdentity(std::string_view id);
std::string DataIdentity(bool isPrivate, std::string_view label, std::string_view application);

// The ids of the certificates whose private key is on the token: from the sealed
// part once logged in. The token's header is where a reader without the password
// would learn them.
std::set<std::string> KeyedCertificateIds(const TokenFile& header,
                                          const std::vector<TokenObject>* privateObjects);

class ObjectTable {
  public:
    // Makes the slot's objects current for `stamp` (the token's state) and the login
    // state. CKR_OK; CKR_TOKEN_NOT_PRESENT when there is no token; with a login whose
    // key no longer opens the token, `loggedIn` becomes false and the public objects
    // are made.
    CK_RV Refresh(TokenSlots& slots, CK_SLOT_ID slot, uint64_t stamp, bool& loggedIn);
    // The slot's objects as last made (private ones only when made with a login).
    const std::vector<ObjectPtr>& Objects(CK_SLOT_ID slot) const;
    // The object of a handle in the slot's current objects, or null.
    ObjectPtr Find(CK_SLOT_ID slot, CK_OBJECT_HANDLE handle) const;
    // Whether the handle was ever given to a private object of the slot.
    bool WasPrivate(CK_SLOT_ID slot, CK_OBJECT_HANDLE handle) const;
    // The serial number of the token the slot's objects were made from.
    std::array<uint8_t, 8> Serial(CK_SLOT_ID slot) const;
    // The handle an object of that identity has or gets.
    CK_OBJECT_HANDLE HandleFor(CK_SLOT_ID slot, const std::string& identity, bool isPrivate);
    // The slot's objects are made anew at the next refresh (a login or logout, a
    // write); the private ones, keys included, go at once.
    void Forget(CK_SLOT_ID slot);

  private:
    struct SlotObjects {
        uint64_t stamp = 0;
        bool withPrivate = false;
        bool made = false;
        std::array<uint8_t, 8> serial{};
        std::vector<ObjectPtr> objects;
    };
    struct HandleOwner {
        CK_SLOT_ID slot = 0;
        bool isPrivate = false;
    };

    // A kept object when nothing it came from changed, else a new one from `make`.
    template <typename Make>
    ObjectPtr Reuse(const SlotObjects& old, CK_SLOT_ID slot, const std::string& identity,
                    bool isPrivate, const std::array<uint8_t, 32>& digest, Make make);

    std::map<CK_SLOT_ID, SlotObjects> slots_;
    std::map<std::string, CK_OBJECT_HANDLE> handles_;
    std::map<CK_OBJECT_HANDLE, HandleOwner> owners_;
    CK_OBJECT_HANDLE next_ = 1;
};

}  // namespace orx::p11
