// The virtual card readers: one folder each under the readers' folder, named after
// the reader; a card file ("*.card") in it is the inserted card. Reader n in name
// order offers the slots n*3+1 to n*3+3, one per card application.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cardfile/card_file.h"

namespace orx {

inline constexpr int kSlotsPerCard = 3;
inline constexpr int kMaxReaders = 33;  // card slots stay below the soft tokens' 100

struct Reader {
    std::string name;
    std::string folder;    // with a trailing "/"
    std::string cardPath;  // empty without a card
};

class ReaderStore {
  public:
    explicit ReaderStore(std::string folder) : folder_(std::move(folder)) {}
    const std::string& folder() const { return folder_; }

    // The readers in name order (at most kMaxReaders), each with its card file.
    std::vector<Reader> List() const;
    // Changes whenever a reader or a card file appears, goes or is written: the names,
    // inodes, sizes and times of the folder and of each reader folder.
    uint64_t ChangeStamp() const;

    // CKR_OK, CKR_ATTRIBUTE_VALUE_INVALID, or CKR_FUNCTION_FAILED when the file cannot be read.
    int ReadCard(const std::string& path, CardFile& card) const;
    // Runs `work` holding the reader's lock (exclusive between processes).
    int Locked(const Reader& reader, const std::function<int()>& work) const;
    bool WriteCardLocked(const std::string& path, const CardFile& card) const;

    // Reader management for the command line: a card file's bytes become the card in
    // the reader (made when missing); removing takes the card out.
    int Insert(std::string_view reader, std::span<const uint8_t> bytes) const;
    int Remove(std::string_view reader) const;

  private:
    std::string folder_;
};

// A reader name usable as a folder name: not empty, no "/", not "." or "..", no
// leading dot, no control characters, at most 64 bytes.
bool ReaderNameAcceptable(std::string_view name);

}  // namespace orx
