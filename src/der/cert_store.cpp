#include "der/cert_store.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/file_helpers.h"
#include "core/os/folders.h"
#include "core/sha1.h"
#include "core/system_account.h"
#include "core/trace.h"
#include "der/der_certificate.h"
#include "der/der_result.h"

namespace orx {

namespace {

constexpr std::string_view kStoreFileSuffix = ".cer";

bool SameBytes(DerBytes a, DerBytes b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

bool SameIssuerAndSerial(const DerCertificate& a, const DerCertificate& b) {
    return SameBytes(a.NameElement(kIssuer), b.NameElement(kIssuer)) &&
           SameBytes(a.serialNumber(), b.serialNumber());
}

// Issuer and serial number name the file, so a second copy lands on the first.
std::string FileNameFor(const DerCertificate& certificate) {
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, certificate.NameElement(kIssuer));
    Sha1Update(context, certificate.serialNumber());
    Sha1Digest digest;
    Sha1Final(context, digest);
    static const char* digits = "0123456789abcdef";
    std::string name;
    for (uint8_t b : digest) {
        name.push_back(digits[b >> 4]);
        name.push_back(digits[b & 15]);
    }
    return name.append(kStoreFileSuffix);
}

std::vector<std::string> StoreFiles(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() > kStoreFileSuffix.size() && name.ends_with(kStoreFileSuffix) &&
            name[0] != '.') {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::vector<StoredCertificate> CertStore::List() const {
    std::vector<StoredCertificate> result;
    for (const std::string& name : StoreFiles(folder_)) {
        StoredCertificate stored{folder_ + name, {}};
        if (ReadWholeFile(stored.der, stored.path) == 0)
            continue;
        DerCertificate certificate;
        if (certificate.Decode(stored.der) == DER_OK)
            result.push_back(std::move(stored));
    }
    return result;
}

std::optional<StoredCertificate> CertStore::Find(DerBytes der) const {
    DerCertificate wanted;
    if (wanted.Decode(der) != DER_OK)
        return std::nullopt;
    for (StoredCertificate& stored : List()) {
        DerCertificate candidate;
        if (candidate.Decode(stored.der) == DER_OK && SameIssuerAndSerial(candidate, wanted))
            return std::move(stored);
    }
    return std::nullopt;
}

bool CertStore::Add(DerBytes der) {
    DerCertificate certificate;
    if (certificate.Decode(der) != DER_OK)
        return false;
    DerBytes data;
    certificate.GetData(&data);
    if (!CreatePath(folder_, 0700))
        return false;
    const std::string path = folder_ + FileNameFor(certificate);
    const int rc = ReplaceFileContents(
        path, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()),
        {.newFileMode = 0600});
    if (rc != 0) {
        Trace("Helper - Failed to write file '%s'", path.c_str());
        return false;
    }
    // Copies put there under another name go, so the store holds one.
    for (const StoredCertificate& stored : List()) {
        DerCertificate other;
        if (stored.path != path && other.Decode(stored.der) == DER_OK &&
            SameIssuerAndSerial(other, certificate)) {
            ::unlink(stored.path.c_str());
        }
    }
    return true;
}

bool CertStore::Remove(DerBytes der) {
    DerCertificate wanted;
    if (wanted.Decode(der) != DER_OK)
        return false;
    bool removed = false;
    for (const StoredCertificate& stored : List()) {
        DerCertificate candidate;
        if (candidate.Decode(stored.der) == DER_OK && SameIssuerAndSerial(candidate, wanted) &&
            ::unlink(stored.path.c_str()) == 0) {
            removed = true;
        }
    }
    return removed;
}

std::optional<CertStore> OpenUserStore(std::string_view name) {
    if (IsSystemAccount())
        return std::nullopt;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos)
        return std::nullopt;
    const std::string base = GetUserStateFolder();
    if (base.empty())
        return std::nullopt;
    return CertStore(base + "stores/" + std::string(name) + "/");
}

bool IsCertificateInStore(std::string_view storeName, DerBytes der) {
    DerCertificate certificate;
    if (der.empty() || certificate.Decode(der) != DER_OK)
        return false;
    const std::optional<CertStore> store = OpenUserStore(storeName);
    return store && store->Find(der).has_value();
}

}  // namespace orx
