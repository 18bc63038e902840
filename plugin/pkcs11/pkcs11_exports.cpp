// The module's C entry points: C_GetFunctionList, and every function of the
// PKCS#11 2.40 list over one Module per initialisation. Functions this token does
// not offer answer CKR_FUNCTION_NOT_SUPPORTED; no exception crosses into the caller.
// The product identity comes from the module's own file name ("orx-pkcs11.so"
// belongs to the product whose module is "orx.so"), never from the host program.
#include <openssl/crypto.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "core/module_identity.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "pkcs11/blank_padded.h"
#include "pkcs11/module.h"
#include "pkcs11/product_version.h"

#define P11_EXPORT extern "C" __attribute__((visibility("default")))

using orx::p11::Module;

namespace {

// The suffix that tells this module's file from the product's plug-in module.
constexpr std::string_view kModuleSuffix = "-pkcs11";

struct Library {
    std::mutex lock;
    std::shared_ptr<Module> module;
    pid_t pid = 0;
};

// Never destroyed: a caller that ends without C_Finalize must not have the module
// torn down after the core's own statics at exit.
Library& State() {
    static Library* state = new Library;
    return *state;
}

// Under the state's lock: whether this process initialised the module. A forked
// child starts without the parent's initialisation.
bool InitialisedHere(const Library& state) {
    return state.module && state.pid == getpid();
}

std::shared_ptr<Module> Current() {
    Library& state = State();
    const std::lock_guard<std::mutex> hold(state.lock);
    return InitialisedHere(state) ? state.module : nullptr;
}

// What the caller is told instead of an exception.
template <typename Work>
CK_RV Guarded(Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return CKR_HOST_MEMORY;
    } catch (...) {
        return CKR_GENERAL_ERROR;
    }
}

template <typename Work>
CK_RV Call(Work work) {
    return Guarded([&]() -> CK_RV {
        const std::shared_ptr<Module> module = Current();
        if (!module)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        return work(*module);
    });
}

CK_RV NotSupported() {
    return CKR_FUNCTION_NOT_SUPPORTED;
}

}  // namespace

P11_EXPORT CK_RV C_Initialize(CK_VOID_PTR initArgs) {
    if (initArgs) {
        const auto* args = static_cast<const CK_C_INITIALIZE_ARGS*>(initArgs);
        if (args->pReserved)
            return CKR_ARGUMENTS_BAD;
        const int given = (args->CreateMutex != nullptr) + (args->DestroyMutex != nullptr) +
                          (args->LockMutex != nullptr) + (args->UnlockMutex != nullptr);
        if (given != 0 && given != 4)
            return CKR_ARGUMENTS_BAD;
        // The module locks with the system's own primitives; a caller that insists on
        // its own functions cannot have it.
        if (given == 4 && !(args->flags & CKF_OS_LOCKING_OK))
            return CKR_CANT_LOCK;
    }
    return Guarded([]() -> CK_RV {
        Library& state = State();
        const std::lock_guard<std::mutex> hold(state.lock);
        if (InitialisedHere(state))
            return CKR_CRYPTOKI_ALREADY_INITIALIZED;
        if (state.module) {
            // The parent's initialisation, inherited by a fork: its locks may be held
            // by threads that do not exist here, so it is left alone, never used.
            new std::shared_ptr<Module>(std::move(state.module));
        }
        // An address of this module's own: the C_ names are exported by p11-kit's
        // library too, and a program may find those first.
        orx::InitModuleIdentity(reinterpret_cast<const void*>(&State), kModuleSuffix);
        orx::TraceToConfiguredFile();
        orx::Trace("P11 - C_Initialize ...");
        state.module = std::make_shared<Module>();
        state.pid = getpid();
        orx::Trace("P11 - C_Initialize ... done");
        return CKR_OK;
    });
}

P11_EXPORT CK_RV C_Finalize(CK_VOID_PTR reserved) {
    if (reserved)
        return CKR_ARGUMENTS_BAD;
    std::shared_ptr<Module> module;
    {
        Library& state = State();
        const std::lock_guard<std::mutex> hold(state.lock);
        if (!InitialisedHere(state))
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        module = std::move(state.module);
    }
    orx::Trace("P11 - C_Finalize ...");
    module->Stop();
    module.reset();  // gone now, or with the last call still running in it
    orx::Trace("P11 - C_Finalize ... done");
    orx::TraceSetFile(nullptr);
    return CKR_OK;
}

