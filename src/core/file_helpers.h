// Whole files in and out, and folders along a path. A file that is replaced is
// written beside itself and renamed over the old one, so a failure at any moment
// leaves either the old or the new file, never a part of one.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orx {

inline constexpr size_t kNoSizeLimit = static_cast<size_t>(-1);

// What a read takes besides a regular file. Files that only this program writes
// (tokens, cards, their indexes) are never anything else: a pipe or a device put
// in their place is refused (EINVAL) before it is read or waited for.
enum class ReadFrom { kAnyFile, kRegularFile };

// Reads the file to its end (a pipe or a file under /proc as well). False, with
// `bytes` empty and errno telling why, when it cannot be opened or read (a folder)
// or holds more than `limit` bytes (EFBIG).
bool ReadWholeFile(std::string_view path, std::vector<uint8_t>& bytes, size_t limit = kNoSizeLimit,
                   ReadFrom from = ReadFrom::kAnyFile);
bool ReadWholeFile(std::string_view path, std::string& bytes, size_t limit = kNoSizeLimit,
                   ReadFrom from = ReadFrom::kAnyFile);

// True when the file was created or replaced with exactly these bytes.
bool WriteWholeFile(std::span<const uint8_t> bytes, std::string_view path);
bool WriteWholeFile(std::string_view bytes, std::string_view path);

// True when the path names an existing file or folder; false for "".
bool FileExists(std::string_view path);
bool IsFolder(std::string_view path);

// Creates every missing folder of the path (a trailing "/" makes the last one a
// folder too); true when all of them exist afterwards.
bool CreatePath(std::string_view path, mode_t mode = 0777);

struct ReplaceOptions {
    // Mode of a file that did not exist; an existing file keeps its own.
    mode_t newFileMode = 0666;
    // Content for its owner's eyes only (decrypted content): mode 0600 whatever the
    // umask, and an existing file that is replaced gets it as well.
    bool ownerOnly = false;
    // When nothing can be created beside the file (a folder the user may not write
    // to), rewrite it in place through this open descriptor instead of failing.
    int inPlaceDescriptor = -1;
    // Waits for the new file and its name to reach the disk. A command-line filter
    // leaves that out, as such tools do: the replacement stays whole or absent, only
    // a power cut right after it may take it back.
    bool flush = true;
};

// Replaces the file at `path` (a symbolic link is followed to the real file) with
// `bytes`. 0 on success, otherwise the errno of the failure.
int ReplaceFileContents(std::string_view path, std::string_view bytes,
                        const ReplaceOptions& options = {});

// Takes the new content a piece at a time; false when it cannot be written.
using ContentWriter = std::function<bool(std::string_view piece)>;

// Replaces the file as ReplaceFileContents does, with what `produce` hands to the
// writer it is given, so that the content never has to be held whole. When
// `produce` gives up (returns false) the old file stays and EIO is returned.
int ReplaceFileInPieces(std::string_view path,
                        const std::function<bool(const ContentWriter& write)>& produce,
                        const ReplaceOptions& options = {});

// Writes all bytes to the descriptor; false on a write error.
bool WriteAllBytes(int fd, std::string_view bytes);

}  // namespace orx
