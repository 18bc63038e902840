// What the token view shows of the plug-in's answers: version numbers, the rows of
// the components and certificates tables, and the token's header line. Answers are
// ";"-separated fields counted from 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orx {

inline constexpr size_t kViewFieldCapacity = 256;
// The expiration date keeps at most 31 characters.
inline constexpr size_t kExpirationCapacity = 32;

// "05060262" -> "5.6.2.62": four two-digit groups without their leading "0", joined
// by "."; a text that goes on after the eight digits keeps the rest after one blank
// ("04020000 Orvex module" -> "4.2.0.0 Orvex module"). Shorter texts stay as they are.
std::string FormatVersion(std::string_view text);

struct ComponentRow {
    std::string fileName;     // the path's last part
    std::string version;      // formatted
    std::string information;  // field 2
    std::string special;      // the note that followed the version in parentheses
};
// A "Component" entry: "path;version [(note)];information".
ComponentRow ParseComponent(std::string_view entry);

// The first header line of a token: its label (field 1 of "TokenInfo"); on a card
// (slot below 100) a trailing " (note)" is cut off at its blank.
std::string TokenHeaderLine(std::string_view tokenInfo, int32_t slot);

// Whether a "CertificateEx" entry belongs to the token in `slot`: the same slot for
// a soft token, one of the card's three slots from `slot` on for a card.
bool CertificateBelongsTo(std::string_view entry, int32_t slot);

struct CertificateRow {
    std::string subject;      // field 3
    std::string issuer;       // the issuer's display name (field 4), empty when none
    std::string expiration;   // field 7, shown only with an issuer
    bool privateKey = false;  // field 9: the token holds the certificate's private key
};
CertificateRow ParseCertificateRow(std::string_view entry);

}  // namespace orx
