// The module's results are PKCS#11 return values, named as p11-kit's header names
// them: the program reads them as such, and a card back-end over PKCS#11 modules
// passes the cards' own answers on unchanged. The module and every part below it
// answer these (and only these):
//
//   CKR_OK                       0  done
//   CKR_CANCEL                   1  the user cancelled a dialog
//   CKR_HOST_MEMORY              2  out of memory (only the C exports answer it)
//   CKR_FUNCTION_FAILED          6  failed; also: no pinentry can be shown, a write failed
//   CKR_ARGUMENTS_BAD            7  an input is missing (no label, no certificate, ...)
//   CKR_ATTRIBUTE_VALUE_INVALID 19  a damaged token or card file, content that is no
//                                   certificate, a value that cannot be stored
//   CKR_FUNCTION_NOT_SUPPORTED  84  an operation this module or this slot has not
//   CKR_KEY_HANDLE_INVALID      96  no key on the tokens fits the file operation
//   CKR_MECHANISM_INVALID      112  a content cipher that is not offered
//   CKR_OBJECT_HANDLE_INVALID  130  the certificate is not on the token
//   CKR_PIN_INCORRECT          160  a wrong password (after the dialog's tries)
//   CKR_PIN_INVALID            161  the two new passwords differ
//   CKR_PIN_LEN_RANGE          162  a new password's length is out of range
//   CKR_PIN_LOCKED             164  a card password or PUK without tries left
//   CKR_SIGNATURE_INVALID      192  the signature does not hold
//   CKR_TOKEN_NOT_PRESENT      224  no token in the slot
//   CKR_USER_NOT_LOGGED_IN     257  a private object needs a login first
//
// The values are unsigned long constants; the module's functions pass them on as
// the int that the plug-in interface answers, and trace them as such.
#pragma once

#include <p11-kit/pkcs11.h>

namespace orx {

// Not a PKCS#11 value and never answered: how the certificate input tells a PKCS#12
// or PKCS#7 file, which the container import takes, from a plain certificate.
// Where it is not taken it becomes CKR_ATTRIBUTE_VALUE_INVALID.
inline constexpr int kCertificateInputContainer = 20;

}  // namespace orx
