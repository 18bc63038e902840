// Signing and decryption with a token's private keys, and random bytes. The key
// is found under the module's lock; the work runs under the session's own lock.
#include <openssl/rand.h>

#include <algorithm>
#include <cstring>

#include "core/trace.h"
#include "pkcs11/module.h"

namespace orx::p11 {

namespace {

// The length answer of the functions that hand out bytes: CKR_OK with the size when
// the caller asked only for it, CKR_BUFFER_TOO_SMALL with it when the buffer is short.
CK_RV SizeAnswer(const CK_BYTE_PTR out, CK_ULONG_PTR length, size_t size, bool& proceed) {
    proceed = false;
    if (!out) {
        *length = size;
        return CKR_OK;
    }
    if (*length < size) {
        *length = size;
        return CKR_BUFFER_TOO_SMALL;
    }
    proceed = true;
    return CKR_OK;
}

std::span<const uint8_t> Input(const CK_BYTE_PTR data, CK_ULONG length) {
    return data ? std::span<const uint8_t>(data, length) : std::span<const uint8_t>();
}

// The session's operation lock, held in `busy` while the session has `operation`
// going: else CKR_SESSION_HANDLE_INVALID or CKR_OPERATION_NOT_INITIALIZED.
template <class Operation>
CK_RV Running(const SessionPtr& session, std::optional<Operation> Session::*operation,
              std::unique_lock<std::mutex>& busy) {
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    busy = std::unique_lock<std::mutex>(session->operation);
    return (*session).*operation ? CKR_OK : CKR_OPERATION_NOT_INITIALIZED;
}

// The end of C_Sign and C_SignFinal, under the session's operation lock: the size
// alone, or the signature (over `last` first, when given) and the operation ended.
CK_RV HandOutSignature(Session& session, const std::span<const uint8_t>* last,
                       CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength) {
    bool proceed = false;
    const CK_RV sized =
        SizeAnswer(signature, signatureLength, session.sign->SignatureSize(), proceed);
    if (!proceed)
        return sized;
    std::vector<uint8_t> made;
    CK_RV result = last ? session.sign->Update(*last) : CKR_OK;
    if (result == CKR_OK)
        result = session.sign->Finish(made);
    session.sign.reset();
    if (result != CKR_OK)
        return result;
    std::memcpy(signature, made.data(), made.size());
    *signatureLength = made.size();
    return CKR_OK;
}

}  // namespace

CK_RV Module::KeyFor(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE key, SessionPtr& session,
                     ObjectPtr& object) {
    const std::lock_guard<std::mutex> hold(lock_);
    if (const CK_RV result = SessionObject(handle, true, key, session, object,
                                           CKR_KEY_HANDLE_INVALID, CKR_USER_NOT_LOGGED_IN);
        result != CKR_OK)
        return result;
    if (object->objectClass == CKO_PUBLIC_KEY)
        return CKR_KEY_FUNCTION_NOT_PERMITTED;
    if (object->objectClass != CKO_PRIVATE_KEY || !object->key)
        return CKR_KEY_HANDLE_INVALID;
    return CKR_OK;
}

template <class Operation>
CK_RV Module::BeginOperation(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism,
                             CK_OBJECT_HANDLE key, std::optional<Operation> Session::*operation,
                             CK_ATTRIBUTE_TYPE permitted, const char* function, SessionPtr& session,
                             std::unique_lock<std::mutex>& busy) {
    if (!mechanism)
        return Lookup(handle) ? CKR_ARGUMENTS_BAD : CKR_SESSION_HANDLE_INVALID;
    if (const SessionPtr active = Lookup(handle)) {
        const std::lock_guard<std::mutex> running(active->operation);
        if ((*active).*operation)
            return CKR_OPERATION_ACTIVE;
    }
    ObjectPtr object;
    if (const CK_RV found = KeyFor(handle, key, session, object); found != CKR_OK)
        return found;
    busy = std::unique_lock<std::mutex>(session->operation);
    std::optional<Operation>& begun = (*session).*operation;
    if (begun)
        return CKR_OPERATION_ACTIVE;
    CK_RV result = Operation::Begin(*mechanism, object->key, object->keyType, begun);
    if (result == CKR_OK && !object->attributes.Bool(permitted)) {
        begun.reset();
        result = CKR_KEY_FUNCTION_NOT_PERMITTED;
    }
    if (result != CKR_OK)
        Trace("P11 - %s failed (%lu)", function, static_cast<unsigned long>(result));
    return result;
}

CK_RV Module::SignInit(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key) {
    SessionPtr session;
    std::unique_lock<std::mutex> busy;
    const CK_RV result = BeginOperation(handle, mechanism, key, &Session::sign, CKA_SIGN,
                                        "C_SignInit", session, busy);
    if (busy.owns_lock())
        session->signUpdated = false;
    return result;
}

CK_RV Module::Sign(CK_SESSION_HANDLE handle, CK_BYTE_PTR data, CK_ULONG length,
                   CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength) {
    const SessionPtr session = Lookup(handle);
    std::unique_lock<std::mutex> busy;
    if (const CK_RV running = Running(session, &Session::sign, busy); running != CKR_OK)
        return running;
    // Every answer but the size ends the operation.
    if (!signatureLength || (!data && length > 0) || session->signUpdated) {
        session->sign.reset();
        return session->signUpdated && signatureLength ? CKR_OPERATION_ACTIVE : CKR_ARGUMENTS_BAD;
    }
    const std::span<const uint8_t> last = Input(data, length);
    return HandOutSignature(*session, &last, signature, signatureLength);
}

CK_RV Module::SignUpdate(CK_SESSION_HANDLE handle, CK_BYTE_PTR part, CK_ULONG length) {
    const SessionPtr session = Lookup(handle);
    std::unique_lock<std::mutex> busy;
    if (const CK_RV running = Running(session, &Session::sign, busy); running != CKR_OK)
        return running;
    const CK_RV result =
        !part && length > 0 ? CKR_ARGUMENTS_BAD : session->sign->Update(Input(part, length));
    if (result != CKR_OK)
        session->sign.reset();
    else
        session->signUpdated = true;
    return result;
}

CK_RV Module::SignFinal(CK_SESSION_HANDLE handle, CK_BYTE_PTR signature,
                        CK_ULONG_PTR signatureLength) {
    const SessionPtr session = Lookup(handle);
    std::unique_lock<std::mutex> busy;
    if (const CK_RV running = Running(session, &Session::sign, busy); running != CKR_OK)
        return running;
    if (!signatureLength) {
        session->sign.reset();
        return CKR_ARGUMENTS_BAD;
    }
    return HandOutSignature(*session, nullptr, signature, signatureLength);
}

CK_RV Module::DecryptInit(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism,
                          CK_OBJECT_HANDLE key) {
    SessionPtr session;
    std::unique_lock<std::mutex> busy;
    return BeginOperation(handle, mechanism, key, &Session::decrypt, CKA_DECRYPT, "C_DecryptInit",
                          session, busy);
}

CK_RV Module::Decrypt(CK_SESSION_HANDLE handle, CK_BYTE_PTR encrypted, CK_ULONG length,
                      CK_BYTE_PTR data, CK_ULONG_PTR dataLength) {
    const SessionPtr session = Lookup(handle);
    std::unique_lock<std::mutex> busy;
    if (const CK_RV running = Running(session, &Session::decrypt, busy); running != CKR_OK)
        return running;
    if (!dataLength || (!encrypted && length > 0)) {
        session->decrypt.reset();
        return CKR_ARGUMENTS_BAD;
    }
    // The plain text's length is known only once decrypted: the result is kept for
    // the call that brings a buffer.
    const Secret* plain = nullptr;
    const CK_RV result = session->decrypt->Decrypt(Input(encrypted, length), plain);
    if (result != CKR_OK) {
        session->decrypt.reset();
        return result;
    }
    bool proceed = false;
    const CK_RV sized = SizeAnswer(data, dataLength, plain->size(), proceed);
    if (!proceed)
        return sized;
    if (!plain->empty())
        std::memcpy(data, plain->data(), plain->size());
    *dataLength = plain->size();
    session->decrypt.reset();
    return CKR_OK;
}

CK_RV Module::GenerateRandom(CK_SESSION_HANDLE handle, CK_BYTE_PTR data, CK_ULONG length) {
    if (!Lookup(handle))
        return CKR_SESSION_HANDLE_INVALID;
    if (!data && length > 0)
        return CKR_ARGUMENTS_BAD;
    for (CK_ULONG done = 0; done < length;) {
        const CK_ULONG part = std::min<CK_ULONG>(length - done, 1u << 20);
        if (RAND_bytes(data + done, static_cast<int>(part)) != 1)
            return CKR_FUNCTION_FAILED;
        done += part;
    }
    return CKR_OK;
}

}  // namespace orx::p11
