// Writes that a crash or a second process can never leave half done: a new file in
// the same folder, fsync, rename over the old one, fsync of the folder; and the
// advisory lock that serialises read-modify-write cycles between processes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orx {

// Replaces (or creates) `path` with `bytes`, mode 0600. False leaves the old file as it was.
bool AtomicWriteFile(const std::string& path, std::span<const uint8_t> bytes);
// Removes the file and makes the removal durable.
bool RemoveFileDurably(const std::string& path);
// Reads a whole file of at most `limit` bytes; false when missing, unreadable or larger.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t limit);
// Creates the folder and its parents (mode 0700 for the ones it makes).
bool MakeFolders(const std::string& path);

// An exclusive flock on `path` (created when missing), held while the object lives.
class FileLock {
  public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool locked() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

namespace atomic_file_testing {
// Makes the next writes fail after `bytes` bytes of the new file were written
// (-1 switches the failure off), as a full disk or an I/O error would.
void FailWritesAfter(long long bytes);
}  // namespace atomic_file_testing

}  // namespace orx
