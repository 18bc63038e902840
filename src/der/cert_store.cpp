#include "der/cert_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "core/file_helpers.h"
#include "core/hex_text.h"
#include "core/os/folders.h"
#include "core/sha1.h"
#include "core/system_account.h"
#include "core/trace.h"
#include "der/der_certificate.h"
#include "der/der_result.h"

namespace orx {

namespace {

constexpr std::string_view kStoreFileSuffix = ".cer";

// Issuer and serial number, one after the other: the issuer is a whole DER
// element, so where it ends is unambiguous.
std::vector<uint8_t> KeyOf(const DerCertificate& certificate) {
    const DerBytes issuer = certificate.NameElement(kIssuer);
    const DerBytes serial = certificate.serialNumber();
    std::vector<uint8_t> key(issuer.begin(), issuer.end());
    key.insert(key.end(), serial.begin(), serial.end());
    return key;
}

// Issuer and serial number name the file, so a second copy lands on the first.
std::string FileNameFor(const DerCertificate& certificate) {
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, certificate.NameElement(kIssuer));
    Sha1Update(context, certificate.serialNumber());
    Sha1Digest digest;
    Sha1Final(context, digest);
    return HexText(digest).append(kStoreFileSuffix);
}

// A new file before its rename: "." + the file's name + "." + mkstemp's six characters.
bool IsUnfinishedWrite(std::string_view name) {
    constexpr size_t kTempChars = 6;
    if (name.size() < 1 + kStoreFileSuffix.size() + 1 + kTempChars || name[0] != '.')
        return false;
    const std::string_view stored = name.substr(1, name.size() - 1 - 1 - kTempChars);
    if (!stored.ends_with(kStoreFileSuffix) || name[name.size() - 1 - kTempChars] != '.')
        return false;
    for (const char c : name.substr(name.size() - kTempChars)) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    }
    return stored.size() > kStoreFileSuffix.size() && stored.find('/') == std::string_view::npos;
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
        if (!ReadWholeFile(stored.path, stored.der))
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
    const std::vector<uint8_t> key = KeyOf(wanted);
    for (StoredCertificate& stored : List()) {
        DerCertificate candidate;
        if (candidate.Decode(stored.der) == DER_OK && KeyOf(candidate) == key)
            return std::move(stored);
    }
    return std::nullopt;
}

bool CertStore::Add(DerBytes der) {
    CertStoreBatch batch(*this);
    return batch.Add(der) && batch.Commit();
}

bool CertStore::Remove(DerBytes der) {
    return CertStoreBatch(*this).Remove(der);
}

void CertStore::RemoveUnfinishedWrites() const {
    DIR* dir = ::opendir(folder_.c_str());
    if (dir == nullptr)
        return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsUnfinishedWrite(entry->d_name))
            stale.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const std::string& name : stale)
        ::unlink((folder_ + name).c_str());
}

CertStoreBatch::CertStoreBatch(const CertStore& store) : folder_(store.folder()) {
    for (StoredCertificate& stored : store.List()) {
        DerCertificate certificate;
        if (certificate.Decode(stored.der) == DER_OK)
            copies_[KeyOf(certificate)].push_back(std::move(stored));
    }
}

CertStoreBatch::~CertStoreBatch() {
    Commit();
}

bool CertStoreBatch::Contains(DerBytes der) const {
    DerCertificate certificate;
    if (certificate.Decode(der) != DER_OK)
        return false;
    DerBytes data;
    certificate.GetData(&data);
    auto same = [&](const StoredCertificate& stored) {
        return std::equal(stored.der.begin(), stored.der.end(), data.begin(), data.end());
    };
    const std::vector<uint8_t> key = KeyOf(certificate);
    for (const Pending& pending : pending_) {
        if (pending.key == key)
            return same(pending.file);  // it replaces what is stored
    }
    const auto found = copies_.find(key);
    return found != copies_.end() && std::any_of(found->second.begin(), found->second.end(), same);
}

