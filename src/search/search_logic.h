// What the search worker decides about each certificate a directory sends, without
// any window: which certificates are listed (they decode, have a common name in
// their entry and an e-mail address, and in a simple search are valid today), which
// one of two with the same e-mail address stays (the later not-after), how many
// are counted, when the search is asked to stop (the most to list, or cancel), and
// when it has ended. The window is told finished rows through SearchEvents and
// never answers: the worker decides alone and never waits on the window.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "der/cert_handle.h"

namespace orx {

inline constexpr int kDefaultMaxFound = 100;
inline constexpr int kTextPrivate = 1657;      // "Private": in the user's "MY" store
inline constexpr int kTextOtherPeople = 1658;  // "Other People": in "AddressBook"
inline constexpr size_t kFoundEmailCapacity = 256;
inline constexpr size_t kFoundNameCapacity = 256;

// One row of the result list, as the worker hands it over.
struct FoundRow {
    int id = 0;  // the row's number within its search, from 1
    std::string name;
    std::string email;
    int installedText = 0;  // kTextPrivate, kTextOtherPeople or 0 (empty)
    std::shared_ptr<const CertRecord> certificate;
    int found = 0;  // certificates counted once this row is listed
};

// Called on the worker thread, in the order things happen; the receiver must not
// block (the window queues them for its own thread).
class SearchEvents {
  public:
    virtual ~SearchEvents() = default;
    virtual void RowAdded(const FoundRow& row) = 0;
    // A listed row gave way to a later certificate with its e-mail address.
    virtual void RowRemoved(int id) = 0;
    // The last event of a search: every search the worker runs has ended.
    virtual void SearchEnded() = 0;
};

class SearchLogic {
  public:
    // `simple`: a search from the simple form, which lists only certificates that
    // are valid now.
    SearchLogic(SearchEvents& events, int maxFound, bool simple);

    // The directory client's consumer (its context is the logic): non-zero to go
    // on, 0 to stop after this entry. The client's end call of each single search
    // is not the end of the worker's search and tells the window nothing.
    static int Consume(void* context, const char* entryText, const uint8_t* value, size_t length);
    int OnFound(const char* entryText, const uint8_t* der, size_t length);

    // From any thread: later certificates are answered with stop and waits end.
    void Cancel() { cancel_ = true; }
    bool Cancelled() const { return cancel_.load(); }
    const std::atomic<bool>* CancelFlag() const { return &cancel_; }

    // The worker's last word; the window returns to idle on it. Once only.
    void Finish();

    int Found() const { return found_; }
    int ListedCount() const { return static_cast<int>(rows_.size()); }

  private:
    struct ListedRow {
        int id;
        std::string email;
        std::string notAfter;  // comparable form, see NotAfterKey
    };

    SearchEvents& events_;
    const int maxFound_;
    const bool simple_;
    std::atomic<bool> cancel_{false};
    bool finished_ = false;
    int found_ = 0;
    int nextId_ = 1;
    std::vector<ListedRow> rows_;
};

// The text after "cn=" (letter case ignored) up to the first ",", at most
// capacity - 1 bytes; empty when the entry text has no "cn=".
std::string EntryCommonName(std::string_view entryText);
// A not-after time text as stored, in a form whose byte order is time order: a
// two-digit year (UTCTime) gets its century.
std::string NotAfterKey(std::string_view storedTime);

}  // namespace orx
