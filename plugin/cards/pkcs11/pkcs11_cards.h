// The cards of PKCS#11 modules as the module's card slots: every initialised
// token of an accepted reader is a card application, its reader a slot group
// (slot_groups.h), its objects the lists' certificates, keys and data objects
// (card_objects.h). Each card slot has a session of its own, opened on first need
// and kept while the token stays, so that a login lasts as on the virtual cards.
// PINs come from pinentry, or from the reader's PIN pad when the token says it has
// one; the card's answers are brought onto the program's results (card_results.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cards/card_backend.h"
#include "cards/pkcs11/card_modules.h"
#include "cards/pkcs11/card_objects.h"
#include "cards/pkcs11/slot_groups.h"
#include "cards/reader_settings.h"

namespace orx {

class Pinentry;

class Pkcs11Cards : public CardBackend {
  public:
    // `before`: the back-end whose groups come first (the virtual readers).
    explicit Pkcs11Cards(const CardBackend& before);
    ~Pkcs11Cards() override;  // logs out, closes the sessions, finalises the modules
    Pkcs11Cards(const Pkcs11Cards&) = delete;
    Pkcs11Cards& operator=(const Pkcs11Cards&) = delete;

    bool Configure() override;
    uint64_t ChangeStamp() const override { return stamp_ ^ edits_; }
    void Poll() override;
    void Refresh() override;
    bool OwnsSlot(int slot) const override { return groups_.ReaderOf(slot) != nullptr; }

    size_t SlotCardCount() const override;
    std::optional<std::string> SlotCardEntry(int index) override;
    std::vector<std::string> SlotEntries(bool usableOnly) override;
    std::optional<std::string> TokenInfo(int slot) override;
    bool IsLoggedIn(int slot) override;
    bool AnyLoggedOut() const override;

    std::vector<CardToken> Tokens() override;
    int ReadToken(int slot, TokenFile& file) override;
    std::optional<std::string> CertificateId(int slot,
                                             std::span<const uint8_t> certificateDer) override;
    int Unseal(int slot, std::vector<TokenObject>& privateObjects) override;
    int Edit(int slot, const ObjectEdit& edit) override;

    int Login(int slot, PromptSource& prompts) override;
    int ChangePassword(int slot, PromptSource& prompts) override;
    int UnlockPassword(int slot, PromptSource& prompts) override;
    void EndIdleLogins(std::chrono::steady_clock::duration idle) override;
    int CardKey(int slot, std::string_view certificateId, X509* certificate, PromptSource& prompts,
                PkeyPtr& key) override;
    PkeyPtr CardKeyAhead(X509* certificate, std::function<EVP_PKEY*()> found) override;

  private:
    // A card slot as the last look saw it.
    struct Slot {
        int id = 0;
        size_t module = 0;
        CK_SLOT_ID slot = 0;
        std::string reader;
        std::string label;
        std::string serial;
        std::string manufacturer;
        std::string model;
    };
    // The session of a card slot, on the token it was opened for.
    struct Session {
        size_t module = 0;
        CK_SLOT_ID slot = 0;
        std::string serial;
        std::string label;
        CK_SESSION_HANDLE handle = CK_INVALID_HANDLE;
        bool loggedIn = false;  // logged in by this context
        std::chrono::steady_clock::time_point lastUse{};
    };

    // Lists the modules' slots and tokens again and gives them ids.
    void Scan();
    const Slot* Find(int slot) const;
    // The slot's session, opened when needed; null when the slot holds no token.
    Session* Open(int slot, int& result);
    CardSession Of(const Session& session) const;
    void Close(int slot);
    void CloseSessionsOf(size_t module);
    // The start of a PIN operation: the slot's session and its token's flags; null
    // (with the answer in `result`, traced) when the slot holds no token.
    Session* Begin(int slot, const char* operation, CK_TOKEN_INFO& info, int& result);
    // A card answer that means the token went ends its session.
    int Answer(int slot, CK_RV rv);
    bool TokenFlags(int slot, CK_TOKEN_INFO& info);
    void Use(int slot);

    // The PIN dialogs (pkcs11_card_pins.cpp).
    int AskPin(Pinentry& pinentry, int slot, bool securityOfficer, const std::string& description,
               const std::function<CK_RV(const Secret& pin)>& check);
    int WithPinPad(Pinentry& pinentry, const std::string& text, const std::function<CK_RV()>& work);
    int AskNewPin(Pinentry& pinentry, int slot, const std::string& label, Secret& pin);

    const CardBackend& before_;
    ReaderSettings settings_;
    CardModules modules_;
    SlotGroups groups_;
    std::vector<Slot> slots_;  // in id order
    std::map<int, Session> sessions_;
    uint64_t stamp_ = 0;
    uint64_t edits_ = 0;  // objects written by this context change the stamp as well
};

}  // namespace orx
