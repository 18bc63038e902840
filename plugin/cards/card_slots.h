// The card side of a module context: the slots of the virtual readers, the
// applications' logins with their keys, and the card operations (log in, change and
// unlock a password, make, insert and remove a card). Retry counters live in the
// card file and are counted down on disk before a password is tried, so that ending
// the process in the middle never gives a try back.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "cardfile/reader_store.h"
#include "keys/token_crypto.h"
#include "tokenfile/token_objects.h"

namespace orx {

inline bool IsCardSlot(int slot) {
    return slot >= 1 && slot <= kMaxReaders * kSlotsPerCard;
}

// The readers' folder: the "Readers"/"Folder" setting, else $XDG_DATA_HOME/<prefix>/readers/.
std::string ReaderFolder();

class CardSlots {
  public:
    using InputFn = std::function<std::string(std::string_view)>;

    CardSlots();
    ~CardSlots();  // ends every login
    CardSlots(const CardSlots&) = delete;
    CardSlots& operator=(const CardSlots&) = delete;

    // Re-reads the setting of the readers' folder.
    void Configure();
    // True once after a reader or card changed since the last call.
    bool Changed();
    uint64_t ChangeStamp() const { return store_.ChangeStamp(); }

    // "SlotCard" entries: "id;reader;card label", three per reader.
    std::optional<std::string> SlotCardEntry(int index);
    // "id;label" of every card slot ("Slot") or of every application of an inserted,
    // undamaged card ("Token"), in id order.
    std::vector<std::string> SlotEntries(bool usableOnly);
    // The application's "TokenInfo"; none without a card.
    std::optional<std::string> TokenInfo(int slot);
    bool IsLoggedIn(int slot);

    // What the applications hold (card_objects.cpp), as the soft tokens' objects are
    // reached: the header without a key, the private part and changes with the login's.
    struct ApplicationToken {
        int slot = 0;
        TokenFile file;
    };
    // Every application of every inserted, undamaged card, in slot order.
    std::vector<ApplicationToken> Tokens();
    // CKR_OK, CKR_TOKEN_NOT_PRESENT (no card) or CKR_ATTRIBUTE_VALUE_INVALID.
    int ReadToken(int slot, TokenFile& file);
    // With the login's key: CKR_OK, CKR_TOKEN_NOT_PRESENT without a login, or the
    // unsealing's answer.
    int Unseal(int slot, std::vector<TokenObject>& privateObjects);
    // Under the reader's lock with the login's key, as EditTokenObjects.
    int Edit(int slot, const ObjectEdit& edit);
    // Asks the application's password unless it is logged in.
    int EnsureLogin(int slot, const std::string& program, uint64_t parent);

    // Runs a card operation for `slot`; none when `operation` is not one.
    std::optional<int> Invoke(std::string_view operation, int slot, const InputFn& input,
                              const std::string& pinentryProgram, uint64_t parent);

  private:
    struct Session {
        std::string cardPath;
        std::array<uint8_t, 8> serial{};
        size_t application = 0;
        TokenKey key;
    };
    struct Located {
        Reader reader;
        size_t application = 0;
    };

    std::optional<Located> Locate(int slot) const;
    int Login(int slot, const std::string& program, uint64_t parent);
    int ChangePassword(int slot, const std::string& program, uint64_t parent);
    int UnlockPassword(int slot, const std::string& program, uint64_t parent);
    int CreateCard(const InputFn& input, const std::string& program, uint64_t parent);
    // Counts a try down on disk, tries the password, gives the tries back when it fits:
    // CKR_OK with the application key, or the failure.
    int TryPassword(const Located& at, bool puk, std::string_view password, TokenKey& key);
    void EndLogin(int slot);

    ReaderStore store_;
    uint64_t stamp_ = 0;
    std::map<int, Session> sessions_;
};

}  // namespace orx