P11_EXPORT CK_RV C_GetInfo(CK_INFO_PTR info) {
    return Call([&](Module&) -> CK_RV {
        if (!info)
            return CKR_ARGUMENTS_BAD;
        std::memset(info, 0, sizeof *info);
        info->cryptokiVersion = {CRYPTOKI_VERSION_MAJOR, CRYPTOKI_VERSION_MINOR};
        orx::p11::PutBlankPadded(info->manufacturerID, orx::GetCompanyName());
        orx::p11::PutBlankPadded(info->libraryDescription,
                                 orx::GetProductName() + " PKCS#11 Module");
        info->libraryVersion = orx::p11::ProductVersion();
        return CKR_OK;
    });
}

P11_EXPORT CK_RV C_GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
    return Call([&](Module& m) { return m.GetSlotList(tokenPresent, list, count); });
}

P11_EXPORT CK_RV C_GetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO_PTR info) {
    return Call([&](Module& m) { return m.GetSlotInfo(slot, info); });
}

P11_EXPORT CK_RV C_GetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info) {
    return Call([&](Module& m) { return m.GetTokenInfo(slot, info); });
}

P11_EXPORT CK_RV C_GetMechanismList(CK_SLOT_ID slot, CK_MECHANISM_TYPE_PTR list,
                                    CK_ULONG_PTR count) {
    return Call([&](Module& m) { return m.GetMechanismList(slot, list, count); });
}

P11_EXPORT CK_RV C_GetMechanismInfo(CK_SLOT_ID slot, CK_MECHANISM_TYPE type,
                                    CK_MECHANISM_INFO_PTR info) {
    return Call([&](Module& m) { return m.GetMechanismInfo(slot, type, info); });
}

P11_EXPORT CK_RV C_InitToken(CK_SLOT_ID, CK_UTF8CHAR_PTR, CK_ULONG, CK_UTF8CHAR_PTR) {
    return NotSupported();  // tokens are made by the program
}

P11_EXPORT CK_RV C_InitPIN(CK_SESSION_HANDLE, CK_UTF8CHAR_PTR, CK_ULONG) {
    return NotSupported();
}

P11_EXPORT CK_RV C_SetPIN(CK_SESSION_HANDLE, CK_UTF8CHAR_PTR, CK_ULONG, CK_UTF8CHAR_PTR, CK_ULONG) {
    return NotSupported();  // passwords are changed in the program
}

P11_EXPORT CK_RV C_OpenSession(CK_SLOT_ID slot, CK_FLAGS flags, CK_VOID_PTR, CK_NOTIFY,
                               CK_SESSION_HANDLE_PTR session) {
    return Call([&](Module& m) { return m.OpenSession(slot, flags, session); });
}

P11_EXPORT CK_RV C_CloseSession(CK_SESSION_HANDLE session) {
    return Call([&](Module& m) { return m.CloseSession(session); });
}

P11_EXPORT CK_RV C_CloseAllSessions(CK_SLOT_ID slot) {
    return Call([&](Module& m) { return m.CloseAllSessions(slot); });
}

P11_EXPORT CK_RV C_GetSessionInfo(CK_SESSION_HANDLE session, CK_SESSION_INFO_PTR info) {
    return Call([&](Module& m) { return m.GetSessionInfo(session, info); });
}

P11_EXPORT CK_RV C_GetOperationState(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_SetOperationState(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_OBJECT_HANDLE,
                                     CK_OBJECT_HANDLE) {
    return NotSupported();
}

P11_EXPORT CK_RV C_Login(CK_SESSION_HANDLE session, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin,
                         CK_ULONG pinLength) {
    return Call([&](Module& m) { return m.Login(session, user, pin, pinLength); });
}

P11_EXPORT CK_RV C_Logout(CK_SESSION_HANDLE session) {
    return Call([&](Module& m) { return m.Logout(session); });
}

P11_EXPORT CK_RV C_CreateObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR attributes,
                                CK_ULONG count, CK_OBJECT_HANDLE_PTR object) {
    return Call([&](Module& m) { return m.CreateObject(session, attributes, count, object); });
}

P11_EXPORT CK_RV C_CopyObject(CK_SESSION_HANDLE, CK_OBJECT_HANDLE, CK_ATTRIBUTE_PTR, CK_ULONG,
                              CK_OBJECT_HANDLE_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DestroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object) {
    return Call([&](Module& m) { return m.DestroyObject(session, object); });
}

