#include "pkcs11/object_writes.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "der/cert_handle.h"
#include "objects/certificate_fields.h"
#include "objects/certificate_input.h"
#include "pkcs11/object_attributes.h"

namespace orx::p11 {

namespace {

// Labels and applications are kept with a two-byte length; no program needs more.
constexpr size_t kMaxTextAttribute = 1024;

// The attributes that every object of the token answers the same way, whatever a
// template says of them.
constexpr CK_ATTRIBUTE_TYPE kIgnoredStorage[] = {CKA_MODIFIABLE, CKA_COPYABLE, CKA_DESTROYABLE};
// A certificate's fields are read from its value; a template's copies change nothing.
constexpr CK_ATTRIBUTE_TYPE kDerivedCertificate[] = {CKA_SUBJECT,
                                                     CKA_ISSUER,
                                                     CKA_SERIAL_NUMBER,
                                                     CKA_START_DATE,
                                                     CKA_END_DATE,
                                                     CKA_CHECK_VALUE,
                                                     CKA_URL,
                                                     CKA_HASH_OF_SUBJECT_PUBLIC_KEY,
                                                     CKA_HASH_OF_ISSUER_PUBLIC_KEY,
                                                     CKA_CERTIFICATE_CATEGORY,
                                                     CKA_JAVA_MIDP_SECURITY_DOMAIN,
                                                     CKA_NAME_HASH_ALGORITHM,
                                                     CKA_PUBLIC_KEY_INFO};

bool Contains(std::span<const CK_ATTRIBUTE_TYPE> list, CK_ATTRIBUTE_TYPE type) {
    return std::find(list.begin(), list.end(), type) != list.end();
}

std::span<const uint8_t> Bytes(const CK_ATTRIBUTE& attribute) {
    if (!attribute.pValue || attribute.ulValueLen == 0)
        return {};
    return {static_cast<const uint8_t*>(attribute.pValue), attribute.ulValueLen};
}

// A template's entries by type; an entry given twice or with a value that is not
// there makes the template unusable.
class TemplateView {
  public:
    explicit TemplateView(std::span<const CK_ATTRIBUTE> attributes) : attributes_(attributes) {}

    CK_RV Check() const {
        for (size_t i = 0; i < attributes_.size(); ++i) {
            if (!attributes_[i].pValue && attributes_[i].ulValueLen > 0)
                return CKR_ATTRIBUTE_VALUE_INVALID;
            for (size_t j = 0; j < i; ++j) {
                if (attributes_[j].type == attributes_[i].type)
                    return CKR_TEMPLATE_INCONSISTENT;
            }
        }
        return CKR_OK;
    }
    const CK_ATTRIBUTE* Find(CK_ATTRIBUTE_TYPE type) const {
        for (const CK_ATTRIBUTE& attribute : attributes_) {
            if (attribute.type == type)
                return &attribute;
        }
        return nullptr;
    }
    // CKR_OK with the value (or `fallback` when absent); CKR_ATTRIBUTE_VALUE_INVALID
    // for a value of the wrong size.
    CK_RV Bool(CK_ATTRIBUTE_TYPE type, bool fallback, bool& value) const {
        value = fallback;
        const CK_ATTRIBUTE* found = Find(type);
        if (!found)
            return CKR_OK;
        if (found->ulValueLen != sizeof(CK_BBOOL))
            return CKR_ATTRIBUTE_VALUE_INVALID;
        value = *static_cast<const CK_BBOOL*>(found->pValue) != CK_FALSE;
        return CKR_OK;
    }
    CK_RV Ulong(CK_ATTRIBUTE_TYPE type, CK_ULONG& value, bool& present) const {
        const CK_ATTRIBUTE* found = Find(type);
        present = found != nullptr;
        if (!found)
            return CKR_OK;
        if (found->ulValueLen != sizeof(CK_ULONG))
            return CKR_ATTRIBUTE_VALUE_INVALID;
        std::memcpy(&value, found->pValue, sizeof value);
        return CKR_OK;
    }
    CK_RV Text(CK_ATTRIBUTE_TYPE type, std::string& value) const {
        const CK_ATTRIBUTE* found = Find(type);
        if (!found)
            return CKR_OK;
        if (found->ulValueLen > kMaxTextAttribute)
            return CKR_ATTRIBUTE_VALUE_INVALID;
        const std::span<const uint8_t> bytes = Bytes(*found);
        value.assign(bytes.begin(), bytes.end());
        return CKR_OK;
    }
    std::span<const CK_ATTRIBUTE> all() const { return attributes_; }

