// The questions the program asks of a certificate handle. Every function accepts a
// null handle and answers "no" for it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "der/cert_handle.h"

namespace orx {

inline constexpr std::string_view kSmartCardLogonUsage = "1.3.6.1.4.1.311.20.2.2";

// Both given and their encoded data equal.
bool CertEqual(const CertRecord* a, const CertRecord* b);
// The encoded certificate.
bool CertGetData(const CertRecord* handle, DerBytes* data);
bool CertIsCA(const CertRecord* handle);
// The subject's display name; true when not empty.
bool CertGetSubjectDisplayName(const CertRecord* handle, std::string& out, size_t capacity);
// The display name of a plain name text.
bool NameTextDisplayName(std::string_view nameText, std::string& out, size_t capacity);
// email true: the e-mail address; false: the user principal name. `out` is cut to
// capacity - 1 bytes and emptied when nothing is found; true when found.
bool CertGetEmail(const CertRecord* handle, std::string& out, size_t capacity, bool email);
// Both time texts as stored, or as "YYYY-MM-DD" with `asDate`; false when either
// capacity does not exceed the stored text.
bool CertGetValidity(const CertRecord* handle, std::string& notBefore, size_t notBeforeCapacity,
                     std::string& notAfter, size_t notAfterCapacity, bool asDate);
// False only when the certificate is known to be outside its validity now (to the
// second; both ends belong to it).
bool CertIsTimeValid(const CertRecord* handle);
// The extension's value element; `value` is emptied when there is none.
bool CertGetExtension(const CertRecord* handle, std::string_view text, DerBytes* value);

}  // namespace orx
