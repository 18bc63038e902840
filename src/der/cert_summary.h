// A certificate's fields as "name: value" lines, the form in which the command
// line shows certificates from files and tokens.
#pragma once

#include <string>

#include "der/cert_handle.h"

namespace orx {

// version, serial, signature, issuer, subject, notBefore, notAfter, ca,
// selfIssued, expired, email, upn, smartCardLogon, key, one line per extension and
// displayName, each line ending with "\n".
std::string CertSummary(const CertRecord& handle);

}  // namespace orx
