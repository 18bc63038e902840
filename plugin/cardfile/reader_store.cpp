#include "cardfile/reader_store.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "core/file_helpers.h"
#include "core/trace.h"
#include "storage/atomic_file.h"

namespace orx {

namespace {

constexpr const char* kLockName = ".lock";
constexpr const char* kInsertedName = "card.card";

std::vector<std::string> SortedNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

uint64_t Mix(uint64_t hash, uint64_t value) {
    // FNV-1a over the value's bytes: cheap, and any field that changes moves the stamp.
    for (int i = 0; i < 8; ++i) {
        hash ^= (value >> (i * 8)) & 0xFF;
        hash *= 1099511628211ull;
    }
    return hash;
}

uint64_t MixText(uint64_t hash, std::string_view text) {
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return Mix(hash, text.size());
}

uint64_t MixStat(uint64_t hash, const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return Mix(hash, 0);
    hash = Mix(hash, info.st_ino);
    hash = Mix(hash, static_cast<uint64_t>(info.st_size));
    hash = Mix(hash, static_cast<uint64_t>(info.st_mtim.tv_sec));
    return Mix(hash, static_cast<uint64_t>(info.st_mtim.tv_nsec));
}

}  // namespace

bool ReaderNameAcceptable(std::string_view name) {
    if (name.empty() || name.size() > 64 || name[0] == '.' || name[0] == ' ')
        return false;
    for (char c : name) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

std::vector<Reader> ReaderStore::List() const {
    std::vector<Reader> readers;
    for (const std::string& name : SortedNames(folder_)) {
        if (static_cast<int>(readers.size()) >= kMaxReaders)
            break;
        const std::string folder = folder_ + name + "/";
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            continue;
        Reader reader{name, folder, {}};
        for (const std::string& file : SortedNames(folder)) {
            struct stat card {};
            if (file.ends_with(kCardFileExtension) && ::stat((folder + file).c_str(), &card) == 0 &&
                S_ISREG(card.st_mode)) {
                reader.cardPath = folder + file;
                break;
            }
        }
        readers.push_back(std::move(reader));
    }
    return readers;
}

uint64_t ReaderStore::ChangeStamp() const {
    uint64_t hash = 14695981039346656037ull;
    hash = MixStat(hash, folder_);
    for (const std::string& name : SortedNames(folder_)) {
        hash = MixText(hash, name);
        const std::string folder = folder_ + name + "/";
        hash = MixStat(hash, folder);
        for (const std::string& file : SortedNames(folder)) {
            hash = MixText(hash, file);
            hash = MixStat(hash, folder + file);
        }
    }
    return hash;
}

int ReaderStore::ReadCard(const std::string& path, CardFile& card) const {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxCardFileSize, ReadFrom::kRegularFile))
        return CKR_FUNCTION_FAILED;
    return ParseCardFile(bytes, card);
}

int ReaderStore::Locked(const Reader& reader, const std::function<int()>& work) const {
    FileLock lock(reader.folder + kLockName);
    if (!lock.locked()) {
        Trace("Plg - Cannot lock the reader %s", reader.name.c_str());
        return CKR_FUNCTION_FAILED;
    }
    // A card copy that a writer killed before its rename left still holds the old
    // counters and password boxes: the next writer under the lock removes it.
    RemoveWriteLeftovers(reader.folder);
    return work();
}

bool ReaderStore::WriteCardLocked(const std::string& path, const CardFile& card) const {
    const std::vector<uint8_t> bytes = SerializeCardFile(card);
    return AtomicWriteFile(path, bytes);
}

int ReaderStore::Insert(std::string_view name, std::span<const uint8_t> bytes) const {
    if (!ReaderNameAcceptable(name))
        return CKR_ARGUMENTS_BAD;
    CardFile card;
    if (ParseCardFile(bytes, card) != CKR_OK)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    const Reader reader{std::string(name), folder_ + std::string(name) + "/", {}};
    if (!MakeFolders(reader.folder))
        return CKR_FUNCTION_FAILED;
    return Locked(reader, [&]() -> int {
        // One card per reader: whatever was in it is taken out first.
        for (const std::string& file : SortedNames(reader.folder)) {
            if (file.ends_with(kCardFileExtension) && file != kInsertedName &&
                !RemoveFileDurably(reader.folder + file))
                return CKR_FUNCTION_FAILED;
        }
        return AtomicWriteFile(reader.folder + kInsertedName, bytes) ? CKR_OK : CKR_FUNCTION_FAILED;
    });
}

int ReaderStore::Remove(std::string_view name) const {
    if (!ReaderNameAcceptable(name))
        return CKR_ARGUMENTS_BAD;
    const Reader reader{std::string(name), folder_ + std::string(name) + "/", {}};
    struct stat info {};
    if (::stat(reader.folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return CKR_TOKEN_NOT_PRESENT;
    return Locked(reader, [&]() -> int {
        int removed = 0;
        for (const std::string& file : SortedNames(reader.folder)) {
            if (!file.ends_with(kCardFileExtension))
                continue;
            if (!RemoveFileDurably(reader.folder + file))
                return CKR_FUNCTION_FAILED;
            ++removed;
        }
        return removed > 0 ? CKR_OK : CKR_TOKEN_NOT_PRESENT;
    });
}

}  // namespace orx
