// libs: orxcore orxder
// Names from certificates of any origin: the text of a name element, then that text
// built back into a name, must never read or write outside their bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "der/der_certificate.h"
#include "der/der_name_text.h"
#include "der/der_result.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text;
    orx::DerNameToText(orx::DerBytes(data, size), text, 4 * size + 64);
    if (text.size() >= 4 * size + 64)
        abort();
    orx::DerCertificate cert;
    if (cert.SetNameText(orx::kSubject, text) == orx::DER_OK) {
        std::string again;
        cert.GetNameText(orx::kSubject, again, 4096);
        std::string display;
        cert.GetNameDisplayName(orx::kSubject, display, 256);
        if (display.size() >= 256)
            abort();
    }
    // The raw bytes as a text, too.
    orx::DerCertificate raw;
    raw.SetNameText(orx::kIssuer, std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
