#include "tokenfile/token_store.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "core/file_helpers.h"
#include "core/string_helpers.h"
#include "core/trace.h"
#include "storage/atomic_file.h"

namespace orx {

namespace {

struct DirClose {
    void operator()(DIR* dir) const { closedir(dir); }
};

uint64_t Mix(uint64_t hash, uint64_t value) {
    hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
    return hash;
}

}  // namespace

TokenStore::TokenStore(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty() && folder_.back() != '/')
        folder_ += '/';
}

std::string TokenStore::PathOf(std::string_view stem) const {
    return folder_ + std::string(stem) + std::string(kTokenFileExtension);
}

std::vector<std::string> TokenStore::ListStems() const {
    std::vector<std::string> stems;
    std::unique_ptr<DIR, DirClose> dir(opendir(folder_.c_str()));
    if (!dir)
        return stems;
    while (const dirent* entry = readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name.empty() || name[0] == '.' || !name.ends_with(kTokenFileExtension))
            continue;
        name.remove_suffix(kTokenFileExtension.size());
        if (!name.empty())
            stems.emplace_back(name);
    }
    std::sort(stems.begin(), stems.end());
    return stems;
}

uint64_t TokenStore::ChangeStamp() const {
    uint64_t hash = 1469598103934665603ull;
    for (const std::string& stem : ListStems()) {
        struct stat info {};
        if (::stat(PathOf(stem).c_str(), &info) != 0)
            continue;
        for (char c : stem)
            hash = Mix(hash, static_cast<unsigned char>(c));
        // A replacement by rename always brings a new inode, even within one clock tick.
        hash = Mix(hash, info.st_ino);
        hash = Mix(hash, static_cast<uint64_t>(info.st_size));
        hash = Mix(hash, static_cast<uint64_t>(info.st_mtim.tv_sec));
        hash = Mix(hash, static_cast<uint64_t>(info.st_mtim.tv_nsec));
    }
    return hash;
}

int TokenStore::ReadBytes(std::string_view stem, std::vector<uint8_t>& bytes) const {
    if (!ReadWholeFile(PathOf(stem), bytes, kMaxTokenFileSize, ReadFrom::kRegularFile)) {
        struct stat info {};
        return ::stat(PathOf(stem).c_str(), &info) == 0 ? CKR_ATTRIBUTE_VALUE_INVALID
                                                        : CKR_TOKEN_NOT_PRESENT;
    }
    return CKR_OK;
}

int TokenStore::Read(std::string_view stem, TokenFile& file) const {
    std::vector<uint8_t> bytes;
    const int result = ReadBytes(stem, bytes);
    if (result != CKR_OK)
        return result;
    return ParseTokenFile(bytes, file);
}

int TokenStore::Locked(const std::function<int()>& work) const {
    if (!MakeFolders(folder_.substr(0, folder_.size() - 1))) {
        Trace("Plg - Failed to create the token folder %s", folder_.c_str());
        return CKR_FUNCTION_FAILED;
    }
    FileLock lock(folder_ + std::string(kLockFileName));
    if (!lock.locked())
        return CKR_FUNCTION_FAILED;
    // Only a writer that died leaves a new file here: live writers hold this lock.
    RemoveWriteLeftovers(folder_);
    return work();
}

int TokenStore::CreateLocked(std::string_view label, std::span<const uint8_t> bytes,
                             std::string& stem) const {
    // The program shows tokens by file name and folds letter case when it compares
    // them: names that differ only in case would look like one token.
    const std::vector<std::string> taken = ListStems();
    auto isTaken = [&](const std::string& name) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const std::string& other) { return EqualsNoCase(other, name); });
    };
    const std::string base = StemFromLabel(label);
    stem = base;
    for (int n = 2; isTaken(stem); ++n) {
        if (n > 9999)
            return CKR_FUNCTION_FAILED;
        stem = base + "-" + std::to_string(n);
    }
    return AtomicWriteFile(PathOf(stem), bytes) ? CKR_OK : CKR_FUNCTION_FAILED;
}

int TokenStore::ReplaceLocked(std::string_view stem, std::span<const uint8_t> bytes) const {
    struct stat info {};
    if (::stat(PathOf(stem).c_str(), &info) != 0)
        return CKR_TOKEN_NOT_PRESENT;
    return AtomicWriteFile(PathOf(stem), bytes) ? CKR_OK : CKR_FUNCTION_FAILED;
}

int TokenStore::RemoveLocked(std::string_view stem) const {
    struct stat info {};
    if (::stat(PathOf(stem).c_str(), &info) != 0)
        return CKR_TOKEN_NOT_PRESENT;
    return RemoveFileDurably(PathOf(stem)) ? CKR_OK : CKR_FUNCTION_FAILED;
}

std::string TokenStore::StemFromLabel(std::string_view label) {
    std::string stem;
    for (char c : label) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool bad = u < 0x20 || u == 0x7f || c == '/' || c == '\\' || c == ';' || c == ':' ||
                         c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
        stem += bad ? '_' : c;
    }
    // A leading dot would hide the file.
    stem = std::string(CutToCapacity(TrimEnd(TrimStart(stem, ". ")), kMaxLabelSize + 1));
    if (stem.empty())
        stem = "token";
    return stem;
}

}  // namespace orx
