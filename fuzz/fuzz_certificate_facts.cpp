// libs: orxclientfacts
// What the client program's certificate window reads from a file handed to it:
// any bytes (DER, Base64, PEM) must give either a refusal or complete facts, and
// the extension texts must stay inside the values they decode.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "client/certificate_facts.h"
#include "der/der_extension_text.h"
#include "der/der_name_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    orx::CertificateFacts facts;
    if (orx::ReadCertificateFacts(bytes, 1800000000, &facts)) {
        if (facts.der.empty() || facts.sha1.size() != 59 || facts.sha256.size() != 95)
            abort();
        for (const orx::ExtensionFacts& e : facts.extensions) {
            if (e.oid.empty() || e.name.empty())
                abort();
        }
        orx::PemCertificate(facts.der);
    }
    // The same bytes as the value of each common extension.
    for (const char* oid :
         {"2.5.29.15", "2.5.29.37", "2.5.29.17", "2.5.29.19", "2.5.29.14", "2.5.29.35"}) {
        std::string text;
        orx::ExtensionValueText(oid, bytes, text);
    }
    orx::ReadableName(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
