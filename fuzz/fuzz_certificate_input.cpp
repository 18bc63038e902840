// libs: orxmodule
// The "Certificate" value of WriteCertificate and DeleteCertificate: any text,
// Base64, PEM or neither, must give a certificate that both decoders accept or an
// error, and what is accepted must have readable fields.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "objects/certificate_fields.h"
#include "objects/certificate_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> der;
    const int result = orx::ReadCertificateInput(text, der);
    if (result == CKR_OK) {
        orx::CertificateFields fields;
        if (!orx::IsCertificateDer(der) || !orx::ReadCertificateFields(der, fields))
            __builtin_trap();
    } else if (!der.empty()) {
        __builtin_trap();
    }
    return 0;
}
