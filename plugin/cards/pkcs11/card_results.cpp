#include "cards/pkcs11/card_results.h"

namespace orx {

int CardResult(CK_RV rv) {
    switch (rv) {
        case CKR_OK:
        case CKR_USER_ALREADY_LOGGED_IN:
            return CKR_OK;
        case CKR_CANCEL:
        case CKR_FUNCTION_CANCELED:  // cancelled on the reader's PIN pad
            return CKR_CANCEL;
        case CKR_HOST_MEMORY:
        case CKR_DEVICE_MEMORY:
            return static_cast<int>(rv);
        case CKR_ARGUMENTS_BAD:
            return CKR_ARGUMENTS_BAD;
        case CKR_ATTRIBUTE_VALUE_INVALID:
        case CKR_ATTRIBUTE_TYPE_INVALID:
        case CKR_TEMPLATE_INCOMPLETE:
        case CKR_TEMPLATE_INCONSISTENT:
        case CKR_DATA_INVALID:
        case CKR_DATA_LEN_RANGE:
        case CKR_ENCRYPTED_DATA_INVALID:
        case CKR_ENCRYPTED_DATA_LEN_RANGE:
            return CKR_ATTRIBUTE_VALUE_INVALID;
        case CKR_FUNCTION_NOT_SUPPORTED:
            return CKR_FUNCTION_NOT_SUPPORTED;
        case CKR_KEY_HANDLE_INVALID:
        case CKR_KEY_TYPE_INCONSISTENT:
            return CKR_KEY_HANDLE_INVALID;
        // What the token does not let anybody do: the program says "not allowed".
        case CKR_KEY_FUNCTION_NOT_PERMITTED:
        case CKR_TOKEN_WRITE_PROTECTED:
        case CKR_SESSION_READ_ONLY:
        case CKR_ATTRIBUTE_READ_ONLY:
        case CKR_ACTION_PROHIBITED:
            return CKR_KEY_FUNCTION_NOT_PERMITTED;
        case CKR_MECHANISM_INVALID:
        case CKR_MECHANISM_PARAM_INVALID:
            return CKR_MECHANISM_INVALID;
        case CKR_OBJECT_HANDLE_INVALID:
            return CKR_OBJECT_HANDLE_INVALID;
        case CKR_PIN_INCORRECT:
            return CKR_PIN_INCORRECT;
        case CKR_PIN_INVALID:
            return CKR_PIN_INVALID;
        case CKR_PIN_LEN_RANGE:
            return CKR_PIN_LEN_RANGE;
        // A PIN that was never set can only be given one by unlocking it, as a
        // locked one is.
        case CKR_PIN_LOCKED:
        case CKR_USER_PIN_NOT_INITIALIZED:
            return CKR_PIN_LOCKED;
        case CKR_SIGNATURE_INVALID:
            return CKR_SIGNATURE_INVALID;
        case CKR_USER_NOT_LOGGED_IN:
            return CKR_USER_NOT_LOGGED_IN;
        default:
            break;
    }
    return TokenGone(rv) ? CKR_TOKEN_NOT_PRESENT : CKR_FUNCTION_FAILED;
}

bool TokenGone(CK_RV rv) {
    switch (rv) {
        case CKR_TOKEN_NOT_PRESENT:
        case CKR_TOKEN_NOT_RECOGNIZED:
        case CKR_DEVICE_REMOVED:
        case CKR_SLOT_ID_INVALID:
        case CKR_SESSION_HANDLE_INVALID:
        case CKR_SESSION_CLOSED:
        case CKR_CRYPTOKI_NOT_INITIALIZED:
            return true;
        default:
            return false;
    }
}

}  // namespace orx
