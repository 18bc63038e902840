// The common certificate extensions as readable text, decoded from their value
// (the content of the extension's OCTET STRING) with the codec's bounds-checked
// reader, in the forms administrators know from the usual tools ("CA:TRUE,
// pathlen:0", "email:jane@example.org").
#pragma once

#include <string>
#include <string_view>

#include "der/der_reader.h"

namespace orx {

// The text of the value of extension `oid` (dotted) when it is one of key usage,
// extended key usage, subject or issuer alternative name, basic constraints and
// the two key identifiers. False for another extension and for a value that does
// not decode: the caller then shows the bytes.
bool ExtensionValueText(std::string_view oid, DerBytes value, std::string& out);

}  // namespace orx
