// libs: orxcore orxder
// Certificate handles from text that arrives as Base64 or PEM (token entries,
// files, the clipboard): whatever makes a handle must print, clone and compare
// equal to the handle made from its own DER bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "der/cert_handle.h"
#include "der/cert_inspection.h"
#include "der/cert_summary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const orx::CertHandle handle = orx::CertCreate(text);
    if (!handle)
        return 0;
    const std::string summary = orx::CertSummary(*handle);
    if (summary.rfind("version: ", 0) != 0)
        abort();
    orx::DerBytes der;
    if (!orx::CertGetData(handle.get(), &der))
        abort();
    const orx::CertHandle fromDer = orx::CertCreate(der);
    const orx::CertHandle clone = orx::CertClone(handle);
    if (!fromDer || !clone || !orx::CertEqual(handle.get(), fromDer.get()) ||
        !orx::CertEqual(clone.get(), handle.get()) || orx::CertSummary(*clone) != summary) {
        abort();
    }
    std::string value;
    orx::CertGetEmail(handle.get(), value, 64, true);
    orx::CertGetEmail(handle.get(), value, 64, false);
    std::string before;
    std::string after;
    orx::CertGetValidity(handle.get(), before, 32, after, 32, true);
    orx::CertIsTimeValid(handle.get());
    return 0;
}
