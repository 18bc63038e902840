// libs: orxcore orxder
// Certificates from tokens, directories and files: decoding any bytes must stay
// inside them, and whatever decodes must answer every getter and encode again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "der/der_certificate.h"
#include "der/der_result.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orx::DerCertificate cert;
    if (cert.Decode(orx::DerBytes(data, size)) != orx::DER_OK)
        return 0;

    uint32_t value = 0;
    cert.GetVersion(&value);
    cert.GetSerialNumber(&value);
    uint32_t modulusLength = 0;
    uint32_t exponentLength = 0;
    if (cert.GetPublicKey({}, &modulusLength, {}, &exponentLength) == orx::DER_OK) {
        std::vector<uint8_t> modulus(modulusLength);
        std::vector<uint8_t> exponent(exponentLength);
        if (cert.GetPublicKey(modulus, &modulusLength, exponent, &exponentLength) != orx::DER_OK ||
            cert.PublicKeyEquals(modulus, exponent) != 1) {
            abort();
        }
    }
    std::string before;
    std::string after;
    cert.GetValidity(before, 64, after, 64);
    std::string algorithm;
    std::vector<uint8_t> signature(size);
    uint32_t signatureLength = static_cast<uint32_t>(size);
    cert.GetSignature(algorithm, 64, signature, &signatureLength);
    for (size_t i = 0; i < orx::kMaxExtensions; ++i) {
        const std::string* text = nullptr;
        orx::DerBytes extension;
        if (cert.GetExtensionAt(i, &text, &extension) == orx::DER_OK &&
            cert.HasExtension(*text) != orx::DER_OK) {
            abort();
        }
    }
    std::string display;
    cert.GetNameDisplayName(orx::kSubject, display, 256);
    cert.MatchNameAny(orx::kIssuer, "cn=a*; o=b");
    cert.IsCA(true);
    std::string mail;
    cert.GetEmail(mail, 256, true);
    cert.GetEmail(mail, 256, false);
    if (cert.HasSmartCardLogon() && !cert.HasExtendedKeyUsage("1.3.6.1.4.1.311.20.2.2"))
        abort();

    std::vector<uint8_t> area(size + 1024);
    uint32_t count = static_cast<uint32_t>(area.size());
    std::vector<uint8_t> info(size);
    uint32_t infoCount = static_cast<uint32_t>(size);
    if (cert.GetInfo(info, &infoCount) != orx::DER_OK)
        abort();
    if (cert.Encode(area, &count) == orx::DER_OK) {
        orx::DerCertificate again;
        again.Decode(orx::DerBytes(area.data(), count));
    }
    // Setters on top of a decoded certificate.
    cert.SetSerialNumber(static_cast<uint32_t>(size));
    cert.SetNameText(orx::kSubject, display);
    return 0;
}
