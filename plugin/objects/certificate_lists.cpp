// "CertificateEx", the token view's list of every token's certificates, and
// "Certificate", the list offered for signing and encrypting, filtered by key usage
// and widened to other people's certificates on request. Both are made whole at
// index 0 and handed out from there, so that a long list costs one pass.
#include <cstdlib>

#include "core/base64.h"
#include "der/cert_store.h"
#include "objects/certificate_fields.h"
#include "objects/object_operations.h"
#include "objects/token_access.h"
#include "properties/inputs.h"
#include "properties/list_field.h"

namespace orx {

namespace {

constexpr std::string_view kOtherPeopleStore = "AddressBook";

// Unset or unreadable: every certificate.
uint8_t UsageFilter(const std::string& text) {
    if (text.empty())
        return 0xFF;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0' || value < 0 || value > 0xFF)
        return 0xFF;
    return static_cast<uint8_t>(value);
}

bool MatchesUsage(const CertificateFields& fields, uint8_t filter) {
    return !fields.keyUsage || (*fields.keyUsage & filter) != 0;
}

std::string Describe(const CertificateFields& fields) {
    std::string text = fields.subjectDisplay.empty() ? fields.subjectText : fields.subjectDisplay;
    if (!fields.issuerDisplay.empty())
        text += " (issued by " + fields.issuerDisplay + ", valid to " + fields.notAfter + ")";
    return ListField(text);
}

std::string UsageText(const CertificateFields& fields) {
    return fields.keyUsage ? std::to_string(*fields.keyUsage) : std::string();
}

}  // namespace

std::optional<std::string> ObjectOperations::CertificateExEntry(int index) {
    if (index == 0 || certificateExList_.empty()) {
        certificateExList_.clear();
        tokens_.Rescan();
        for (const TokenAccess::SlotCertificate& item : tokens_.Certificates()) {
            CertificateFields fields;
            if (!ReadCertificateFields(item.certificate.value, fields))
                continue;
            certificateExList_.push_back(
                std::to_string(item.slotId) + ";" + ListField(item.tokenLabel) + ";" +
                item.certificate.id + ";" + ListField(fields.subjectDisplay) + ";" +
                ListField(fields.issuerText) + ";" + fields.serialHex + ";" + fields.notBefore +
                ";" + fields.notAfter + ";" + UsageText(fields) + ";" +
                (item.hasPrivateKey ? "1" : "0") + ";" + Base64Encode(item.certificate.value));
        }
    }
    if (static_cast<size_t>(index) >= certificateExList_.size())
        return std::nullopt;
    return certificateExList_[static_cast<size_t>(index)];
}

std::optional<std::string> ObjectOperations::CertificateEntry(int index, const Inputs& inputs) {
    if (index == 0 || certificateList_.empty()) {
        certificateList_.clear();
        tokens_.Rescan();
        const uint8_t filter = UsageFilter(inputs.Get("KeyUsage"));
        for (const TokenAccess::SlotCertificate& item : tokens_.Certificates()) {
            CertificateFields fields;
            if (!ReadCertificateFields(item.certificate.value, fields) ||
                !MatchesUsage(fields, filter))
                continue;
            certificateList_.push_back(std::to_string(item.slotId) + ";" +
                                       ListField(item.tokenLabel) + ";" + UsageText(fields) + ";" +
                                       Describe(fields) + ";" +
                                       Base64Encode(item.certificate.value));
        }
        if (inputs.Get("Other") == "1") {
            if (std::optional<CertStore> store = OpenUserStore(kOtherPeopleStore)) {
                for (const StoredCertificate& stored : store->List()) {
                    CertificateFields fields;
                    if (!ReadCertificateFields(stored.der, fields) || !MatchesUsage(fields, filter))
                        continue;
                    certificateList_.push_back("0;" + std::string(kOtherPeopleStore) + ";" +
                                               UsageText(fields) + ";" + Describe(fields) + ";" +
                                               Base64Encode(stored.der));
                }
            }
        }
    }
    if (static_cast<size_t>(index) >= certificateList_.size())
        return std::nullopt;
    return certificateList_[static_cast<size_t>(index)];
}

}  // namespace orx
