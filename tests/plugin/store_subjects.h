// The subjects of the certificates in one of the user's stores, sorted: ECDSA
// signatures differ each time a test certificate is made, so the names are what
// tells them apart.
#pragma once

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "der/cert_inspection.h"
#include "der/cert_store.h"

namespace orx::testing {

inline std::vector<std::string> SubjectsInStore(std::string_view name) {
    std::vector<std::string> subjects;
    std::optional<CertStore> store = OpenUserStore(name);
    if (!store)
        return subjects;
    for (const StoredCertificate& item : store->List()) {
        CertHandle handle = CertCreate(std::span<const uint8_t>(item.der));
        std::string subject;
        if (handle && CertGetSubjectDisplayName(handle.get(), subject, 256))
            subjects.push_back(subject);
    }
    std::sort(subjects.begin(), subjects.end());
    return subjects;
}

}  // namespace orx::testing
