#include "directory/search_template.h"

#include "core/hex_text.h"
#include "core/sha1.h"
#include "core/string_helpers.h"
#include "core/text_encoding.h"
#include "core/text_fields.h"
#include "der/der_certificate.h"
#include "der/der_key_pair.h"
#include "der/der_result.h"
#include "token/token_application.h"

namespace orx {

namespace {

constexpr std::string_view kSubjectKeyIdentifierOid = "2.5.29.14";
// Far beyond the key info of any RSA key a card can hold.
constexpr size_t kPublicKeyInfoCapacity = 8192;

// Two upper-case digits per byte; in a filter on a ";binary" attribute each pair
// is an escaped byte.
std::string Hex(std::span<const uint8_t> bytes, bool escaped) {
    if (!escaped)
        return HexText(bytes, HexCase::kUpper);
    std::string text;
    for (uint8_t byte : bytes) {
        text.push_back('\\');
        AppendHex(text, byte, HexCase::kUpper);
    }
    return text;
}

}  // namespace

std::optional<std::string> ExpandTemplate(std::string_view searchTemplate,
                                          const TemplateSources& sources) {
    const size_t open = searchTemplate.find('<');
    if (open == std::string_view::npos)
        return std::string(searchTemplate);
    const std::string_view at = searchTemplate.substr(open);
    const bool escaped = searchTemplate.find(";binary") != std::string_view::npos;
    std::optional<std::string> value;
    size_t length = 0;
    if (StartsWithNoCase(at, kCardSerialNumberPlaceholder)) {
        length = kCardSerialNumberPlaceholder.size();
        if (sources.cardSerialNumber)
            value = sources.cardSerialNumber();
    } else if (StartsWithNoCase(at, kSubjectKeyIdentifierPlaceholder)) {
        length = kSubjectKeyIdentifierPlaceholder.size();
        if (sources.subjectKeyIdentifier) {
            if (auto bytes = sources.subjectKeyIdentifier(); bytes && !bytes->empty())
                value = Hex(*bytes, escaped);
        }
    } else if (StartsWithNoCase(at, kPublicKeyDigestPlaceholder)) {
        length = kPublicKeyDigestPlaceholder.size();
        if (sources.publicKeyDigest)
            value = Hex(sources.publicKeyDigest(), escaped);
    } else {
        return std::nullopt;
    }
    if (!value || value->empty())
        return std::nullopt;
    std::string result;
    result.reserve(searchTemplate.size() - length + value->size());
    result.append(searchTemplate.substr(0, open)).append(*value).append(at.substr(length));
    return result;
}

std::optional<std::string> ExpandSearchTemplate(TokenApplication& application, int32_t slotId,
                                                const DerCertificate* certificate,
                                                std::string_view searchTemplate) {
    TemplateSources sources;
    sources.cardSerialNumber = [&]() -> std::optional<std::string> {
        std::string serial;
        if (GetCardSerialNumber(application, slotId, serial, kCardSerialNumberCapacity) != 0)
            return std::nullopt;
        return serial;
    };
    if (certificate != nullptr) {
        sources.subjectKeyIdentifier = [&]() -> std::optional<std::vector<uint8_t>> {
            DerBytes value;
            if (certificate->GetExtension(kSubjectKeyIdentifierOid, &value) != DER_OK)
                return std::nullopt;
            return std::vector<uint8_t>(value.begin(), value.end());
        };
    }
    sources.publicKeyDigest = [&] {
        // No certificate, or a key that is no RSA key, leaves the digest as zeros.
        KeyDigest digest{};
        if (certificate != nullptr)
            GetPublicKeyDigest(*certificate, digest);
        return digest;
    };
    return ExpandTemplate(searchTemplate, sources);
}

std::optional<std::string> ExpandSearchTemplate(TokenApplication& application, int32_t slotId,
                                                const CertHandle& certificate,
                                                std::string_view searchTemplate) {
    return ExpandSearchTemplate(application, slotId,
                                certificate ? &certificate->certificate : nullptr, searchTemplate);
}

int GetCardSerialNumber(TokenApplication& application, int32_t slotId, std::string& serial,
                        size_t size) {
    serial.clear();
    application.SetActiveSlot(slotId);
    std::optional<std::string> info = application.GetPropertyString("TokenInfo");
    if (!info)
        return kTokenInfoAbsent;
    RemoveChars(*info, " ");
    serial = GetField(AnsiToUtf8(*info), ';', 2, size);
    return 0;
}

void GetPublicKeyDigest(const DerCertificate& certificate, KeyDigest& digest) {
    std::vector<uint8_t> info(kPublicKeyInfoCapacity);
    uint32_t count = static_cast<uint32_t>(info.size());
    if (certificate.GetPublicKeyInfo(info, &count) != DER_OK)
        return;
    info.resize(count);
    PublicKeyInfoDigest(info, digest);
}

bool PublicKeyInfoDigest(DerBytes publicKeyInfo, KeyDigest& digest) {
    DerKeyPair key;
    if (key.Decode(publicKeyInfo) != DER_OK || key.key().empty())
        return false;
    digest = Sha1(key.key());
    return true;
}

}  // namespace orx
