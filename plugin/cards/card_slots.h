// The card side of a module context: every card back-end's slots side by side (the
// virtual readers, then the cards of PKCS#11 modules), each slot answered by the
// back-end that owns it, and the change stamp that tells the program a reader or
// card came or went.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cards/card_backend.h"
#include "cards/virtual_cards.h"

namespace orx {

class CardSlots {
  public:
    CardSlots();
    CardSlots(const CardSlots&) = delete;
    CardSlots& operator=(const CardSlots&) = delete;

    // A further back-end, after those there are; its slots and entries come after
    // theirs.
    void Add(std::unique_ptr<CardBackend> backend);
    // The virtual readers, for the operations that manage them.
    VirtualCards& readers() { return *readers_; }

    // Re-reads the back-ends' settings.
    void Configure();
    // The slot event poll: true once after a reader or card changed since the last call.
    bool Changed();
    // "Refresh": the back-ends look again for what they cannot see change by themselves.
    void Refresh();
    uint64_t ChangeStamp() const;
    bool Owns(int slot) const { return Owner(slot) != nullptr; }

    // "SlotCard" entries, then "Slot" and "Token" entries of all back-ends in turn.
    std::optional<std::string> SlotCardEntry(int index);
    std::vector<std::string> SlotEntries(bool usableOnly);
    // None, false, CKR_TOKEN_NOT_PRESENT and nothing for a slot no back-end owns.
    std::optional<std::string> TokenInfo(int slot);
    bool IsLoggedIn(int slot);
    bool AnyLoggedOut() const;
    std::vector<CardToken> Tokens();
    // The ids of the "Token" entries, in order.
    std::vector<int> TokenSlots();
    int ReadToken(int slot, TokenFile& file);
    // The owner's CertificateId; none for a slot no back-end owns.
    std::optional<std::string> CertificateId(int slot, std::span<const uint8_t> certificateDer);
    int Unseal(int slot, std::vector<TokenObject>& privateObjects);
    // With the login's key; no dialog.
    int Edit(int slot, const ObjectEdit& edit);
    // Asks for the slot's password unless it is logged in.
    int EnsureLogin(int slot, PromptSource& prompts);

    int Login(int slot, PromptSource& prompts);
    int ChangePassword(int slot, PromptSource& prompts);
    // CKR_FUNCTION_NOT_SUPPORTED for a slot that is no card's: soft tokens have no PUK.
    int UnlockPassword(int slot, PromptSource& prompts);
    void EndIdleLogins(std::chrono::steady_clock::duration idle);
    // The owner's CardKey; CKR_TOKEN_NOT_PRESENT for a slot no back-end owns.
    int CardKey(int slot, std::string_view certificateId, X509* certificate, PromptSource& prompts,
                PkeyPtr& key);
    // The owner's CardKeyAhead; none for a slot no back-end owns.
    PkeyPtr CardKeyAhead(int slot, X509* certificate, std::function<EVP_PKEY*()> found);

  private:
    CardBackend* Owner(int slot) const;

    std::vector<std::unique_ptr<CardBackend>> backends_;
    VirtualCards* readers_ = nullptr;
    uint64_t stamp_ = 0;
};

}  // namespace orx
