// What a certificate may be used for and whom it names: the extended key usage and
// the e-mail address or user principal name.
#include <string>
#include <string_view>

#include "core/text_encoding.h"
#include "der/der_certificate.h"
#include "der/der_length.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {

namespace {

constexpr std::string_view kEmailAttribute = "1.2.840.113549.1.9.1=";
constexpr std::string_view kSubjectAltName = "2.5.29.17";
constexpr std::string_view kUserPrincipalName = "1.3.6.1.4.1.311.20.2.3";
constexpr std::string_view kExtendedKeyUsage = "2.5.29.37";
constexpr std::string_view kSmartCardLogon = "1.3.6.1.4.1.311.20.2.2";
constexpr uint8_t kTagRfc822Name = 0x81;
constexpr uint8_t kTagOtherName = 0xA0;

// The content of the SEQUENCE inside an extension's OCTET STRING element.
bool SequenceInOctetString(DerBytes value, DerBytes* content) {
    DerBytes inner;
    if (DerDecodeHeader(value, &inner) != DER_OK)
        return false;
    return DerDecodeHeader(inner, content) == DER_OK;
}

void Take(std::string& out, std::string_view value, size_t capacity) {
    if (capacity == 0)
        return;
    out.assign(CutUtf8(value, capacity - 1));
}

// The user principal name of an otherName's content: type-id, then [0] holding
// the string.
bool PrincipalName(DerBytes otherName, std::string_view* value) {
    DerReader reader(otherName);
    DerBytes typeId;
    if (DerReadElement(reader, &typeId) != DER_OK)
        return false;
    std::string text;
    if (DerTag(typeId) != kTagOid || DerOidToText(typeId, text, kOidTextCapacity) != DER_OK ||
        text != kUserPrincipalName) {
        return false;
    }
    DerBytes explicitValue;
    DerBytes content;
    if (DerDecodeHeader(reader.rest(), &explicitValue) != DER_OK ||
        DerDecodeHeader(explicitValue, &content) != DER_OK) {
        return false;
    }
    *value = std::string_view(reinterpret_cast<const char*>(content.data()), content.size());
    return true;
}

}  // namespace

int DerCertificate::GetEmail(std::string& out, size_t capacity, bool email) const {
    out.clear();
    if (email && subjectText_) {
        const std::string_view subject = *subjectText_;
        const size_t at = subject.find(kEmailAttribute);
        if (at != std::string_view::npos) {
            // A following " + " attribute of the same RDN stays with the address.
            const std::string_view rest = subject.substr(at + kEmailAttribute.size());
            Take(out, rest.substr(0, rest.find(',')), capacity);
            return DER_OK;
        }
    }
    DerBytes value;
    DerBytes names;
    if (GetExtension(kSubjectAltName, &value) != DER_OK || !SequenceInOctetString(value, &names) ||
        names.empty()) {
        return DER_FAILED;
    }
    DerReader reader(names);
    while (!reader.empty()) {
        DerBytes element;
        if (DerReadElement(reader, &element) != DER_OK)
            return DER_FAILED;
        const uint8_t tag = DerTag(element);
        DerBytes content;
        if (email && tag == kTagRfc822Name) {
            if (DerDecodeHeader(element, &content) != DER_OK)
                return DER_FAILED;
            Take(out,
                 std::string_view(reinterpret_cast<const char*>(content.data()), content.size()),
                 capacity);
            return DER_OK;
        }
        if (!email && tag == kTagOtherName) {
            // Only the first otherName counts.
            std::string_view principal;
            if (DerDecodeHeader(element, &content) != DER_OK || !PrincipalName(content, &principal))
                return DER_FAILED;
            Take(out, principal, capacity);
            return DER_OK;
        }
    }
    return DER_FAILED;
}

bool DerCertificate::HasExtendedKeyUsage(std::string_view text) const {
    DerBytes value;
    DerBytes purposes;
    if (GetExtension(kExtendedKeyUsage, &value) != DER_OK ||
        !SequenceInOctetString(value, &purposes)) {
        return false;
    }
    DerReader reader(purposes);
    while (!reader.empty()) {
        DerBytes element;
        if (DerReadElement(reader, &element) != DER_OK)
            return false;
        std::string dotted;
        if (DerOidToText(element, dotted, kOidTextCapacity) == DER_OK && dotted == text)
            return true;
    }
    return false;
}

bool DerCertificate::HasSmartCardLogon() const {
    DerBytes value;
    if (GetExtension(kExtendedKeyUsage, &value) != DER_OK)
        return false;
    // Only short lengths are read here: a usage list long enough for a long form
    // holds no smart card logon that a card would be issued with.
    if (value.size() < 5 || value[0] != kTagOctetString || value[1] >= 0x80 ||
        value[1] + 2u > value.size() || value[2] != kTagSequence || value[3] >= 0x80 ||
        value[3] + 4u > value.size()) {
        return false;
    }
    DerBytes purposes = value.subspan(4, value[3]);
    while (purposes.size() > 2) {
        const size_t length = purposes[1];
        if (purposes[0] != kTagOid || length >= 0x80 || length + 2 > purposes.size())
            return false;
        std::string dotted;
        if (DerOidToText(purposes.first(length + 2), dotted, 2 * kOidTextCapacity) == DER_OK &&
            dotted == kSmartCardLogon) {
            return true;
        }
        purposes = purposes.subspan(length + 2);
    }
    return false;
}

}  // namespace orx
