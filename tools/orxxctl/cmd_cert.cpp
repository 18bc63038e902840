// orxxctl cert: a certificate file (DER, Base64 or PEM) as the program reads it.
#include <cerrno>
#include <cstring>
#include <string>

#include "commands.h"
#include "der/cert_handle.h"
#include "der/cert_summary.h"

namespace orxctl {

int RunCertShow(const Arguments& arguments) {
    if (arguments.size() != 1)
        return Usage("cert");
    const std::string& path = arguments[0];
    std::string bytes;
    errno = 0;
    if (!ReadInput(path, bytes)) {
        const int error = errno;
        return Fail("cannot read '" + path + "'" +
                    (error != 0 ? std::string(": ") + std::strerror(error) : ""));
    }
    const orx::CertHandle handle = orx::CertCreate(std::string_view(bytes));
    if (!handle)
        return Fail("'" + path + "' holds no certificate that can be decoded");
    return WriteOutput(orx::CertSummary(*handle)) ? kExitOk : Fail("cannot write the output");
}

}  // namespace orxctl
