// The changes callers make to a token's objects: certificates and data objects
// created from a template, destroyed, or given a new label or value. Keys are
// neither made nor changed here: they come onto a token with their certificate
// through the program's PKCS#12 import. Each change is an edit of the token's
// object lists, stored with the login's key under the token's lock.
#pragma once

#include <p11-kit/pkcs11.h>

#include <span>
#include <string>
#include <vector>

#include "pkcs11/object_table.h"
#include "tokenfile/token_objects.h"

namespace orx::p11 {

struct NewObject {
    NewObject() = default;
    ~NewObject();  // a private data object's value is wiped
    NewObject(const NewObject&) = delete;
    NewObject& operator=(const NewObject&) = delete;

    CK_OBJECT_CLASS objectClass = CKO_DATA;
    bool isPrivate = false;
    std::string label;
    std::string application;
    std::vector<uint8_t> value;
    std::string identity;  // what the token will know it by
};

// Reads a creation template: CKR_OK, CKR_TEMPLATE_INCOMPLETE, CKR_TEMPLATE_INCONSISTENT,
// CKR_ATTRIBUTE_TYPE_INVALID or CKR_ATTRIBUTE_VALUE_INVALID (also for what this token
// cannot keep: session objects, private certificates, ids of its own choosing).
CK_RV ReadNewObject(std::span<const CK_ATTRIBUTE> attributes, NewObject& object);
// The edit that stores it; a data object of the same label and application answers
// CKR_ATTRIBUTE_VALUE_INVALID rather than replace what is there.
ObjectEdit CreateEdit(const NewObject& object);
// The edit that removes the object: a certificate goes with its private key, as the
// program deletes it. CKR_ACTION_PROHIBITED for keys.
CK_RV DestroyEdit(const P11Object& object, ObjectEdit& edit);
// The edit that sets a certificate's CKA_LABEL or a data object's CKA_VALUE; values
// equal to what the object has are accepted for every other attribute.
CK_RV ChangeEdit(const P11Object& object, std::span<const CK_ATTRIBUTE> attributes,
                 ObjectEdit& edit);

}  // namespace orx::p11
