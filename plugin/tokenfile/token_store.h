// The folder of soft token files: one "<name>.tkn" per token, every change made
// under the folder's lock file as a read-modify-write of the whole file, so that two
// processes never lose each other's changes and a crash never leaves half a token.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tokenfile/token_file.h"

namespace orx {

inline constexpr std::string_view kLockFileName = ".lock";
inline constexpr std::string_view kSlotIndexName = "slots.idx";

class TokenStore {
  public:
    // `folder` ends with "/"; it is created on the first write.
    explicit TokenStore(std::string folder);
    const std::string& folder() const { return folder_; }
    std::string PathOf(std::string_view stem) const;

    // The names (without extension) of the token files, sorted.
    std::vector<std::string> ListStems() const;
    // A value that changes whenever a token file is created, replaced or removed.
    uint64_t ChangeStamp() const;

    // Reads and checks a token file: CKR_OK, CKR_ATTRIBUTE_VALUE_INVALID, or
    // CKR_TOKEN_NOT_PRESENT when it is gone.
    int Read(std::string_view stem, TokenFile& file) const;
    int ReadBytes(std::string_view stem, std::vector<uint8_t>& bytes) const;

    // Runs `work` under the folder lock (creating the folder); CKR_FUNCTION_FAILED when the
    // lock cannot be had, otherwise what `work` answers. Left-over files of writers
    // that died are removed first.
    int Locked(const std::function<int()>& work) const;

    // Under the lock: a new file with a name made from the label, unique in the folder.
    int CreateLocked(std::string_view label, std::span<const uint8_t> bytes,
                     std::string& stem) const;
    // Under the lock: replace an existing token file.
    int ReplaceLocked(std::string_view stem, std::span<const uint8_t> bytes) const;
    int RemoveLocked(std::string_view stem) const;

    // A file name (no extension) from a label: no folder separators, control
    // characters or leading dot; at most 64 bytes, never splitting a UTF-8 character.
    static std::string StemFromLabel(std::string_view label);

  private:
    std::string folder_;
};

}  // namespace orx
