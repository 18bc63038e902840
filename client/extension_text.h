// The common certificate extensions as readable text, decoded from their value
// (the content of the extension's OCTET STRING) with the codec's bounds-checked
// reader. A value that does not decode gives false, and the caller shows hex.
#pragma once

#include <string>
#include <string_view>

#include "der/der_reader.h"

namespace orx {

// The extension's name by dotted identifier; "" when it is not one of the common ones.
std::string ExtensionName(std::string_view oid);
// The name of an extended key usage purpose; "" when unknown.
std::string KeyPurposeName(std::string_view oid);

bool KeyUsageText(DerBytes value, std::string& out);          // 2.5.29.15
bool ExtendedKeyUsageText(DerBytes value, std::string& out);  // 2.5.29.37
bool GeneralNamesText(DerBytes value, std::string& out);      // 2.5.29.17, 2.5.29.18
bool BasicConstraintsText(DerBytes value, std::string& out);  // 2.5.29.19
bool KeyIdentifierText(DerBytes value, std::string& out);     // 2.5.29.14
bool AuthorityKeyIdText(DerBytes value, std::string& out);    // 2.5.29.35

// Decodes the value of the extension `oid` when it is a common one.
bool ExtensionValueText(std::string_view oid, DerBytes value, std::string& out);

// "AB:CD:..." upper case, as fingerprints and key identifiers are written.
std::string ColonHexText(DerBytes bytes);

// Known attribute types get their short names ("2.5.4.3" -> "CN").
std::string ReadableName(std::string_view nameText);

}  // namespace orx