  private:
    std::span<const CK_ATTRIBUTE> attributes_;
};

CK_RV ReadCertificate(const TemplateView& view, NewObject& object) {
    CK_ULONG type = 0;
    bool present = false;
    if (view.Ulong(CKA_CERTIFICATE_TYPE, type, present) != CKR_OK)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    const CK_ATTRIBUTE* value = view.Find(CKA_VALUE);
    if (!present || !value)
        return CKR_TEMPLATE_INCOMPLETE;
    if (type != CKC_X_509)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    const std::span<const uint8_t> der = Bytes(*value);
    object.value.assign(der.begin(), der.end());
    // Only what the program itself would store: one certificate that OpenSSL and
    // the program's own decoder both read.
    if (!IsCertificateDer(object.value) || !CertCreate(der))
        return CKR_ATTRIBUTE_VALUE_INVALID;
    bool trusted = false;
    if (view.Bool(CKA_TRUSTED, false, trusted) != CKR_OK || trusted || object.isPrivate)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    const std::string id = CertificateObjectId(der);
    if (const CK_ATTRIBUTE* wanted = view.Find(CKA_ID)) {
        // The token knows a certificate and its key by an id made from the certificate.
        const std::vector<uint8_t> own = IdBytes(id);
        const std::span<const uint8_t> given = Bytes(*wanted);
        if (!std::equal(given.begin(), given.end(), own.begin(), own.end()))
            return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    if (!view.Find(CKA_LABEL)) {
        CertificateFields fields;
        ReadCertificateFields(der, fields);
        object.label = fields.subjectDisplay;
    }
    for (const CK_ATTRIBUTE& attribute : view.all()) {
        if (attribute.type != CKA_CLASS && attribute.type != CKA_TOKEN &&
            attribute.type != CKA_PRIVATE && attribute.type != CKA_LABEL &&
            attribute.type != CKA_ID && attribute.type != CKA_CERTIFICATE_TYPE &&
            attribute.type != CKA_VALUE && attribute.type != CKA_TRUSTED &&
            !Contains(kIgnoredStorage, attribute.type) &&
            !Contains(kDerivedCertificate, attribute.type))
            return CKR_ATTRIBUTE_TYPE_INVALID;
    }
    object.identity = CertificateIdentity(id);
    return CKR_OK;
}

CK_RV ReadData(const TemplateView& view, NewObject& object) {
    if (view.Text(CKA_APPLICATION, object.application) != CKR_OK)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    if (const CK_ATTRIBUTE* oid = view.Find(CKA_OBJECT_ID); oid && oid->ulValueLen > 0)
        return CKR_ATTRIBUTE_VALUE_INVALID;  // not kept by the token
    if (const CK_ATTRIBUTE* value = view.Find(CKA_VALUE)) {
        if (value->ulValueLen > kMaxDataObjectSize)
            return CKR_ATTRIBUTE_VALUE_INVALID;
        const std::span<const uint8_t> bytes = Bytes(*value);
        object.value.assign(bytes.begin(), bytes.end());
    }
    for (const CK_ATTRIBUTE& attribute : view.all()) {
        if (attribute.type != CKA_CLASS && attribute.type != CKA_TOKEN &&
            attribute.type != CKA_PRIVATE && attribute.type != CKA_LABEL &&
            attribute.type != CKA_APPLICATION && attribute.type != CKA_OBJECT_ID &&
            attribute.type != CKA_VALUE && !Contains(kIgnoredStorage, attribute.type))
            return CKR_ATTRIBUTE_TYPE_INVALID;
    }
    object.identity = DataIdentity(object.isPrivate, object.label, object.application);
    return CKR_OK;
}

void EraseData(std::vector<TokenObject>& objects, const std::string& label,
               const std::string& application) {
    std::erase_if(objects, [&](TokenObject& object) {
        if (object.kind != ObjectKind::Data || object.label != label ||
            object.application != application)
            return false;
        if (!object.value.empty())
            OPENSSL_cleanse(object.value.data(), object.value.size());
        return true;
    });
}

std::string TextOf(const AttributeSet& attributes, CK_ATTRIBUTE_TYPE type) {
    const std::span<const uint8_t> bytes = attributes.Value(type);
    return {bytes.begin(), bytes.end()};
}

// The DER of a certificate object, copied for an edit that runs after the object
// table was refreshed.
std::vector<uint8_t> CertificateDer(const P11Object& object) {
    const std::span<const uint8_t> der = object.attributes.Value(CKA_VALUE);
    return {der.begin(), der.end()};
}

// An edit of a data object, found again by its label and application in its own
// list: CKR_OBJECT_HANDLE_INVALID when it went meanwhile, else `change` on it.
using DataChange = std::function<void(std::vector<TokenObject>& list, const std::string& label,
                                      const std::string& application, bool isPrivate)>;
ObjectEdit DataEdit(const P11Object& object, DataChange change) {
    const std::string label = TextOf(object.attributes, CKA_LABEL);
    const std::string application = TextOf(object.attributes, CKA_APPLICATION);
    const bool isPrivate = object.isPrivate;
    return [=](std::vector<TokenObject>& publicObjects,
               std::vector<TokenObject>& privateObjects) -> int {
        std::vector<TokenObject>& list = isPrivate ? privateObjects : publicObjects;
        if (!FindDataObject(list, label, application))
            return CKR_OBJECT_HANDLE_INVALID;
        change(list, label, application, isPrivate);
        return CKR_OK;
    };
}

}  // namespace

NewObject::~NewObject() {
    if (!value.empty())
        OPENSSL_cleanse(value.data(), value.size());
}

CK_RV ReadNewObject(std::span<const CK_ATTRIBUTE> attributes, NewObject& object) {
    const TemplateView view(attributes);
    if (const CK_RV checked = view.Check(); checked != CKR_OK)
        return checked;
    CK_ULONG objectClass = 0;
    bool present = false;
    if (view.Ulong(CKA_CLASS, objectClass, present) != CKR_OK)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    if (!present)
        return CKR_TEMPLATE_INCOMPLETE;
    bool onToken = true;
    if (view.Bool(CKA_TOKEN, false, onToken) != CKR_OK || !onToken)
        return CKR_ATTRIBUTE_VALUE_INVALID;  // no session objects: everything is stored
    if (view.Bool(CKA_PRIVATE, false, object.isPrivate) != CKR_OK ||
        view.Text(CKA_LABEL, object.label) != CKR_OK)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    object.objectClass = objectClass;
    if (objectClass == CKO_CERTIFICATE)
        return ReadCertificate(view, object);
    if (objectClass == CKO_DATA)
        return ReadData(view, object);
    return CKR_ATTRIBUTE_VALUE_INVALID;
}

ObjectEdit CreateEdit(const NewObject& object) {
    return [&object](std::vector<TokenObject>& publicObjects,
                     std::vector<TokenObject>& privateObjects) -> int {
        if (object.objectClass == CKO_CERTIFICATE) {
            PutCertificate(publicObjects, privateObjects, object.value, object.label, {});
            return CKR_OK;
        }
        std::vector<TokenObject>& list = object.isPrivate ? privateObjects : publicObjects;
        if (FindDataObject(list, object.label, object.application))
            return CKR_ATTRIBUTE_VALUE_INVALID;
        PutDataObject(list, object.label, object.application, object.isPrivate, object.value);
        return CKR_OK;
    };
}

CK_RV DestroyEdit(const P11Object& object, ObjectEdit& edit) {
    if (object.objectClass == CKO_CERTIFICATE) {
        edit = [copy = CertificateDer(object)](std::vector<TokenObject>& publicObjects,
                                               std::vector<TokenObject>& privateObjects) -> int {
            return RemoveCertificate(publicObjects, privateObjects, copy)
                       ? CKR_OK
                       : CKR_OBJECT_HANDLE_INVALID;
        };
        return CKR_OK;
    }
    if (object.objectClass == CKO_DATA) {
        edit = DataEdit(object, [](std::vector<TokenObject>& list, const std::string& label,
                                   const std::string& application,
                                   bool) { EraseData(list, label, application); });
        return CKR_OK;
    }
    return CKR_ACTION_PROHIBITED;
}

CK_RV ChangeEdit(const P11Object& object, std::span<const CK_ATTRIBUTE> attributes,
                 ObjectEdit& edit) {
    const TemplateView view(attributes);
    if (const CK_RV checked = view.Check(); checked != CKR_OK)
        return checked;
    if (object.objectClass != CKO_CERTIFICATE && object.objectClass != CKO_DATA)
        return CKR_ACTION_PROHIBITED;
    const CK_ATTRIBUTE_TYPE changeable =
        object.objectClass == CKO_CERTIFICATE ? CKA_LABEL : CKA_VALUE;
    const CK_ATTRIBUTE* change = nullptr;
    for (const CK_ATTRIBUTE& attribute : attributes) {
        if (attribute.type == changeable) {
            change = &attribute;
            continue;
        }
        if (!object.attributes.Has(attribute.type))
            return CKR_ATTRIBUTE_TYPE_INVALID;
        // Setting what is there already changes nothing.
        const std::span<const uint8_t> current = object.attributes.Value(attribute.type);
        const std::span<const uint8_t> given = Bytes(attribute);
        if (!std::equal(current.begin(), current.end(), given.begin(), given.end()))
            return CKR_ATTRIBUTE_READ_ONLY;
    }
    if (!change) {
        edit = [](std::vector<TokenObject>&, std::vector<TokenObject>&) -> int { return CKR_OK; };
        return CKR_OK;
    }
    if (change->ulValueLen > (changeable == CKA_LABEL ? kMaxTextAttribute : kMaxDataObjectSize))
        return CKR_ATTRIBUTE_VALUE_INVALID;
    const std::span<const uint8_t> bytes = Bytes(*change);
    auto value = std::make_shared<std::vector<uint8_t>>(bytes.begin(), bytes.end());
    if (object.objectClass == CKO_CERTIFICATE) {
        edit = [copy = CertificateDer(object), value](
                   std::vector<TokenObject>& publicObjects,
                   std::vector<TokenObject>& privateObjects) -> int {
            if (!FindCertificateObject(publicObjects, copy))
                return CKR_OBJECT_HANDLE_INVALID;
            PutCertificate(publicObjects, privateObjects, copy,
                           std::string(value->begin(), value->end()), {});
            return CKR_OK;
        };
        return CKR_OK;
    }
    edit = DataEdit(object, [value](std::vector<TokenObject>& list, const std::string& label,
                                    const std::string& application, bool isPrivate) {
        PutDataObject(list, label, application, isPrivate, *value);
        if (!value->empty())
            OPENSSL_cleanse(value->data(), value->size());
    });
    return CKR_OK;
}

}  // namespace orx::p11
