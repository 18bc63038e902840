#include "der/cert_summary.h"

#include "core/hex_text.h"
#include "der/cert_inspection.h"
#include "der/der_key_pair.h"
#include "der/der_length.h"
#include "der/der_oid.h"
#include "der/der_result.h"

namespace orx {

namespace {

constexpr std::string_view kRsaEncryption = "1.2.840.113549.1.1.1";
// Names and times in a summary are never cut.
constexpr size_t kUnlimited = static_cast<size_t>(-1);

// "rsa <bits>" or "other <dotted algorithm>", read from the subject public key info.
std::string KeyText(DerBytes publicKeyInfo) {
    DerBytes content;
    DerBytes algorithm;
    DerBytes oid;
    std::string dotted;
    if (DerDecodeHeader(publicKeyInfo, &content) != DER_OK ||
        DerDecodeHeader(content, &algorithm) != DER_OK) {
        return "other ";
    }
    DerReader reader(algorithm);
    if (DerReadElement(reader, &oid) == DER_OK)
        DerOidToText(oid, dotted, kOidTextCapacity);
    if (dotted == kRsaEncryption) {
        DerKeyPair key;
        if (key.Decode(publicKeyInfo) == DER_OK)
            return "rsa " + std::to_string(DerBitLength(key.Value(RsaNumber::kModulus)));
    }
    return "other " + dotted;
}

void Line(std::string& out, std::string_view name, std::string_view value) {
    out.append(name).append(": ").append(value).push_back('\n');
}

}  // namespace

std::string CertSummary(const CertRecord& handle) {
    const DerCertificate& c = handle.certificate;
    std::string out;
    uint32_t version = 0;
    c.GetVersion(&version);
    Line(out, "version", std::to_string(static_cast<uint64_t>(version) + 1));
    DerBytes serial;
    DerDecodeHeader(c.serialNumber(), &serial);
    Line(out, "serial", HexText(serial));
    Line(out, "signature", c.signatureAlgorithm().text);
    const auto& issuer = c.NameText(kIssuer);
    const auto& subject = c.NameText(kSubject);
    Line(out, "issuer", issuer ? *issuer : std::string());
    Line(out, "subject", subject ? *subject : std::string());
    std::string notBefore;
    std::string notAfter;
    c.GetValidity(notBefore, kUnlimited, notAfter, kUnlimited);
    Line(out, "notBefore", notBefore);
    Line(out, "notAfter", notAfter);
    Line(out, "ca", c.IsCA(false) ? "1" : "0");
    Line(out, "selfIssued", c.selfIssued() ? "1" : "0");
    Line(out, "expired", c.IsExpired() ? "1" : "0");
    std::string value;
    c.GetEmail(value, kUnlimited, true);
    Line(out, "email", value);
    c.GetEmail(value, kUnlimited, false);
    Line(out, "upn", value);
    Line(out, "smartCardLogon", c.HasSmartCardLogon() ? "1" : "0");
    Line(out, "key", KeyText(c.publicKeyInfo()));
    for (size_t i = 0; i < kMaxExtensions; ++i) {
        const ExtensionRecord& record = c.extension(i);
        if (record.text.empty())
            break;
        Line(out, "extension", record.critical ? record.text + " critical" : record.text);
    }
    CertGetSubjectDisplayName(&handle, value, kUnlimited);
    Line(out, "displayName", value);
    return out;
}

}  // namespace orx