P11_EXPORT CK_RV C_GetObjectSize(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                                 CK_ULONG_PTR size) {
    return Call([&](Module& m) { return m.GetObjectSize(session, object, size); });
}

P11_EXPORT CK_RV C_GetAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                                     CK_ATTRIBUTE_PTR attributes, CK_ULONG count) {
    return Call([&](Module& m) { return m.GetAttributeValue(session, object, attributes, count); });
}

P11_EXPORT CK_RV C_SetAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                                     CK_ATTRIBUTE_PTR attributes, CK_ULONG count) {
    return Call([&](Module& m) { return m.SetAttributeValue(session, object, attributes, count); });
}

P11_EXPORT CK_RV C_FindObjectsInit(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR attributes,
                                   CK_ULONG count) {
    return Call([&](Module& m) { return m.FindObjectsInit(session, attributes, count); });
}

P11_EXPORT CK_RV C_FindObjects(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE_PTR objects,
                               CK_ULONG most, CK_ULONG_PTR count) {
    return Call([&](Module& m) { return m.FindObjects(session, objects, most, count); });
}

P11_EXPORT CK_RV C_FindObjectsFinal(CK_SESSION_HANDLE session) {
    return Call([&](Module& m) { return m.FindObjectsFinal(session); });
}

P11_EXPORT CK_RV C_EncryptInit(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE) {
    return NotSupported();  // the public keys are everywhere; encrypting needs no token
}

