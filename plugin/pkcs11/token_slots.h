// The module's slots: one per virtual card application (ids 1 to 99, three per
// reader) and one per soft token file (100 and up), with the ids the program shows.
// Everything is read through the program's own soft token and virtual card code,
// so a token created, changed or deleted by the program is seen here as it is.
#pragma once

#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cards/virtual_cards.h"
#include "prompts/prompt_source.h"
#include "softtoken/soft_tokens.h"

namespace orx::p11 {

struct SlotState {
    CK_SLOT_ID id = 0;
    bool card = false;
    bool present = false;     // an undamaged token is in the slot
    std::string description;  // the reader and application, or the token file's name
    TokenFile header;         // the token's header while present
    int triesLeft = -1;       // a card application's password tries; -1 for soft tokens
    int maxTries = -1;
};

class TokenSlots {
  public:
    // Reads the folders from the configuration; the product identity must be set.
    TokenSlots();
    TokenSlots(const TokenSlots&) = delete;
    TokenSlots& operator=(const TokenSlots&) = delete;

    // Every slot in id order (the card readers' first).
    std::vector<CK_SLOT_ID> Ids();
    // None for an id that is no slot now.
    std::optional<SlotState> State(CK_SLOT_ID slot);
    // Changes whenever a token file, reader or card appears, goes or is written.
    uint64_t ChangeStamp() const;

    int ReadToken(CK_SLOT_ID slot, TokenFile& file);
    // With the login's key: CKR_OK, or the login has ended (CKR_TOKEN_NOT_PRESENT,
    // CKR_PIN_INCORRECT when its key no longer opens the token).
    int Unseal(CK_SLOT_ID slot, std::vector<TokenObject>& privateObjects);
    int Edit(CK_SLOT_ID slot, const ObjectEdit& edit);

    // The password from the caller: one try (a card's is counted).
    int Login(CK_SLOT_ID slot, std::string_view password);
    // The password through pinentry, for tokens with a protected authentication path.
    int LoginWithPrompt(CK_SLOT_ID slot);
    void Logout(CK_SLOT_ID slot);
    // False also once the login's key no longer opens the token.
    bool IsLoggedIn(CK_SLOT_ID slot);

  private:
    bool IsCard(CK_SLOT_ID slot) const { return cards_.OwnsSlot(static_cast<int>(slot)); }

    SoftTokens soft_;
    VirtualCards cards_;
    PromptSource prompts_;
};

}  // namespace orx::p11
