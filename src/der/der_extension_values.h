// The shapes of the common certificate extensions' values: what the certificate's
// own questions (its e-mail address, its purposes) and the viewer's texts both
// read, so that the layout is written down once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "der/der_reader.h"

namespace orx {

inline constexpr std::string_view kOidKeyUsage = "2.5.29.15";
inline constexpr std::string_view kOidExtendedKeyUsage = "2.5.29.37";
inline constexpr std::string_view kOidSubjectAltName = "2.5.29.17";
inline constexpr std::string_view kOidIssuerAltName = "2.5.29.18";
inline constexpr std::string_view kOidBasicConstraints = "2.5.29.19";
inline constexpr std::string_view kOidSubjectKeyIdentifier = "2.5.29.14";
inline constexpr std::string_view kOidAuthorityKeyIdentifier = "2.5.29.35";
inline constexpr std::string_view kOidUserPrincipalName = "1.3.6.1.4.1.311.20.2.3";

// The choices of a GeneralName (alternative names), by their context tags.
inline constexpr uint8_t kGeneralNameOther = 0xA0;  // otherName
inline constexpr uint8_t kGeneralNameEmail = 0x81;  // rfc822Name
inline constexpr uint8_t kGeneralNameDns = 0x82;
inline constexpr uint8_t kGeneralNameDirectory = 0xA4;
inline constexpr uint8_t kGeneralNameUri = 0x86;
inline constexpr uint8_t kGeneralNameIp = 0x87;
inline constexpr uint8_t kGeneralNameRegisteredId = 0x88;

// The content of the list inside an extension's value as the certificate keeps
// it (the OCTET STRING element). The certificate's own look-ups read any list
// they can walk, so neither tag is checked.
bool DerExtensionList(DerBytes octetString, DerBytes* content);

// An otherName's content: its type-id as dotted text, and the content of the
// string inside the element behind it (the [0] that holds the value). False
// when either is missing or the type is no identifier.
bool DerReadOtherName(DerBytes content, std::string& typeId, DerBytes* value);

// The dotted text of an OBJECT IDENTIFIER element; false for another tag, an
// identifier that does not decode or fit kOidTextCapacity, or an empty one.
bool DerOidElementText(DerBytes element, std::string& text);

}  // namespace orx
