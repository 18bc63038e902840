// Every token the module offers, a soft token or a card application, by slot id:
// its header, its private part with the login's key, a change stored with that key,
// and a login asked for when one is needed. The certificate, data object and file
// operations reach the tokens only through here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cms/cms_library.h"
#include "keys/secret.h"
#include "tokenfile/token_file.h"
#include "tokenfile/token_objects.h"

namespace orx {

class CardSlots;
class KeyAhead;
class PromptSource;
class SoftTokens;

class TokenAccess {
  public:
    TokenAccess(SoftTokens& soft, CardSlots& cards, PromptSource& prompts)
        : soft_(soft), cards_(cards), prompts_(prompts) {}

    struct SlotCertificate {
        int slotId = 0;
        std::string tokenLabel;
        TokenObject certificate;     // its value is the DER
        bool hasPrivateKey = false;  // from the sealed part, or else the header's record
    };
    // The certificates of every usable token by slot id (the cards' applications
    // first), each in stored order.
    std::vector<SlotCertificate> Certificates();

    // Re-reads the soft tokens' folder.
    void Rescan();
    bool IsLoggedIn(int slot);
    // Logs the slot's token in, asking for the password when it is not yet.
    int EnsureLogin(int slot);
    // CKR_OK, CKR_TOKEN_NOT_PRESENT or CKR_ATTRIBUTE_VALUE_INVALID.
    int ReadToken(int slot, TokenFile& file);
    // With the login's key, no dialog: CKR_TOKEN_NOT_PRESENT without a login.
    int Unseal(int slot, std::vector<TokenObject>& privateObjects);
    // Logs in when needed, then stores the change with the login's key; a password
    // changed by another process meanwhile is asked again.
    int Edit(int slot, const ObjectEdit& edit);

    // Finds the token holding the certificate (the active slot first), logs it in
    // when needed and gives the certificate's private key as PKCS#8 DER: CKR_OK;
    // CKR_TOKEN_NOT_PRESENT when no token holds the certificate or it has no key; or
    // the login's answer.
    int PrivateKeyFor(std::span<const uint8_t> certificateDer, int activeSlot, int& slotId,
                      Secret& pkcs8);
    // The same as an OpenSSL key: made from the PKCS#8 of a soft token or virtual
    // card, or a key whose private operations a card does (its key never leaves it;
    // its public half comes from `certificate`, the decoded `certificateDer`).
    // CKR_ATTRIBUTE_VALUE_INVALID for a stored key that cannot be read.
    int PrivateKeyFor(std::span<const uint8_t> certificateDer, X509* certificate, int activeSlot,
                      int& slotId, PkeyPtr& key);
    // The same for a signature, which has its content to hash before the key's one
    // private operation: for a key that a card keeps, `key` comes at once and the
    // card's login and the key's look-up run meanwhile as `ahead`, the key's private
    // operation waiting for them. The caller leaves the tokens alone until it has
    // asked `ahead` for their answer (as PrivateKeyFor's). Otherwise `ahead` stays
    // empty and this is PrivateKeyFor.
    int KeyForSigning(std::span<const uint8_t> certificateDer, X509* certificate, int activeSlot,
                      int& slotId, PkeyPtr& key, std::shared_ptr<KeyAhead>& ahead);

  private:
    // The slot of the token holding the certificate (the active slot first) and the
    // certificate's object id there.
    std::optional<std::pair<int, std::string>> Holder(std::span<const uint8_t> certificateDer,
                                                      int activeSlot);
    // The PKCS#8 key of the certificate with that id on slot `id`, logged in (and in
    // again, when the password changed meanwhile).
    int Pkcs8Of(int id, const std::string& certificateId, Secret& pkcs8);
    // PrivateKeyFor's key once its holder is found.
    int KeyAt(const std::pair<int, std::string>& holder, X509* certificate, int& slotId,
              PkeyPtr& key);

    // Rounds of logging in again for a password that keeps changing under us.
    static constexpr int kLoginRounds = 3;
    // Logs in when needed and runs `use` with the login; when its key turned out not to
    // open the token any more (CKR_PIN_INCORRECT, the login ended), logs in again.
    int WithLogin(int slot, const std::function<int()>& use);

    SoftTokens& soft_;
    CardSlots& cards_;
    PromptSource& prompts_;
};

}  // namespace orx
