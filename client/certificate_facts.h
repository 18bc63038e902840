// What the certificate window shows, read from a certificate file's bytes with the
// program's own certificate codec: every field as display text, so that the window
// only lays them out and tests can compare them without a window.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <vector>

namespace orx {

enum class ValidityState { Valid, Expired, NotYetValid };

struct ExtensionFacts {
    std::string oid;   // dotted
    std::string name;  // the extension's name, or the dotted identifier when unknown
    bool critical = false;
    std::string value;  // decoded for the common ones, otherwise the value bytes in hex
};

struct CertificateFacts {
    std::vector<uint8_t> der;     // the encoded certificate
    int version = 0;              // 1, 2 or 3
    std::string subjectText;      // name text: "2.5.4.6=SE, 2.5.4.3=Jane Doe"
    std::string subjectReadable;  // "C=SE, CN=Jane Doe"
    std::string subjectDisplayName;
    std::string issuerText;
    std::string issuerReadable;
    std::string issuerDisplayName;
    std::string notBeforeStored;  // the time texts as stored ("261205161345Z")
    std::string notAfterStored;
    std::string notBefore;  // "2026-12-05 16:13:45 UTC"
    std::string notAfter;
    ValidityState validity = ValidityState::Valid;
    std::string serial;              // "71:7f:3d" (content bytes without a sign octet)
    std::string signatureAlgorithm;  // "sha256WithRSAEncryption" or dotted
    std::string sha1;                // "AB:CD:..."
    std::string sha256;
    std::string keyType;  // "RSA", "EC (prime256v1)", ... or dotted
    int keyBits = 0;      // 0 when unknown
    std::vector<ExtensionFacts> extensions;
};

// The certificate in DER, Base64 or PEM form. False when the bytes hold no
// certificate that the codec can decode.
bool ReadCertificateFacts(std::span<const uint8_t> bytes, time_t now, CertificateFacts* facts);

// "YYMMDDHHMMSSZ" (UTCTime, 50-99 are the 1900s) or "YYYYMMDDHHMMSSZ"; false for
// anything else.
bool ParseCertificateTime(const std::string& text, time_t* seconds);

// The PEM armour of a DER certificate, 64 characters a line.
std::string PemCertificate(std::span<const uint8_t> der);

}  // namespace orx
