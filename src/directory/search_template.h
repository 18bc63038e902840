// Search templates: a directory filter may hold one placeholder that is filled from
// a certificate on one of the user's own tokens, so that a directory can be asked
// for the entry that belongs to that certificate.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "der/cert_handle.h"
#include "der/der_reader.h"

namespace orx {

class DerCertificate;
class TokenApplication;

inline constexpr std::string_view kCardSerialNumberPlaceholder = "<cardserialnumber>";
inline constexpr std::string_view kSubjectKeyIdentifierPlaceholder = "<subjectkeyidentifier>";
inline constexpr std::string_view kPublicKeyDigestPlaceholder = "<publickeydigest>";
inline constexpr size_t kCardSerialNumberCapacity = 32;
inline constexpr int kTokenInfoAbsent = 6;

using KeyDigest = std::array<uint8_t, 20>;

// Where each placeholder's value comes from; only the one the template names is
// asked for (the serial number makes the certificate's slot the active one).
struct TemplateSources {
    std::function<std::optional<std::string>()> cardSerialNumber;
    std::function<std::optional<std::vector<uint8_t>>()> subjectKeyIdentifier;
    std::function<KeyDigest()> publicKeyDigest;
};

// The template with its first placeholder replaced; nullopt when the first "<"
// starts no known placeholder or the value is missing or empty.
std::optional<std::string> ExpandTemplate(std::string_view searchTemplate,
                                          const TemplateSources& sources);

// ExpandTemplate with the values of this certificate and of the token in `slotId`.
// Without a certificate there is no key identifier, and the digest is all zeros.
std::optional<std::string> ExpandSearchTemplate(TokenApplication& application, int32_t slotId,
                                                const DerCertificate* certificate,
                                                std::string_view searchTemplate);
// The same for a certificate as the dialogs hold it; a null handle is none.
std::optional<std::string> ExpandSearchTemplate(TokenApplication& application, int32_t slotId,
                                                const CertHandle& certificate,
                                                std::string_view searchTemplate);

// The third ";" field of the slot's "TokenInfo" without blanks, at most size - 1
// bytes. 0, or kTokenInfoAbsent when the token tells nothing.
int GetCardSerialNumber(TokenApplication& application, int32_t slotId, std::string& serial,
                        size_t size = kCardSerialNumberCapacity);

// PublicKeyInfoDigest of the certificate's subject public key info.
void GetPublicKeyDigest(const DerCertificate& certificate, KeyDigest& digest);

// SHA-1 of the RSA public key inside a subject public key info; the digest stays
// as it was when the key is no RSA key. True when it was filled.
bool PublicKeyInfoDigest(DerBytes publicKeyInfo, KeyDigest& digest);

}  // namespace orx
