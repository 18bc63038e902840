#include "client/certificate_facts.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>

#include "client/client_texts.h"
#include "core/base64.h"
#include "core/hex_text.h"
#include "core/language.h"
#include "core/trace.h"
#include "der/cert_handle.h"
#include "der/der_algorithm.h"
#include "der/der_certificate.h"
#include "der/der_extension_text.h"
#include "der/der_key_pair.h"
#include "der/der_length.h"
#include "der/der_name_text.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {
namespace {

constexpr size_t kNameCapacity = 1024;

struct Named {
    std::string_view oid;
    std::string_view name;
};

constexpr Named kSignatureAlgorithms[] = {
    {"1.2.840.113549.1.1.5", "sha1WithRSAEncryption"},
    {"1.2.840.113549.1.1.11", "sha256WithRSAEncryption"},
    {"1.2.840.113549.1.1.12", "sha384WithRSAEncryption"},
    {"1.2.840.113549.1.1.13", "sha512WithRSAEncryption"},
    {"1.2.840.113549.1.1.10", "rsassaPss"},
    {"1.2.840.10045.4.3.2", "ecdsa-with-SHA256"},
    {"1.2.840.10045.4.3.3", "ecdsa-with-SHA384"},
    {"1.2.840.10045.4.3.4", "ecdsa-with-SHA512"},
    {"1.3.101.112", "ED25519"},
    {"1.3.101.113", "ED448"},
};

constexpr Named kKeyTypes[] = {
    {"1.2.840.113549.1.1.1", "RSA"}, {"1.2.840.10045.2.1", "EC"},
    {"1.3.101.112", "Ed25519"},      {"1.3.101.113", "Ed448"},
    {"1.2.840.10040.4.1", "DSA"},    {"1.2.840.113549.1.1.10", "RSA-PSS"},
};

constexpr struct {
    std::string_view oid;
    int textId;
} kExtensionNames[] = {
    {"2.5.29.15", kTextKeyUsage},
    {"2.5.29.37", kTextExtendedKeyUsage},
    {"2.5.29.17", kTextSubjectAltName},
    {"2.5.29.18", kTextIssuerAltName},
    {"2.5.29.19", kTextBasicConstraints},
    {"2.5.29.14", kTextSubjectKeyId},
    {"2.5.29.35", kTextAuthorityKeyId},
    {"2.5.29.31", kTextCrlDistribution},
    {"2.5.29.32", kTextCertificatePolicies},
    {"1.3.6.1.5.5.7.1.1", kTextAuthorityInfoAccess},
};

constexpr Named kCurves[] = {
    {"1.2.840.10045.3.1.7", "prime256v1"},
    {"1.3.132.0.34", "secp384r1"},
    {"1.3.132.0.35", "secp521r1"},
};

std::string NameOf(std::span<const Named> table, std::string_view oid) {
    for (const Named& entry : table) {
        if (entry.oid == oid)
            return std::string(entry.name);
    }
    return std::string(oid);
}

// The extension's name in the program's language; its dotted identifier when it
// is not one of the common ones.
std::string ExtensionName(const std::string& oid) {
    for (const auto& known : kExtensionNames) {
        if (known.oid == oid)
            return GetText(known.textId);
    }
    return oid;
}

// "AB:CD:...", as fingerprints and key identifiers are written.
std::string ColonHex(DerBytes bytes, HexCase letters = HexCase::kUpper) {
    return HexText(bytes, letters, ":");
}

std::string Digest(const EVP_MD* md, std::span<const uint8_t> bytes) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), out, &length, md, nullptr) != 1)
        return {};
    return ColonHex(DerBytes(out, length));
}

std::string TimeDisplay(time_t seconds) {
    tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d UTC", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

// Lower-case "aa:bb" of the serial's content without the octet that only keeps
// the number positive.
std::string SerialText(DerBytes element) {
    DerBytes content;
    if (DerDecodeHeader(element, &content) != DER_OK)
        return {};
    if (content.size() > 1 && content[0] == 0 && (content[1] & 0x80) != 0)
        content = content.subspan(1);
    return ColonHex(content, HexCase::kLower);
}

// Key type from the SubjectPublicKeyInfo's algorithm; RSA's size from the modulus
// the codec reads, other sizes from the curve or, failing that, from libcrypto.
void ReadKey(const DerCertificate& certificate, CertificateFacts* facts) {
    const DerBytes info = certificate.publicKeyInfo();
    DerBytes content;
    if (DerDecodeHeader(info, &content) != DER_OK)
        return;
    DerReader reader(content);
    DerBytes algorithmElement;
    AlgorithmInfo algorithm;
    if (DerReadElement(reader, &algorithmElement) != DER_OK ||
        DerDecodeAlgorithm(algorithmElement, &algorithm) != DER_OK) {
        return;
    }
    facts->keyType = NameOf(kKeyTypes, algorithm.text);
    if (algorithm.text == kOidRsaEncryption) {
        uint32_t modulusLength = 0;
        uint32_t exponentLength = 0;
        if (certificate.GetPublicKey(DerArea(), &modulusLength, DerArea(), &exponentLength) ==
            DER_OK) {
            std::vector<uint8_t> modulus(modulusLength);
            std::vector<uint8_t> exponent(exponentLength);
            if (certificate.GetPublicKey(modulus, &modulusLength, exponent, &exponentLength) ==
                DER_OK) {
                facts->keyBits =
                    static_cast<int>(DerBitLength(DerBytes(modulus).first(modulusLength)));
            }
        }
        return;
    }
    if (algorithm.text == "1.2.840.10045.2.1") {
        std::string curve;
        if (DerTag(algorithm.parameters) == kTagOid &&
            DerOidToText(algorithm.parameters, curve, kOidTextCapacity) == DER_OK) {
            facts->keyType += " (" + NameOf(kCurves, curve) + ")";
        }
    }
    const unsigned char* p = info.data();
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        d2i_PUBKEY(nullptr, &p, static_cast<long>(info.size())), EVP_PKEY_free);
    if (key)
        facts->keyBits = EVP_PKEY_get_bits(key.get());
}

}  // namespace

