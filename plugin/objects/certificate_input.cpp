#include "objects/certificate_input.h"

#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <optional>
#include <string>

#include "core/string_helpers.h"
#include "der/cert_handle.h"
#include "properties/base64_text.h"
#include "tokenfile/token_objects.h"

namespace orx {

namespace {

constexpr std::string_view kBegin = "-----BEGIN ";
constexpr std::string_view kDashes = "-----";

// The first PEM block: its type ("CERTIFICATE") and its Base64 body.
bool SplitPem(std::string_view text, std::string& type, std::string_view& body) {
    const size_t begin = text.find(kBegin);
    if (begin == std::string_view::npos)
        return false;
    const size_t typeStart = begin + kBegin.size();
    const size_t typeEnd = text.find(kDashes, typeStart);
    if (typeEnd == std::string_view::npos)
        return false;
    type = std::string(text.substr(typeStart, typeEnd - typeStart));
    const size_t bodyStart = typeEnd + kDashes.size();
    const size_t end = text.find("-----END " + type + kDashes.data(), bodyStart);
    if (end == std::string_view::npos)
        return false;
    body = text.substr(bodyStart, end - bodyStart);
    return true;
}

bool IsContainer(const std::vector<uint8_t>& bytes) {
    const unsigned char* at = bytes.data();
    if (PKCS12* p12 = d2i_PKCS12(nullptr, &at, static_cast<long>(bytes.size()))) {
        PKCS12_free(p12);
        return true;
    }
    at = bytes.data();
    if (PKCS7* p7 = d2i_PKCS7(nullptr, &at, static_cast<long>(bytes.size()))) {
        PKCS7_free(p7);
        return true;
    }
    return false;
}

int FromPem(std::string_view text, std::vector<uint8_t>& der) {
    std::string type;
    std::string_view body;
    if (!SplitPem(text, type, body))
        return CKR_ATTRIBUTE_VALUE_INVALID;
    if (type == "PKCS7" || type == "PKCS12" || type == "CMS")
        return kCertificateInputContainer;
    if (type != "CERTIFICATE" && type != "X509 CERTIFICATE" && type != "TRUSTED CERTIFICATE")
        return CKR_ATTRIBUTE_VALUE_INVALID;
    std::optional<std::vector<uint8_t>> bytes = Base64DecodeStrict(body);
    if (!bytes)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    der = std::move(*bytes);
    return CKR_OK;
}

}  // namespace

bool IsCertificateDer(const std::vector<uint8_t>& der) {
    if (der.empty() || der.size() > kMaxCertificateSize)
        return false;
    const unsigned char* at = der.data();
    X509* certificate = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
    if (!certificate)
        return false;
    X509_free(certificate);
    return at == der.data() + der.size();
}

int ReadCertificateInput(std::string_view text, std::vector<uint8_t>& der) {
    der.clear();
    if (Trim(text, " \t\r\n").empty())
        return CKR_ARGUMENTS_BAD;
    if (text.size() > kMaxCertificateText)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    int result = CKR_OK;
    if (text.find(kBegin) != std::string_view::npos) {
        result = FromPem(text, der);
    } else {
        std::optional<std::vector<uint8_t>> bytes = Base64DecodeStrict(text);
        if (!bytes)
            return CKR_ATTRIBUTE_VALUE_INVALID;
        const std::string_view decoded(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        if (decoded.starts_with(kBegin)) {
            result = FromPem(decoded, der);  // a PEM file handed over as bytes
        } else if (bytes->size() > 0 && ((*bytes)[0] == 'M' || (*bytes)[0] == 'm')) {
            // The file was Base64 text itself and came Base64-encoded once more.
            std::optional<std::vector<uint8_t>> inner = Base64DecodeStrict(decoded);
            der = inner ? std::move(*inner) : std::move(*bytes);
        } else {
            der = std::move(*bytes);
        }
    }
    if (result != CKR_OK)
        return result;
    if (IsCertificateDer(der) && CertCreate(std::span<const uint8_t>(der)))
        return CKR_OK;
    const bool container = IsContainer(der);
    der.clear();
    return container ? kCertificateInputContainer : CKR_ATTRIBUTE_VALUE_INVALID;
}

}  // namespace orx
