#include "directory/vcard_writer.h"

#include "core/base64.h"
#include "core/file_helpers.h"
#include "core/text_encoding.h"
#include "core/text_fields.h"
#include "der/der_certificate.h"

namespace orx {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr const char* kCommonName = "2.5.4.3";
constexpr const char* kOrganisation = "2.5.4.10";
constexpr const char* kEmailAddress = "1.2.840.113549.1.9.1";

void AppendLine(std::string& card, std::string_view line) {
    card.append(line).append(kLineEnd);
}

}  // namespace

std::string BuildVCard(std::string_view subjectNameText, std::span<const uint8_t> der) {
    const std::string name = Utf8ToAnsi(subjectNameText);
    std::string card;
    card.reserve(10 * der.size() + 256);
    AppendLine(card, "BEGIN:VCARD");
    AppendLine(card, "VERSION:2.1");

    std::string value;
    if (GetNameAttribute(name, kCommonName, value, kVCardFieldCapacity)) {
        // "Given Family" becomes "Family;Given": the family name comes first.
        if (const size_t blank = value.rfind(' '); blank != std::string::npos) {
            AppendLine(card, "N:" + value.substr(blank + 1) + ";" + value.substr(0, blank));
        }
        AppendLine(card, "FN:" + value);
    }
    if (GetNameAttribute(name, kOrganisation, value, kVCardFieldCapacity))
        AppendLine(card, "ORG:" + value);

    AppendLine(card, "KEY;X509;ENCODING=BASE64:");
    const std::string key = Base64Encode(der);
    for (size_t at = 0; at < key.size(); at += kVCardKeyLineLength)
        AppendLine(card, "    " + key.substr(at, kVCardKeyLineLength));
    card.append(kLineEnd).append(kLineEnd);

    if (GetNameAttribute(name, kEmailAddress, value, kVCardFieldCapacity))
        AppendLine(card, "EMAIL;PREF;INTERNET:" + value);
    AppendLine(card, "END:VCARD");
    return card;
}

bool WriteVCard(std::string_view fileName, const DerCertificate& certificate) {
    const auto& subject = certificate.NameText(kSubject);
    DerBytes der;
    if (!subject.has_value() || certificate.GetData(&der) != 0)
        return false;
    return WriteWholeFile(BuildVCard(*subject, der), fileName);
}

}  // namespace orx
