#include "der/der_extension_values.h"

#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {

bool DerExtensionList(DerBytes octetString, DerBytes* content) {
    DerElement inner;
    DerElement list;
    if (!DerReader(octetString).ReadAnyElement(&inner) ||
        !DerReader(inner.content).ReadAnyElement(&list)) {
        return false;
    }
    *content = list.content;
    return true;
}

bool DerReadOtherName(DerBytes content, std::string& typeId, DerBytes* value) {
    DerReader reader(content);
    DerBytes type;
    DerElement explicitValue;
    DerElement string;
    if (!reader.ReadElement(kTagOid, &type) || !DerOidElementText(type, typeId) ||
        !reader.ReadAnyElement(&explicitValue) ||
        !DerReader(explicitValue.content).ReadAnyElement(&string)) {
        return false;
    }
    *value = string.content;
    return true;
}

bool DerOidElementText(DerBytes element, std::string& text) {
    text.clear();
    return DerTag(element) == kTagOid && DerOidToText(element, text, kOidTextCapacity) == DER_OK &&
           !text.empty();
}

}  // namespace orx
