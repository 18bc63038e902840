// One initialisation of the module (C_Initialize to C_Finalize): its slots over the
// program's tokens, the sessions, the logins (one per token, shared by its
// sessions as PKCS#11 has it) and the objects with their handles. Every function
// holds the module's lock while it looks at tokens, sessions or objects; signing
// and decryption run outside it, under their session's own lock, so that threads
// with sessions of their own sign at the same time.
#pragma once

#include <p11-kit/pkcs11.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pkcs11/key_operations.h"
#include "pkcs11/object_table.h"
#include "pkcs11/token_slots.h"

namespace orx::p11 {

// The configuration key that gives every token a protected authentication path:
// C_Login without a PIN asks for the password through pinentry.
inline constexpr std::string_view kModuleSection = "PKCS11";
inline constexpr std::string_view kProtectedPathKey = "ProtectedAuthenticationPath";

struct Session {
    CK_SESSION_HANDLE handle = 0;
    CK_SLOT_ID slot = 0;
    CK_FLAGS flags = 0;
    std::array<uint8_t, 8> serial{};  // of the token it was opened on
    // The search, under the module's lock.
    bool finding = false;
    std::vector<CK_OBJECT_HANDLE> found;
    size_t next = 0;
    // The key operations, under `operation`.
    std::mutex operation;
    std::optional<SignOperation> sign;
    bool signUpdated = false;
    std::optional<DecryptOperation> decrypt;
};
using SessionPtr = std::shared_ptr<Session>;

class Module {
  public:
    Module();
    ~Module();  // every login ends, every key is freed
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Wakes every C_WaitForSlotEvent, which then answers CKR_CRYPTOKI_NOT_INITIALIZED.
    void Stop();

