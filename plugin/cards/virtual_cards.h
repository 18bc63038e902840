// The virtual cards: card files in reader folders (see cardfile/), each with three
// applications behind passwords of their own, a PUK and retry counters. Reader n (in
// name order) offers the slots n*3+1 to n*3+3. This back-end keeps the applications'
// logins with their keys and asks for passwords, PUKs and new cards through pinentry.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cardfile/card_access.h"
#include "cardfile/reader_store.h"
#include "cards/card_backend.h"
#include "keys/logins.h"
#include "keys/token_crypto.h"

namespace orx {

class Inputs;

// The readers' folder: the "Readers"/"Folder" setting, else $XDG_DATA_HOME/<prefix>/readers/.
std::string ReaderFolder();

// An application's password tries, as its card file counts them.
struct CardTries {
    int left = -1;
    int most = -1;
};

class VirtualCards : public CardBackend {
  public:
    VirtualCards();
    ~VirtualCards() override = default;  // ends every login
    VirtualCards(const VirtualCards&) = delete;
    VirtualCards& operator=(const VirtualCards&) = delete;

    bool Configure() override;
    uint64_t ChangeStamp() const override { return store_.ChangeStamp(); }
    bool OwnsSlot(int slot) const override;

    size_t SlotCardCount() const override;
    std::optional<std::string> SlotCardEntry(int index) override;
    std::vector<std::string> SlotEntries(bool usableOnly) override;
    std::optional<std::string> TokenInfo(int slot) override;
    bool IsLoggedIn(int slot) override;

    std::vector<CardToken> Tokens() override;
    int ReadToken(int slot, TokenFile& file) override;
    // ReadToken that also hands the application's tries from the same read of the card
    // file, for slot information asked for on every poll.
    int ReadToken(int slot, TokenFile& file, CardTries& tries);
    int Unseal(int slot, std::vector<TokenObject>& privateObjects) override;
    int Edit(int slot, const ObjectEdit& edit) override;

    int Login(int slot, PromptSource& prompts) override;
    int ChangePassword(int slot, PromptSource& prompts) override;
    int UnlockPassword(int slot, PromptSource& prompts) override;
    void EndIdleLogins(std::chrono::steady_clock::duration idle) override { logins_.EndIdle(idle); }
    // The login with a password that the caller already has: one try, counted as the
    // dialog's tries are.
    int LoginWith(int slot, std::string_view password);
    void Logout(int slot) { logins_.End(slot); }

    // The readers themselves: "CreateCard" writes a new card file to "FileName"
    // (its PUK and first password asked twice each), "InsertCard" makes "FileName"
    // the card of reader "Reader", "RemoveCard" takes it out.
    int CreateCard(const Inputs& inputs, PromptSource& prompts);
    int InsertCard(const Inputs& inputs);
    int RemoveCard(const Inputs& inputs);

  private:
    struct Session {
        std::string cardPath;
        std::array<uint8_t, 8> serial{};
        size_t application = 0;
        TokenKey key;
    };

    std::optional<CardPlace> Locate(int slot) const;
    // Tries a password for the application of a readable card that has tries left:
    // fills the key, answers as TryCardPassword does.
    using Unlock = std::function<int(const CardPlace& at, const CardFile& card, TokenKey& key)>;
    int OpenLogin(int slot, const Unlock& unlock);
    // ChangePassword and UnlockPassword: the current password or the PUK proves the
    // right, then a new password replaces the application's password box.
    int ReplacePassword(int slot, PromptSource& prompts, bool withPuk);

    ReaderStore store_;
    Logins<Session> logins_;
};

}  // namespace orx
