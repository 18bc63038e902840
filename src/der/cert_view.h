// Showing a certificate to the user: the client program opens a temporary ".cer"
// file in the process's private temporary folder.
#pragma once

#include <span>

#include "der/cert_handle.h"

namespace orx {

// With an owner window the client program shows the file, is waited for and the
// file deleted; without one the client program is started and owns the file.
void CertView(void* owner, const CertRecord* handle);
// The viewing step: 0, or 6 when no file could be written or nothing started.
int ViewCertificateBytes(void* owner, std::span<const uint8_t> bytes);

}  // namespace orx
