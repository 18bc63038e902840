// What a certificate may be used for and whom it names: the extended key usage and
// the e-mail address or user principal name.
#include <string>
#include <string_view>

#include "core/text_encoding.h"
#include "der/der_certificate.h"
#include "der/der_extension_values.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {

namespace {

constexpr std::string_view kEmailAttribute = "1.2.840.113549.1.9.1=";
constexpr std::string_view kSmartCardLogon = "1.3.6.1.4.1.311.20.2.2";

void Take(std::string& out, std::string_view value, size_t capacity) {
    if (capacity == 0)
        return;
    out.assign(CutUtf8(value, capacity - 1));
}

std::string_view AsText(DerBytes bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
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
    if (GetExtension(kOidSubjectAltName, &value) != DER_OK || !DerExtensionList(value, &names)) {
        return DER_FAILED;
    }
    int result = DER_FAILED;
    DerForEachIn(names, [&](const DerElement& name) {
        if (email && name.tag == kGeneralNameEmail) {
            Take(out, AsText(name.content), capacity);
            result = DER_OK;
            return false;
        }
        if (!email && name.tag == kGeneralNameOther) {
            // Only the first otherName counts.
            std::string type;
            DerBytes principal;
            if (DerReadOtherName(name.content, type, &principal) && type == kOidUserPrincipalName) {
                Take(out, AsText(principal), capacity);
                result = DER_OK;
            }
            return false;
        }
        return true;
    });
    return result;
}

bool DerCertificate::HasExtendedKeyUsage(std::string_view text) const {
    DerBytes value;
    DerBytes purposes;
    if (GetExtension(kOidExtendedKeyUsage, &value) != DER_OK ||
        !DerExtensionList(value, &purposes)) {
        return false;
    }
    // An entry that is no identifier is passed over, not taken for the end.
    bool listed = false;
    DerForEachIn(purposes, [&](const DerElement& purpose) {
        std::string dotted;
        listed = DerOidToText(purpose.whole, dotted, kOidTextCapacity) == DER_OK && dotted == text;
        return !listed;
    });
    return listed;
}

bool DerCertificate::HasSmartCardLogon() const {
    DerBytes value;
    if (GetExtension(kOidExtendedKeyUsage, &value) != DER_OK)
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
