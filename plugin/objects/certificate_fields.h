// What the module's certificate lists show of a certificate: the subject's display
// name, the issuer's name text, serial number, dates and key usage.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orx {

struct CertificateFields {
    std::string subjectDisplay;  // empty when the subject has none
    std::string subjectText;     // name text with dotted types
    std::string issuerDisplay;
    std::string issuerText;
    std::string serialHex;  // upper-case hex of the serial number's content bytes
    std::string notBefore;  // YYYY-MM-DD
    std::string notAfter;
    std::optional<uint8_t>
        keyUsage;  // the first byte of the key usage bits; none without the extension
};

// False for bytes that are no certificate.
bool ReadCertificateFields(std::span<const uint8_t> der, CertificateFields& fields);

// The key usage bits of a key usage extension's value element (an OCTET STRING
// holding a BIT STRING): digitalSignature 0x80, nonRepudiation 0x40,
// keyEncipherment 0x20, dataEncipherment 0x10, ... ; 0 when it is malformed.
uint8_t KeyUsageBits(std::span<const uint8_t> element);

}  // namespace orx
