// Reading the files that "WriteCertificate" imports besides plain certificates: a
// PKCS#12 file (a private key with its certificate and chain, under a password)
// and a certificates-only PKCS#7 file.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "cms/cms_library.h"
#include "keys/secret.h"
#include "results/module_results.h"

namespace orx {

// The bytes decoded as a PKCS#12 structure (before any password); none when they are
// not one.
Pkcs12Ptr ParsePkcs12(std::span<const uint8_t> bytes);
// Whether the bytes are a PKCS#12 structure at all.
bool LooksLikePkcs12(std::span<const uint8_t> bytes);

struct Pkcs12Content {
    std::vector<uint8_t> certificate;         // DER of the key's certificate, may be empty
    std::string label;                        // its friendly name, may be empty
    Secret pkcs8;                             // the private key, PKCS#8 DER, may be empty
    std::vector<std::vector<uint8_t>> chain;  // the other certificates, DER
};

// Opens the file with a password: CKR_OK, CKR_PIN_INCORRECT when the password is
// wrong, CKR_ATTRIBUTE_VALUE_INVALID when the content is damaged or asks for more
// work than Pkcs12CostsAcceptable allows (checked before the password is tried). Files whose
// content only the legacy provider decrypts are read through the library's legacy context.
int OpenPkcs12(const CmsLibrary& library, std::span<const uint8_t> bytes, std::string_view password,
               Pkcs12Content& content);

// The certificates (DER) of a PKCS#7 / CMS file, binary or PEM; false when the bytes
// are no such file. A file without certificates gives true and an empty list.
bool ReadPkcs7Certificates(const CmsLibrary& library, std::span<const uint8_t> bytes,
                           std::vector<std::vector<uint8_t>>& certificates);

}  // namespace orx
