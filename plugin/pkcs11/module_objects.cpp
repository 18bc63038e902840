// Searching, reading and changing the objects of a session's token.
#include "core/trace.h"
#include "pkcs11/module.h"
#include "pkcs11/object_writes.h"

namespace orx::p11 {

CK_RV Module::FindObjectsInit(CK_SESSION_HANDLE handle, CK_ATTRIBUTE_PTR attributes,
                              CK_ULONG count) {
    std::span<CK_ATTRIBUTE> wanted;
    const bool wellFormed = TemplateSpan(attributes, count, wanted);
    const std::lock_guard<std::mutex> hold(lock_);
    SessionPtr session;
    if (const CK_RV found = SessionOf(handle, wellFormed, session); found != CKR_OK)
        return found;
    if (session->finding)
        return CKR_OPERATION_ACTIVE;
    if (const CK_RV refreshed = Refresh(*session); refreshed != CKR_OK)
        return refreshed;
    session->found.clear();
    session->next = 0;
    for (const ObjectPtr& object : objects_.Objects(session->slot)) {
        if (object->attributes.Matches(wanted))
            session->found.push_back(object->handle);
    }
    session->finding = true;
    return CKR_OK;
}

CK_RV Module::FindObjects(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE_PTR objects, CK_ULONG most,
                          CK_ULONG_PTR count) {
    const std::lock_guard<std::mutex> hold(lock_);
    SessionPtr session;
    if (const CK_RV found = SessionOf(handle, count && (objects || most == 0), session);
        found != CKR_OK)
        return found;
    if (!session->finding)
        return CKR_OPERATION_NOT_INITIALIZED;
    CK_ULONG given = 0;
    while (given < most && session->next < session->found.size())
        objects[given++] = session->found[session->next++];
    *count = given;
    return CKR_OK;
}

CK_RV Module::FindObjectsFinal(CK_SESSION_HANDLE handle) {
    const std::lock_guard<std::mutex> hold(lock_);
    const SessionPtr session = FindSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!session->finding)
        return CKR_OPERATION_NOT_INITIALIZED;
    session->finding = false;
    session->found.clear();
    return CKR_OK;
}

CK_RV Module::GetAttributeValue(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object,
                                CK_ATTRIBUTE_PTR attributes, CK_ULONG count) {
    std::span<CK_ATTRIBUTE> wanted;
    const bool wellFormed = attributes && TemplateSpan(attributes, count, wanted);
    const std::lock_guard<std::mutex> hold(lock_);
    SessionPtr session;
    ObjectPtr found;
    if (const CK_RV result = SessionObject(handle, wellFormed, object, session, found);
        result != CKR_OK)
        return result;
    return found->attributes.CopyOut(wanted);
}

CK_RV Module::GetObjectSize(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object, CK_ULONG_PTR size) {
    const std::lock_guard<std::mutex> hold(lock_);
    SessionPtr session;
    ObjectPtr found;
    if (const CK_RV result = SessionObject(handle, size != nullptr, object, session, found);
        result != CKR_OK)
        return result;
    *size = found->attributes.Size();
    return CKR_OK;
}

CK_RV Module::CreateObject(CK_SESSION_HANDLE handle, CK_ATTRIBUTE_PTR attributes, CK_ULONG count,
                           CK_OBJECT_HANDLE_PTR object) {
    std::span<CK_ATTRIBUTE> given;
    const bool wellFormed = attributes && object && TemplateSpan(attributes, count, given);
    const std::lock_guard<std::mutex> hold(lock_);
    SessionPtr session;
    if (const CK_RV found = SessionOf(handle, wellFormed, session); found != CKR_OK)
        return found;
    if (!(session->flags & CKF_RW_SESSION))
        return CKR_SESSION_READ_ONLY;
    if (const CK_RV refreshed = Refresh(*session); refreshed != CKR_OK)
        return refreshed;
    // Every change re-seals the token, which takes its key.
    if (!LoggedIn(session->slot))
        return CKR_USER_NOT_LOGGED_IN;
    NewObject made;
    if (const CK_RV read = ReadNewObject(given, made); read != CKR_OK)
        return read;
    Trace("P11 - C_CreateObject (slot %lu, class %lu) ...",
          static_cast<unsigned long>(session->slot), static_cast<unsigned long>(made.objectClass));
    const CK_RV result = EditToken(*session, CreateEdit(made));
    if (result != CKR_OK) {
        Trace("P11 - C_CreateObject failed (%lu)", static_cast<unsigned long>(result));
        return result;
    }
    *object = objects_.HandleFor(session->slot, made.identity, made.isPrivate);
    Trace("P11 - C_CreateObject ... done");
    return CKR_OK;
}

CK_RV Module::DestroyObject(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object) {
    const std::lock_guard<std::mutex> hold(lock_);
    SessionPtr session;
    ObjectPtr found;
    if (const CK_RV result = SessionObject(handle, true, object, session, found); result != CKR_OK)
        return result;
    ObjectEdit edit;
    if (const CK_RV allowed = DestroyEdit(*found, edit); allowed != CKR_OK)
        return allowed;
    if (const CK_RV allowed = MayEdit(*session); allowed != CKR_OK)
        return allowed;
    Trace("P11 - C_DestroyObject (slot %lu) ...", static_cast<unsigned long>(session->slot));
    const CK_RV result = EditToken(*session, edit);
    Trace("P11 - C_DestroyObject ... done (%lu)", static_cast<unsigned long>(result));
    return result;
}

CK_RV Module::SetAttributeValue(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object,
                                CK_ATTRIBUTE_PTR attributes, CK_ULONG count) {
    std::span<CK_ATTRIBUTE> given;
    const bool wellFormed = attributes && TemplateSpan(attributes, count, given);
    const std::lock_guard<std::mutex> hold(lock_);
    SessionPtr session;
    ObjectPtr found;
    if (const CK_RV result = SessionObject(handle, wellFormed, object, session, found);
        result != CKR_OK)
        return result;
    ObjectEdit edit;
    if (const CK_RV allowed = ChangeEdit(*found, given, edit); allowed != CKR_OK)
        return allowed;
    if (const CK_RV allowed = MayEdit(*session); allowed != CKR_OK)
        return allowed;
    return EditToken(*session, edit);
}

}  // namespace orx::p11
