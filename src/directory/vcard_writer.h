// Business cards (vCard 2.1) for certificates found in a directory: the holder's
// name, organisation and e-mail address from the subject name, and the
// certificate itself as the card's key.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orx {

class DerCertificate;

inline constexpr size_t kVCardKeyLineLength = 64;
inline constexpr size_t kVCardFieldCapacity = 256;

// The whole card for a subject name text and the certificate's DER encoding.
std::string BuildVCard(std::string_view subjectNameText, std::span<const uint8_t> der);

// Writes the card of a decoded certificate in one piece, replacing any file of
// that name. False when the certificate has no subject name or the file cannot be
// written; an existing file then stays as it was.
bool WriteVCard(std::string_view fileName, const DerCertificate& certificate);

}  // namespace orx
