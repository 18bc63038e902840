// cert vcard: the business card of a certificate file, as the Search Certificates
// dialog exports it.
#include <cstdint>
#include <span>
#include <string>

#include "commands.h"
#include "der/cert_handle.h"
#include "directory/vcard_writer.h"

namespace orxctl {

int RunCertVCard(const Arguments& arguments) {
    if (arguments.size() != 2)
        return Usage("cert");
    std::string input;
    if (!ReadInput(arguments[0], input))
        return Fail("cannot read '" + arguments[0] + "'");
    // DER, Base64 or PEM alike.
    const orx::CertHandle certificate =
        orx::CertCreate(std::span(reinterpret_cast<const uint8_t*>(input.data()), input.size()));
    if (!certificate)
        return Fail("'" + arguments[0] + "' holds no certificate");
    if (!orx::WriteVCard(arguments[1], certificate->certificate))
        return Fail("cannot write '" + arguments[1] + "'");
    return kExitOk;
}

}  // namespace orxctl