bool ParseCertificateTime(const std::string& text, time_t* seconds) {
    int year = 0;
    size_t digits = 0;
    if (text.size() == 13 && text.back() == 'Z') {
        digits = 12;
    } else if (text.size() == 15 && text.back() == 'Z') {
        digits = 14;
    } else {
        return false;
    }
    for (size_t i = 0; i < digits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    auto number = [&](size_t at, size_t count) { return std::stoi(text.substr(at, count)); };
    size_t at = 0;
    if (digits == 12) {
        year = number(0, 2);
        year += year >= 50 ? 1900 : 2000;
        at = 2;
    } else {
        year = number(0, 4);
        at = 4;
    }
    tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = number(at, 2) - 1;
    utc.tm_mday = number(at + 2, 2);
    utc.tm_hour = number(at + 4, 2);
    utc.tm_min = number(at + 6, 2);
    utc.tm_sec = number(at + 8, 2);
    if (utc.tm_mon < 0 || utc.tm_mon > 11 || utc.tm_mday < 1 || utc.tm_mday > 31 ||
        utc.tm_hour > 23 || utc.tm_min > 59 || utc.tm_sec > 60) {
        return false;
    }
    *seconds = timegm(&utc);
    return true;
}

std::string PemCertificate(std::span<const uint8_t> der) {
    const std::string base64 = Base64Encode(der);
    std::string pem = "-----BEGIN CERTIFICATE-----\n";
    for (size_t i = 0; i < base64.size(); i += 64)
        pem += base64.substr(i, 64) + "\n";
    pem += "-----END CERTIFICATE-----\n";
    return pem;
}

bool ReadCertificateFacts(std::span<const uint8_t> bytes, time_t now, CertificateFacts* facts) {
    *facts = CertificateFacts();
    // DER, or its Base64 text or PEM block, as every certificate of the program.
    CertHandle handle = CertCreate(bytes);
    if (!handle) {
        Trace("Client - No certificate in %u bytes", static_cast<unsigned>(bytes.size()));
        return false;
    }
    DerCertificate& certificate = handle->certificate;
    DerBytes data;
    certificate.GetData(&data);
    facts->der.assign(data.begin(), data.end());

    uint32_t version = 0;
    certificate.GetVersion(&version);
    facts->version = static_cast<int>(version) + 1;
    certificate.GetNameText(kSubject, facts->subjectText, kNameCapacity);
    certificate.GetNameText(kIssuer, facts->issuerText, kNameCapacity);
    facts->subjectReadable = ReadableName(facts->subjectText);
    facts->issuerReadable = ReadableName(facts->issuerText);
    certificate.GetNameDisplayName(kSubject, facts->subjectDisplayName, kNameCapacity);
    certificate.GetNameDisplayName(kIssuer, facts->issuerDisplayName, kNameCapacity);

    certificate.GetValidity(facts->notBeforeStored, 32, facts->notAfterStored, 32);
    time_t notBefore = 0;
    time_t notAfter = 0;
    const bool haveBefore = ParseCertificateTime(facts->notBeforeStored, &notBefore);
    const bool haveAfter = ParseCertificateTime(facts->notAfterStored, &notAfter);
    facts->notBefore = haveBefore ? TimeDisplay(notBefore) : facts->notBeforeStored;
    facts->notAfter = haveAfter ? TimeDisplay(notAfter) : facts->notAfterStored;
    if (haveBefore && now < notBefore) {
        facts->validity = ValidityState::NotYetValid;
    } else if (haveAfter && now > notAfter) {
        facts->validity = ValidityState::Expired;
    }

    facts->serial = SerialText(certificate.serialNumber());
    facts->signatureAlgorithm = NameOf(kSignatureAlgorithms, certificate.signatureAlgorithm().text);
    facts->sha1 = Digest(EVP_sha1(), facts->der);
    facts->sha256 = Digest(EVP_sha256(), facts->der);
    ReadKey(certificate, facts);

    for (size_t i = 0; i < kMaxExtensions; ++i) {
        const ExtensionRecord& record = certificate.extension(i);
        if (record.text.empty())
            break;
        ExtensionFacts extension;
        extension.oid = record.text;
        extension.critical = record.critical;
        extension.name = ExtensionName(record.text);
        DerBytes value;
        if (DerDecodeHeader(record.value, &value) != DER_OK)
            value = {};
        if (!ExtensionValueText(record.text, value, extension.value))
            extension.value = ColonHex(value);
        facts->extensions.push_back(std::move(extension));
    }
    return true;
}

}  // namespace orx
