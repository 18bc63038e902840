// Writes that a crash or a second process can never leave half done: a new file in
// the same folder, fsync, rename over the old one, fsync of the folder; and the
// advisory lock that serialises read-modify-write cycles between processes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orx {

// Replaces (or creates) `path` with `bytes`, mode 0600, through "<path>.new-" and
// twelve random hex digits. False leaves the old file as it was.
bool AtomicWriteFile(const std::string& path, std::span<const uint8_t> bytes);
// Removes from `folder` the new files of AtomicWriteFile that a writer killed before
// its rename left behind (a stale copy may hold an old password box). Only a writer
// that holds the lock under which every write into the folder is made may call it:
// a live writer's new file would go too.
void RemoveWriteLeftovers(const std::string& folder);
// Removes the file and makes the removal durable.
bool RemoveFileDurably(const std::string& path);
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

// Failure injection, as a full disk or an I/O error would fail a write: while this
// variable holds a number N, every write of a new file fails after N bytes (with
// ENOSPC, the old file left as it was). It is read at every write, so that a test can
// make the loaded module fail between two operations; nothing else sets it.
inline constexpr const char* kFailWritesVariable = "ORX_FAIL_WRITES_AFTER";

}  // namespace orx
