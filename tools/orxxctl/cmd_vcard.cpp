// cert vcard: the business card of a certificate file, as the Search Certificates
// dialog exports it.
#include <cstdint>
#include <string>
#include <vector>

#include "command.h"
#include "core/base64.h"
#include "der/der_certificate.h"
#include "directory/vcard_writer.h"

namespace orxctl {
namespace {

int RunVCard(const Arguments& arguments) {
    if (arguments.size() != 2)
        return Usage("cert vcard");
    std::string input;
    if (!ReadInput(arguments[0], input))
        return Fail("cannot read '" + arguments[0] + "'");
    // DER begins with a SEQUENCE; anything else is taken as Base64 or PEM text.
    std::vector<uint8_t> der(input.begin(), input.end());
    if (der.empty() || der[0] != 0x30)
        der = orx::Base64Decode(input);
    orx::DerCertificate certificate;
    if (der.empty() || certificate.Decode(der) != 0)
        return Fail("'" + arguments[0] + "' holds no certificate");
    if (!orx::WriteVCard(arguments[1], certificate))
        return Fail("cannot write '" + arguments[1] + "'");
    return kExitOk;
}

const bool registered = RegisterCommand({"cert vcard", "  cert vcard FILE OUT\n", &RunVCard});

}  // namespace
}  // namespace orxctl