P11_EXPORT CK_RV C_Encrypt(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_EncryptUpdate(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR,
                                 CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_EncryptFinal(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DecryptInit(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism,
                               CK_OBJECT_HANDLE key) {
    return Call([&](Module& m) { return m.DecryptInit(session, mechanism, key); });
}

P11_EXPORT CK_RV C_Decrypt(CK_SESSION_HANDLE session, CK_BYTE_PTR encrypted, CK_ULONG length,
                           CK_BYTE_PTR data, CK_ULONG_PTR dataLength) {
    return Call([&](Module& m) { return m.Decrypt(session, encrypted, length, data, dataLength); });
}

P11_EXPORT CK_RV C_DecryptUpdate(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR,
                                 CK_ULONG_PTR) {
    return NotSupported();  // an RSA block is decrypted whole
}

P11_EXPORT CK_RV C_DecryptFinal(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DigestInit(CK_SESSION_HANDLE, CK_MECHANISM_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_Digest(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DigestUpdate(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DigestKey(CK_SESSION_HANDLE, CK_OBJECT_HANDLE) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DigestFinal(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_SignInit(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism,
                            CK_OBJECT_HANDLE key) {
    return Call([&](Module& m) { return m.SignInit(session, mechanism, key); });
}

P11_EXPORT CK_RV C_Sign(CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length,
                        CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength) {
    return Call(
        [&](Module& m) { return m.Sign(session, data, length, signature, signatureLength); });
}

P11_EXPORT CK_RV C_SignUpdate(CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length) {
    return Call([&](Module& m) { return m.SignUpdate(session, part, length); });
}

P11_EXPORT CK_RV C_SignFinal(CK_SESSION_HANDLE session, CK_BYTE_PTR signature,
                             CK_ULONG_PTR signatureLength) {
    return Call([&](Module& m) { return m.SignFinal(session, signature, signatureLength); });
}

P11_EXPORT CK_RV C_SignRecoverInit(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE) {
    return NotSupported();
}

P11_EXPORT CK_RV C_SignRecover(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR,
                               CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_VerifyInit(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE) {
    return NotSupported();  // verifying takes only the public key, which callers have
}

P11_EXPORT CK_RV C_Verify(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR, CK_ULONG) {
    return NotSupported();
}

P11_EXPORT CK_RV C_VerifyUpdate(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG) {
    return NotSupported();
}

P11_EXPORT CK_RV C_VerifyFinal(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG) {
    return NotSupported();
}

P11_EXPORT CK_RV C_VerifyRecoverInit(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE) {
    return NotSupported();
}

P11_EXPORT CK_RV C_VerifyRecover(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR,
                                 CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DigestEncryptUpdate(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR,
                                       CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DecryptDigestUpdate(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR,
                                       CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_SignEncryptUpdate(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR,
                                     CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DecryptVerifyUpdate(CK_SESSION_HANDLE, CK_BYTE_PTR, CK_ULONG, CK_BYTE_PTR,
                                       CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_GenerateKey(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_ATTRIBUTE_PTR, CK_ULONG,
                               CK_OBJECT_HANDLE_PTR) {
    return NotSupported();  // keys come onto a token by the program's import
}

P11_EXPORT CK_RV C_GenerateKeyPair(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_ATTRIBUTE_PTR, CK_ULONG,
                                   CK_ATTRIBUTE_PTR, CK_ULONG, CK_OBJECT_HANDLE_PTR,
                                   CK_OBJECT_HANDLE_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_WrapKey(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE, CK_OBJECT_HANDLE,
                           CK_BYTE_PTR, CK_ULONG_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_UnwrapKey(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE, CK_BYTE_PTR,
                             CK_ULONG, CK_ATTRIBUTE_PTR, CK_ULONG, CK_OBJECT_HANDLE_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_DeriveKey(CK_SESSION_HANDLE, CK_MECHANISM_PTR, CK_OBJECT_HANDLE,
                             CK_ATTRIBUTE_PTR, CK_ULONG, CK_OBJECT_HANDLE_PTR) {
    return NotSupported();
}

P11_EXPORT CK_RV C_SeedRandom(CK_SESSION_HANDLE session, CK_BYTE_PTR, CK_ULONG) {
    return Call([&](Module& m) -> CK_RV {
        CK_SESSION_INFO info;
        const CK_RV valid = m.GetSessionInfo(session, &info);
        return valid == CKR_OK ? CKR_RANDOM_SEED_NOT_SUPPORTED : valid;
    });
}

P11_EXPORT CK_RV C_GenerateRandom(CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length) {
    return Call([&](Module& m) { return m.GenerateRandom(session, data, length); });
}

P11_EXPORT CK_RV C_GetFunctionStatus(CK_SESSION_HANDLE) {
    return CKR_FUNCTION_NOT_PARALLEL;
}

P11_EXPORT CK_RV C_CancelFunction(CK_SESSION_HANDLE) {
    return CKR_FUNCTION_NOT_PARALLEL;
}

P11_EXPORT CK_RV C_WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot, CK_VOID_PTR reserved) {
    return Call([&](Module& m) -> CK_RV {
        if (reserved)
            return CKR_ARGUMENTS_BAD;
        return m.WaitForSlotEvent(flags, slot);
    });
}

namespace {

CK_FUNCTION_LIST kFunctions = {
    {CRYPTOKI_VERSION_MAJOR, CRYPTOKI_VERSION_MINOR},
    C_Initialize,
    C_Finalize,
    C_GetInfo,
    C_GetFunctionList,
    C_GetSlotList,
    C_GetSlotInfo,
    C_GetTokenInfo,
    C_GetMechanismList,
    C_GetMechanismInfo,
    C_InitToken,
    C_InitPIN,
    C_SetPIN,
    C_OpenSession,
    C_CloseSession,
    C_CloseAllSessions,
    C_GetSessionInfo,
    C_GetOperationState,
    C_SetOperationState,
    C_Login,
    C_Logout,
    C_CreateObject,
    C_CopyObject,
    C_DestroyObject,
    C_GetObjectSize,
    C_GetAttributeValue,
    C_SetAttributeValue,
    C_FindObjectsInit,
    C_FindObjects,
    C_FindObjectsFinal,
    C_EncryptInit,
    C_Encrypt,
    C_EncryptUpdate,
    C_EncryptFinal,
    C_DecryptInit,
    C_Decrypt,
    C_DecryptUpdate,
    C_DecryptFinal,
    C_DigestInit,
    C_Digest,
    C_DigestUpdate,
    C_DigestKey,
    C_DigestFinal,
    C_SignInit,
    C_Sign,
    C_SignUpdate,
    C_SignFinal,
    C_SignRecoverInit,
    C_SignRecover,
    C_VerifyInit,
    C_Verify,
    C_VerifyUpdate,
    C_VerifyFinal,
    C_VerifyRecoverInit,
    C_VerifyRecover,
    C_DigestEncryptUpdate,
    C_DecryptDigestUpdate,
    C_SignEncryptUpdate,
    C_DecryptVerifyUpdate,
    C_GenerateKey,
    C_GenerateKeyPair,
    C_WrapKey,
    C_UnwrapKey,
    C_DeriveKey,
    C_SeedRandom,
    C_GenerateRandom,
    C_GetFunctionStatus,
    C_CancelFunction,
    C_WaitForSlotEvent,
};

}  // namespace

P11_EXPORT CK_RV C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list) {
    if (!list)
        return CKR_ARGUMENTS_BAD;
    *list = &kFunctions;
    return CKR_OK;
}
