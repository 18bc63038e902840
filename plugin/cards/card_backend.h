// One kind of card behind the module's card slots. The virtual cards (files in
// reader folders) are one back-end, the cards of PKCS#11 modules another; each
// back-end owns slot ids of its own below the soft tokens' 100, offers the
// applications of its cards as tokens, and asks for their passwords with its own
// dialogs. CardSlots puts the back-ends side by side.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cms/cms_library.h"
#include "tokenfile/token_file.h"
#include "tokenfile/token_objects.h"

namespace orx {

class PromptSource;

// An application of an inserted card as a token: its label, serial number and public
// objects, read without a key.
struct CardToken {
    int slot = 0;
    TokenFile file;
};

class CardBackend {
  public:
    virtual ~CardBackend() = default;

    // Re-reads the back-end's settings; true when it now looks at other readers (its
    // logins have ended).
    virtual bool Configure() = 0;
    // Changes whenever a reader or a card appears, goes or is written.
    virtual uint64_t ChangeStamp() const = 0;
    // The slot event poll: looks for cards that came or went, cheaply, so that the
    // stamp tells. Back-ends whose stamp looks by itself need nothing here.
    virtual void Poll() {}
    // "Refresh": looks again for what the back-end cannot see change by itself.
    virtual void Refresh() {}
    virtual bool OwnsSlot(int slot) const = 0;

    // "SlotCard": the number of entries, and entry `index`, "id;reader;card label".
    virtual size_t SlotCardCount() const = 0;
    virtual std::optional<std::string> SlotCardEntry(int index) = 0;
    // "id;label" of every slot ("Slot") or of every application of an inserted,
    // undamaged card ("Token"), in id order.
    virtual std::vector<std::string> SlotEntries(bool usableOnly) = 0;
    // The slot's "TokenInfo"; none without a card.
    virtual std::optional<std::string> TokenInfo(int slot) = 0;
    // False also once the card was taken out or swapped since the login.
    virtual bool IsLoggedIn(int slot) = 0;
    // Whether a login will likely be asked for: a card application this context has
    // not logged in, as far as the back-end knows without asking its cards. One
    // that cannot tell without reading them says no.
    virtual bool AnyLoggedOut() const { return false; }

    // What the applications hold, as the soft tokens' objects are reached: every
    // usable application in slot order; one application's header (CKR_OK,
    // CKR_TOKEN_NOT_PRESENT, CKR_ATTRIBUTE_VALUE_INVALID); its private part with the
    // login's key (CKR_TOKEN_NOT_PRESENT without a login); a change stored with it.
    virtual std::vector<CardToken> Tokens() = 0;
    virtual int ReadToken(int slot, TokenFile& file) = 0;
    // The object id of the certificate with exactly these bytes on the slot's card;
    // none when the card does not hold it or cannot be read. Back-ends whose cards
    // can be searched ask the card instead of reading it whole.
    virtual std::optional<std::string> CertificateId(int slot,
                                                     std::span<const uint8_t> certificateDer) {
        TokenFile file;
        const TokenObject* found = ReadToken(slot, file) == CKR_OK
                                       ? FindCertificateObject(file.publicObjects, certificateDer)
                                       : nullptr;
        return found ? std::optional<std::string>(found->id) : std::nullopt;
    }
    virtual int Unseal(int slot, std::vector<TokenObject>& privateObjects) = 0;
    virtual int Edit(int slot, const ObjectEdit& edit) = 0;

    // "Login", "ChangePassword" (the current password, then the new one twice) and
    // "UnlockPassword" (the PUK, then a new password twice) on one of its slots.
    virtual int Login(int slot, PromptSource& prompts) = 0;
    virtual int ChangePassword(int slot, PromptSource& prompts) = 0;
    virtual int UnlockPassword(int slot, PromptSource& prompts) = 0;
    // Ends the logins not used for `idle` ("Smart Card Reader"/"LockTimeout").
    virtual void EndIdleLogins(std::chrono::steady_clock::duration idle) { (void)idle; }

    // Cards whose keys never leave them: the private key of the certificate with
    // this object id, on a slot that is logged in, as an OpenSSL key whose private
    // operations the card does; its public half is the certificate's, which the
    // caller has already decoded. CKR_FUNCTION_NOT_SUPPORTED where the keys are kept
    // as PKCS#8 among the private objects (Unseal hands them out).
    virtual int CardKey(int slot, std::string_view certificateId, X509* certificate,
                        PromptSource& prompts, PkeyPtr& key) {
        (void)slot, (void)certificateId, (void)certificate, (void)prompts, (void)key;
        return CKR_FUNCTION_NOT_SUPPORTED;
    }
    // A key of the certificate made before the card's login, so that the caller works
    // with it while the login runs: its first private operation asks `found` for the
    // key CardKey then gave (waiting for it), null when there is none. None where
    // CardKey is not supported, or for a key this back-end cannot use.
    virtual PkeyPtr CardKeyAhead(X509* certificate, std::function<EVP_PKEY*()> found) {
        (void)certificate, (void)found;
        return nullptr;
    }
};

}  // namespace orx
