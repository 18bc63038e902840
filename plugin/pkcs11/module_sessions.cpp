// Sessions and logins. A login belongs to the token and is shared by all its
// sessions; it ends with C_Logout, with the token's last session, or when the
// password was changed or the token removed meanwhile.
#include <algorithm>
#include <cstring>

#include "core/trace.h"
#include "pkcs11/module.h"

namespace orx::p11 {

namespace {

// What the program's token code answers, as C_Login answers it.
CK_RV LoginResult(int result) {
    switch (result) {
        case CKR_OK:
        case CKR_PIN_INCORRECT:
        case CKR_PIN_LOCKED:
            return static_cast<CK_RV>(result);
        case CKR_CANCEL:
            return CKR_FUNCTION_CANCELED;
        case CKR_TOKEN_NOT_PRESENT:
            return CKR_DEVICE_REMOVED;
        case CKR_ATTRIBUTE_VALUE_INVALID:
            return CKR_DEVICE_ERROR;  // a damaged token file
        default:
            return CKR_FUNCTION_FAILED;
    }
}

}  // namespace

SessionPtr Module::FindSession(CK_SESSION_HANDLE handle) const {
    auto found = sessions_.find(handle);
    return found == sessions_.end() ? nullptr : found->second;
}

SessionPtr Module::Lookup(CK_SESSION_HANDLE handle) const {
    const std::lock_guard<std::mutex> hold(lock_);
    return FindSession(handle);
}

void Module::EndLogin(CK_SLOT_ID slot) {
    if (loggedIn_.erase(slot) == 0)
        return;
    slots_.Logout(slot);
    objects_.Forget(slot);
}

void Module::CloseSlotSessions(CK_SLOT_ID slot) {
    std::erase_if(sessions_, [&](const auto& entry) { return entry.second->slot == slot; });
    EndLogin(slot);
    objects_.Forget(slot);
}

CK_RV Module::Refresh(const Session& session) {
    bool loggedIn = LoggedIn(session.slot);
    const CK_RV result = objects_.Refresh(slots_, session.slot, slots_.ChangeStamp(), loggedIn);
    if (result != CKR_OK || objects_.Serial(session.slot) != session.serial) {
        Trace("P11 - The token of slot %lu was removed", static_cast<unsigned long>(session.slot));
        CloseSlotSessions(session.slot);
        return CKR_DEVICE_REMOVED;
    }
    if (!loggedIn && LoggedIn(session.slot)) {
        Trace("P11 - The login of slot %lu has ended", static_cast<unsigned long>(session.slot));
        EndLogin(session.slot);
    }
    return CKR_OK;
}

CK_RV Module::ObjectOf(const Session& session, CK_OBJECT_HANDLE handle, CK_RV invalid,
                       CK_RV privateWithoutLogin, ObjectPtr& object) {
    if (const CK_RV refreshed = Refresh(session); refreshed != CKR_OK)
        return refreshed;
    object = objects_.Find(session.slot, handle);
    if (object)
        return CKR_OK;
    if (!LoggedIn(session.slot) && objects_.WasPrivate(session.slot, handle))
        return privateWithoutLogin;
    return invalid;
}

CK_RV Module::SessionOf(CK_SESSION_HANDLE handle, bool wellFormed, SessionPtr& session) const {
    session = FindSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    return wellFormed ? CKR_OK : CKR_ARGUMENTS_BAD;
}

CK_RV Module::SessionObject(CK_SESSION_HANDLE handle, bool wellFormed, CK_OBJECT_HANDLE object,
                            SessionPtr& session, ObjectPtr& found, CK_RV invalid,
                            CK_RV privateWithoutLogin) {
    if (const CK_RV result = SessionOf(handle, wellFormed, session); result != CKR_OK)
        return result;
    return ObjectOf(*session, object, invalid, privateWithoutLogin, found);
}

CK_RV Module::MayEdit(const Session& session) const {
    if (!(session.flags & CKF_RW_SESSION))
        return CKR_SESSION_READ_ONLY;
    if (!LoggedIn(session.slot))
        return CKR_USER_NOT_LOGGED_IN;
    return CKR_OK;
}

CK_RV Module::EditToken(const Session& session, const ObjectEdit& edit) {
    const int result = slots_.Edit(session.slot, edit);
    objects_.Forget(session.slot);
    switch (result) {
        case CKR_OK:
            return CKR_OK;
        case CKR_PIN_INCORRECT:
            EndLogin(session.slot);  // the password was changed meanwhile
            return CKR_USER_NOT_LOGGED_IN;
        case CKR_TOKEN_NOT_PRESENT:
            return CKR_DEVICE_REMOVED;
        case CKR_ATTRIBUTE_VALUE_INVALID:
        case CKR_OBJECT_HANDLE_INVALID:
            return static_cast<CK_RV>(result);
        default:
            return CKR_FUNCTION_FAILED;  // a write that failed left the token as it was
    }
}

CK_RV Module::OpenSession(CK_SLOT_ID slot, CK_FLAGS flags, CK_SESSION_HANDLE_PTR session) {
    if (!session)
        return CKR_ARGUMENTS_BAD;
    if (!(flags & CKF_SERIAL_SESSION))
        return CKR_SESSION_PARALLEL_NOT_SUPPORTED;
    const std::lock_guard<std::mutex> hold(lock_);
    std::optional<SlotState> state;
    if (const CK_RV present = PresentToken(slot, state); present != CKR_OK)
        return present;
    // A token replaced since its sessions were opened starts afresh.
    const bool others = std::any_of(sessions_.begin(), sessions_.end(),
                                    [&](const auto& entry) { return entry.second->slot == slot; });
    if (!others || objects_.Serial(slot) != state->header.serial)
        CloseSlotSessions(slot);
    auto made = std::make_shared<Session>();
    made->handle = nextSession_++;
    made->slot = slot;
    made->flags = flags & (CKF_SERIAL_SESSION | CKF_RW_SESSION);
    made->serial = state->header.serial;
    sessions_[made->handle] = made;
    bool loggedIn = LoggedIn(slot);
    objects_.Refresh(slots_, slot, slots_.ChangeStamp(), loggedIn);
    *session = made->handle;
    return CKR_OK;
}

CK_RV Module::CloseSession(CK_SESSION_HANDLE handle) {
    const std::lock_guard<std::mutex> hold(lock_);
    const SessionPtr session = FindSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    sessions_.erase(handle);
    const bool others = std::any_of(sessions_.begin(), sessions_.end(), [&](const auto& entry) {
        return entry.second->slot == session->slot;
    });
    // The token's last session takes its login with it.
    if (!others)
        EndLogin(session->slot);
    return CKR_OK;
}

CK_RV Module::CloseAllSessions(CK_SLOT_ID slot) {
    const std::lock_guard<std::mutex> hold(lock_);
    if (!slots_.State(slot))
        return CKR_SLOT_ID_INVALID;
    CloseSlotSessions(slot);
    return CKR_OK;
}

CK_RV Module::GetSessionInfo(CK_SESSION_HANDLE handle, CK_SESSION_INFO_PTR info) {
    if (!info)
        return CKR_ARGUMENTS_BAD;
    const std::lock_guard<std::mutex> hold(lock_);
    const SessionPtr session = FindSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    const bool writable = session->flags & CKF_RW_SESSION;
    std::memset(info, 0, sizeof *info);
    info->slotID = session->slot;
    if (LoggedIn(session->slot))
        info->state = writable ? CKS_RW_USER_FUNCTIONS : CKS_RO_USER_FUNCTIONS;
    else
        info->state = writable ? CKS_RW_PUBLIC_SESSION : CKS_RO_PUBLIC_SESSION;
    info->flags = session->flags;
    return CKR_OK;
}

CK_RV Module::Login(CK_SESSION_HANDLE handle, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin,
                    CK_ULONG pinLength) {
    const std::lock_guard<std::mutex> hold(lock_);
    const SessionPtr session = FindSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (user == CKU_CONTEXT_SPECIFIC)
        return CKR_OPERATION_NOT_INITIALIZED;  // no key asks for its password again
    // The tokens have one password each; a card's PUK is the program's business.
    if (user != CKU_USER)
        return CKR_USER_TYPE_INVALID;
    if (LoggedIn(session->slot))
        return CKR_USER_ALREADY_LOGGED_IN;
    if (!pin && !protectedPath_)
        return CKR_ARGUMENTS_BAD;
    Trace("P11 - C_Login (slot %lu) ...", static_cast<unsigned long>(session->slot));
    int result = CKR_OK;
    if (pin) {
        result = slots_.Login(session->slot,
                              std::string_view(reinterpret_cast<const char*>(pin), pinLength));
    } else {
        result = slots_.LoginWithPrompt(session->slot);
    }
    const CK_RV answer = LoginResult(result);
    if (answer != CKR_OK) {
        Trace("P11 - C_Login failed (%lu)", static_cast<unsigned long>(answer));
        return answer;
    }
    loggedIn_.insert(session->slot);
    objects_.Forget(session->slot);
    Trace("P11 - C_Login ... done");
    return CKR_OK;
}

CK_RV Module::Logout(CK_SESSION_HANDLE handle) {
    const std::lock_guard<std::mutex> hold(lock_);
    const SessionPtr session = FindSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!LoggedIn(session->slot))
        return CKR_USER_NOT_LOGGED_IN;
    EndLogin(session->slot);
    Trace("P11 - C_Logout (slot %lu)", static_cast<unsigned long>(session->slot));
    return CKR_OK;
}

}  // namespace orx::p11
