// The per-user certificate stores ("MY", "AddressBook"): one DER file per
// certificate in $XDG_DATA_HOME/<prefix>/stores/<name>/. A certificate is known by
// its issuer and serial number; adding one replaces an earlier copy of it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "der/der_reader.h"

namespace orx {

struct StoredCertificate {
    std::string path;
    std::vector<uint8_t> der;
};

class CertStore {
  public:
    explicit CertStore(std::string folder) : folder_(std::move(folder)) {}

    const std::string& folder() const { return folder_; }
    // Every file of the store that decodes as a certificate, ordered by file name.
    std::vector<StoredCertificate> List() const;
    // The stored copy with the issuer and serial number of this certificate.
    std::optional<StoredCertificate> Find(DerBytes der) const;
    // Writes the certificate, replacing a copy with its issuer and serial number;
    // false for bytes that are no certificate or when the write failed (an earlier
    // copy then stays as it was).
    bool Add(DerBytes der);
    // Removes every copy with the issuer and serial number of this certificate;
    // true when one was removed.
    bool Remove(DerBytes der);

  private:
    std::string folder_;
};

// The current user's store of that name; none under the system account or for a
// name that is no plain file name.
std::optional<CertStore> OpenUserStore(std::string_view name);
// True when the store holds a certificate with the same issuer and serial number.
bool IsCertificateInStore(std::string_view storeName, DerBytes der);

}  // namespace orx