    CK_RV GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count);
    CK_RV GetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO_PTR info);
    CK_RV GetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info);
    CK_RV GetMechanismList(CK_SLOT_ID slot, CK_MECHANISM_TYPE_PTR list, CK_ULONG_PTR count);
    CK_RV GetMechanismInfo(CK_SLOT_ID slot, CK_MECHANISM_TYPE type, CK_MECHANISM_INFO_PTR info);
    CK_RV WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot);

    CK_RV OpenSession(CK_SLOT_ID slot, CK_FLAGS flags, CK_SESSION_HANDLE_PTR session);
    CK_RV CloseSession(CK_SESSION_HANDLE session);
    CK_RV CloseAllSessions(CK_SLOT_ID slot);
    CK_RV GetSessionInfo(CK_SESSION_HANDLE session, CK_SESSION_INFO_PTR info);
    CK_RV Login(CK_SESSION_HANDLE session, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin,
                CK_ULONG pinLength);
    CK_RV Logout(CK_SESSION_HANDLE session);

    CK_RV FindObjectsInit(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR attributes, CK_ULONG count);
    CK_RV FindObjects(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE_PTR objects, CK_ULONG most,
                      CK_ULONG_PTR count);
    CK_RV FindObjectsFinal(CK_SESSION_HANDLE session);
    CK_RV GetAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                            CK_ATTRIBUTE_PTR attributes, CK_ULONG count);
    CK_RV GetObjectSize(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ULONG_PTR size);
    CK_RV CreateObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR attributes, CK_ULONG count,
                       CK_OBJECT_HANDLE_PTR object);
    CK_RV DestroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object);
    CK_RV SetAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                            CK_ATTRIBUTE_PTR attributes, CK_ULONG count);

    CK_RV SignInit(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key);
    CK_RV Sign(CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR signature,
               CK_ULONG_PTR signatureLength);
    CK_RV SignUpdate(CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length);
    CK_RV SignFinal(CK_SESSION_HANDLE session, CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength);
    CK_RV DecryptInit(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key);
    CK_RV Decrypt(CK_SESSION_HANDLE session, CK_BYTE_PTR encrypted, CK_ULONG length,
                  CK_BYTE_PTR data, CK_ULONG_PTR dataLength);
    CK_RV GenerateRandom(CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length);

  private:
    // Under lock_: the session, or null.
    SessionPtr FindSession(CK_SESSION_HANDLE handle) const;
    SessionPtr Lookup(CK_SESSION_HANDLE handle) const;
    bool LoggedIn(CK_SLOT_ID slot) const { return loggedIn_.count(slot) > 0; }
    // Under lock_: the session's token objects made current. CKR_DEVICE_REMOVED (and
    // the slot's sessions closed) when its token went or was replaced.
    CK_RV Refresh(const Session& session);
    // Under lock_: the object of a handle in the session's token: CKR_OK, or
    // `invalid` (CKR_USER_NOT_LOGGED_IN for a private one without a login when
    // `private` is the answer wanted for it).
    CK_RV ObjectOf(const Session& session, CK_OBJECT_HANDLE handle, CK_RV invalid,
                   CK_RV privateWithoutLogin, ObjectPtr& object);
    // Under lock_: the session of a handle, answered in the order callers rely on:
    // CKR_SESSION_HANDLE_INVALID first, then CKR_ARGUMENTS_BAD when the call's other
    // arguments are not `wellFormed`.
    CK_RV SessionOf(CK_SESSION_HANDLE handle, bool wellFormed, SessionPtr& session) const;
    // Under lock_: SessionOf, then ObjectOf for the object's handle.
    CK_RV SessionObject(CK_SESSION_HANDLE handle, bool wellFormed, CK_OBJECT_HANDLE object,
                        SessionPtr& session, ObjectPtr& found,
                        CK_RV invalid = CKR_OBJECT_HANDLE_INVALID,
                        CK_RV privateWithoutLogin = CKR_OBJECT_HANDLE_INVALID);
    // Under lock_: whether the session may change its token. Every change re-seals
    // the token, which takes its key, so a login is needed besides a read-write session.
    CK_RV MayEdit(const Session& session) const;
    // Under lock_: the state of a slot that holds a token, else CKR_SLOT_ID_INVALID
    // or CKR_TOKEN_NOT_PRESENT.
    CK_RV PresentToken(CK_SLOT_ID slot, std::optional<SlotState>& state);
    void EndLogin(CK_SLOT_ID slot);
    void CloseSlotSessions(CK_SLOT_ID slot);
    // Under lock_: a change of the session's token, stored with its login's key.
    CK_RV EditToken(const Session& session, const ObjectEdit& edit);
    // Under lock_: the slots whose token came, went or was replaced since the last answer.
    std::optional<CK_SLOT_ID> NextSlotEvent();
    std::map<CK_SLOT_ID, std::string> TokenIdentities();
    // Key operations: the private key of a handle for the session.
    CK_RV KeyFor(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE key, SessionPtr& session,
                 ObjectPtr& object);
    // C_SignInit and C_DecryptInit: the session's `operation` begun with the key,
    // which must allow it by its attribute `permitted`. The session's own lock stays
    // held in `busy` once it was taken.
    template <class Operation>
    CK_RV BeginOperation(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key,
                         std::optional<Operation> Session::*operation, CK_ATTRIBUTE_TYPE permitted,
                         const char* function, SessionPtr& session,
                         std::unique_lock<std::mutex>& busy);

    mutable std::mutex lock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool protectedPath_ = false;
    TokenSlots slots_;
    ObjectTable objects_;
    std::map<CK_SESSION_HANDLE, SessionPtr> sessions_;
    CK_SESSION_HANDLE nextSession_ = 1;
    std::set<CK_SLOT_ID> loggedIn_;
    std::map<bool, std::vector<CK_SLOT_ID>> slotLists_;
    // What the slot events were last told from.
    uint64_t eventStamp_ = 0;
    std::map<CK_SLOT_ID, std::string> eventTokens_;
    std::deque<CK_SLOT_ID> pendingEvents_;
};

}  // namespace orx::p11