bool CertStoreBatch::HasCopy(DerBytes der) const {
    DerCertificate certificate;
    if (certificate.Decode(der) != DER_OK)
        return false;
    const std::vector<uint8_t> key = KeyOf(certificate);
    return copies_.count(key) != 0 ||
           std::any_of(pending_.begin(), pending_.end(),
                       [&](const Pending& pending) { return pending.key == key; });
}

bool CertStoreBatch::Add(DerBytes der) {
    DerCertificate certificate;
    if (certificate.Decode(der) != DER_OK)
        return false;
    DerBytes data;
    certificate.GetData(&data);
    if (!folderMade_ && !CreatePath(folder_, 0700))
        return false;
    folderMade_ = true;
    const std::string name = FileNameFor(certificate);
    Pending pending{folder_ + "." + name + ".XXXXXX", {folder_ + name, {}}, KeyOf(certificate)};
    pending.file.der.assign(data.begin(), data.end());
    const int fd = ::mkstemp(pending.temp.data());  // mode 0600
    bool written =
        fd >= 0 && WriteAllBytes(fd, std::string_view(reinterpret_cast<const char*>(data.data()),
                                                      data.size()));
    if (fd >= 0 && ::close(fd) != 0)
        written = false;
    if (!written) {
        if (fd >= 0)
            ::unlink(pending.temp.c_str());
        Trace("Helper - Failed to write file '%s'", pending.file.path.c_str());
        return false;
    }
    // A second copy in the same batch takes the place of the first.
    for (Pending& earlier : pending_) {
        if (earlier.key == pending.key) {
            ::unlink(earlier.temp.c_str());
            earlier = std::move(pending);
            return true;
        }
    }
    pending_.push_back(std::move(pending));
    return true;
}

bool CertStoreBatch::Commit() {
    if (pending_.empty())
        return true;
    std::vector<Pending> pending = std::move(pending_);
    pending_.clear();
    const int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // One flush for all the new files instead of one each: their data is on disk
    // before any of them takes its name.
    if (folder < 0 || ::syncfs(folder) != 0) {
        for (const Pending& item : pending) {
            ::unlink(item.temp.c_str());
            Trace("Helper - Failed to write file '%s'", item.file.path.c_str());
        }
        if (folder >= 0)
            ::close(folder);
        return false;
    }
    bool ok = true;
    for (Pending& item : pending) {
        if (::rename(item.temp.c_str(), item.file.path.c_str()) != 0) {
            ::unlink(item.temp.c_str());
            Trace("Helper - Failed to write file '%s'", item.file.path.c_str());
            ok = false;
            continue;
        }
        // Copies put there under another name go, so the store holds one.
        std::vector<StoredCertificate>& copies = copies_[item.key];
        std::vector<StoredCertificate> kept;
        for (StoredCertificate& stored : copies) {
            if (stored.path != item.file.path && ::unlink(stored.path.c_str()) != 0 &&
                errno != ENOENT)
                kept.push_back(std::move(stored));
        }
        kept.push_back(std::move(item.file));
        copies = std::move(kept);
    }
    ::fsync(folder);
    ::close(folder);
    return ok;
}

bool CertStoreBatch::Remove(DerBytes der) {
    DerCertificate wanted;
    if (wanted.Decode(der) != DER_OK)
        return false;
    const std::vector<uint8_t> key = KeyOf(wanted);
    bool removed = false;
    std::erase_if(pending_, [&](const Pending& pending) {
        if (pending.key != key)
            return false;
        ::unlink(pending.temp.c_str());
        removed = true;
        return true;
    });
    const auto found = copies_.find(key);
    if (found == copies_.end())
        return removed;
    std::vector<StoredCertificate> kept;
    for (StoredCertificate& stored : found->second) {
        if (::unlink(stored.path.c_str()) == 0)
            removed = true;
        else if (errno != ENOENT)
            kept.push_back(std::move(stored));
    }
    if (kept.empty())
        copies_.erase(found);
    else
        found->second = std::move(kept);
    return removed;
}

size_t CertStoreBatch::size() const {
    size_t count = 0;
    for (const auto& entry : copies_)
        count += entry.second.size();
    return count;
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
