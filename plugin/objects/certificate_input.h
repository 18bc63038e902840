// The "Certificate" value the program hands over: Base64 of a file's bytes, or the
// file's own text when it is Base64 or PEM already. Only a single X.509
// certificate that OpenSSL and the program's own decoder both accept gets through.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "results/module_results.h"

namespace orx {

// Longer texts are refused before they are decoded.
inline constexpr size_t kMaxCertificateText = 256u << 10;

// Fills `der` with the certificate's encoding: CKR_OK; CKR_ARGUMENTS_BAD when nothing
// is given; kCertificateInputContainer for a PKCS#12 or PKCS#7 file;
// CKR_ATTRIBUTE_VALUE_INVALID for anything else.
int ReadCertificateInput(std::string_view text, std::vector<uint8_t>& der);

// True when OpenSSL reads the bytes as one certificate that ends exactly at their end.
bool IsCertificateDer(const std::vector<uint8_t>& der);

}  // namespace orx
