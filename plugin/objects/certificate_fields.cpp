#include "objects/certificate_fields.h"

#include "core/hex_text.h"
#include "der/cert_handle.h"
#include "der/cert_inspection.h"
#include "der/der_reader.h"

namespace orx {

namespace {

constexpr size_t kNameCapacity = 4096;
constexpr size_t kTimeCapacity = 64;
constexpr std::string_view kKeyUsageOid = "2.5.29.15";

}  // namespace

uint8_t KeyUsageBits(std::span<const uint8_t> element) {
    // 04 len 03 len unused bits...: key usage never needs a long length form.
    if (element.size() < 5 || element[0] != 0x04 || element[1] != element.size() - 2 ||
        element[2] != 0x03 || element[3] != element.size() - 4 || element[3] < 1 || element[4] > 7)
        return 0;
    return element.size() > 5 ? element[5] : 0;
}

bool ReadCertificateFields(std::span<const uint8_t> der, CertificateFields& fields) {
    CertHandle handle = CertCreate(der);
    if (!handle)
        return false;
    fields = CertificateFields{};
    CertGetSubjectDisplayName(handle.get(), fields.subjectDisplay, kNameCapacity);
    handle->certificate.GetNameText(kSubject, fields.subjectText, kNameCapacity);
    handle->certificate.GetNameText(kIssuer, fields.issuerText, kNameCapacity);
    NameTextDisplayName(fields.issuerText, fields.issuerDisplay, kNameCapacity);
    // Only the INTEGER's content is the number, not its tag and length.
    DerElement serial;
    if (DerReader(handle->certificate.serialNumber()).ReadAnyElement(&serial))
        fields.serialHex = HexText(serial.content, HexCase::kUpper);
    CertGetValidity(handle.get(), fields.notBefore, kTimeCapacity, fields.notAfter, kTimeCapacity,
                    true);
    DerBytes usage;
    if (CertGetExtension(handle.get(), kKeyUsageOid, &usage))
        fields.keyUsage = KeyUsageBits(usage);
    return true;
}

}  // namespace orx
