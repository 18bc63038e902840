#include "directory/search_template.h"

#include <strings.h>

#include <cstdio>

#include "core/sha1.h"
#include "core/text_encoding.h"
#include "core/text_fields.h"
#include "der/der_key_pair.h"
#include "der/der_result.h"
#include "token/token_application.h"

namespace orx {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// Two upper-case digits per byte; in a filter on a ";binary" attribute each pair
// is an escaped byte.
std::string Hex(std::span<const uint8_t> bytes, bool escaped) {
    std::string text;
    text.reserve(bytes.size() * 3);
    char pair[4];
    for (uint8_t byte : bytes) {
        std::snprintf(pair, sizeof pair, escaped ? "\\%.2X" : "%.2X", byte);
        text += pair;
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

bool PublicKeyInfoDigest(DerBytes publicKeyInfo, KeyDigest& digest) {
    DerKeyPair key;
    if (key.Decode(publicKeyInfo) != DER_OK || key.key().empty())
        return false;
    digest = Sha1(key.key());
    return true;
}

}  // namespace orx
