// The per-user certificate stores ("MY", "AddressBook"): one DER file per
// certificate in $XDG_DATA_HOME/<prefix>/stores/<name>/. A certificate is known by
// its issuer and serial number; adding one replaces an earlier copy of it.
#pragma once

#include <cstdint>
#include <map>
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
    // Removes the files that a writer killed before its rename left in the folder.
    // Only for a writer that holds the lock under which every write into this store
    // is made: a live writer's file would go too.
    void RemoveUnfinishedWrites() const;

  private:
    std::string folder_;
};

// Many additions and removals over one reading of the store: the folder is read
// when the batch starts and kept in step with what the batch itself writes, so a
// token of a thousand certificates costs one pass instead of a thousand. New files
// take their names at Commit, after one flush of all their data, so that a crash
// leaves either the earlier copy or the whole new one. Changes made to the folder
// by others meanwhile are not seen.
class CertStoreBatch {
  public:
    explicit CertStoreBatch(const CertStore& store);
    ~CertStoreBatch();  // commits what is pending
    CertStoreBatch(const CertStoreBatch&) = delete;
    CertStoreBatch& operator=(const CertStoreBatch&) = delete;

    // True when these very bytes are stored or pending (not only a copy with their
    // issuer and serial number).
    bool Contains(DerBytes der) const;
    // True when a copy with the issuer and serial number of this certificate is
    // stored or pending, whatever its bytes.
    bool HasCopy(DerBytes der) const;
    // Prepares the certificate's file, which replaces every copy with its issuer
    // and serial number at Commit; false for bytes that are no certificate or when
    // the write failed.
    bool Add(DerBytes der);
    // Removes every copy with the issuer and serial number of this certificate,
    // a pending one too; true when one was removed.
    bool Remove(DerBytes der);
    // Gives the pending files their names; false when one of them failed (the
    // earlier copy of that one stays).
    bool Commit();
    // Stored copies, pending ones not counted.
    size_t size() const;

  private:
    struct Pending {
        std::string temp;
        StoredCertificate file;
        std::vector<uint8_t> key;
    };

    std::string folder_;
    bool folderMade_ = false;
    // Issuer and serial number -> every file holding a copy.
    std::map<std::vector<uint8_t>, std::vector<StoredCertificate>> copies_;
    std::vector<Pending> pending_;
};

// The current user's store of that name; none under the system account or for a
// name that is no plain file name.
std::optional<CertStore> OpenUserStore(std::string_view name);
// True when the store holds a certificate with the same issuer and serial number.
bool IsCertificateInStore(std::string_view storeName, DerBytes der);

}  // namespace orx
