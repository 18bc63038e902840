// The soft tokens as slots: the token folder with its slot ids, the logins with
// their keys, and the operations on soft tokens (create, delete, log in, change the
// password) with their dialogs. Every password comes from pinentry and lives only
// in wiped memory; a key stays only while its login lasts.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keys/logins.h"
#include "keys/token_crypto.h"
#include "tokenfile/slot_registry.h"
#include "tokenfile/token_objects.h"
#include "tokenfile/token_store.h"

namespace orx {

class Inputs;
class PromptSource;

// The soft tokens' folder: $XDG_DATA_HOME/<prefix>/tokens/.
std::string SoftTokenFolder();

class SoftTokens {
  public:
    SoftTokens();
    ~SoftTokens();  // ends every login
    SoftTokens(const SoftTokens&) = delete;
    SoftTokens& operator=(const SoftTokens&) = delete;

    const TokenStore& store() const { return store_; }
    // Re-reads the folder: new files get ids, removed ones go.
    void Scan() { slots_.Scan(); }
    const std::vector<SoftSlot>& slots() const { return slots_.slots(); }
    const SoftSlot* Find(int slot) const { return slots_.Find(slot); }
    // The lowest soft token id, or 0 without soft tokens.
    int FirstSlot() const;
    // True once after a token file was created, changed or removed since the last call.
    bool Changed();

    // The slot's "TokenInfo"; none when it holds no usable token.
    std::optional<std::string> TokenInfo(int slot);
    // Entry `index` of the tokens in id order, "id;label" (with `withFileName`
    // ";file name" too), over every token file or only the usable ones.
    std::optional<std::string> SlotEntry(int index, bool usableOnly, bool withFileName) const;
    // A login whose key no longer opens the file (its password was changed or the
    // token removed meanwhile) has ended.
    bool IsLoggedIn(int slot);
    // Whether a usable token is not logged in, so that an operation needing a key
    // will likely ask for a password.
    bool AnyLoggedOut();

    // The slot's token as the object operations reach it: the header without a key
    // (CKR_OK, CKR_TOKEN_NOT_PRESENT or CKR_ATTRIBUTE_VALUE_INVALID); the private part
    // with the login's key, no dialog (CKR_TOKEN_NOT_PRESENT without a login,
    // CKR_PIN_INCORRECT when the key no longer fits); a change stored with that key.
    int ReadToken(int slot, TokenFile& file);
    int Unseal(int slot, std::vector<TokenObject>& privateObjects);
    int Edit(int slot, const ObjectEdit& edit);

    // "CreateToken": a new token from "TokenLabel" with a new password, or a copy of
    // the exported token in "TokenData"; `slot` is its id.
    int Create(const Inputs& inputs, PromptSource& prompts, int& slot);
    int Delete(int slot);
    int Login(int slot, PromptSource& prompts);
    // The same login with a password that the caller already has (one try, no dialog).
    int LoginWith(int slot, std::string_view password);
    void Logout(int slot) { logins_.End(slot); }
    int EnsureLogin(int slot, PromptSource& prompts);
    int ChangePassword(int slot, PromptSource& prompts);
    void EndAllLogins() { logins_.EndAll(); }
    // Ends the logins whose key was not used for `idle` ("LockTimeout").
    void EndIdleLogins(std::chrono::steady_clock::duration idle) { logins_.EndIdle(idle); }

  private:
    struct Session {
        std::string stem;
        TokenKey key;
    };

    // Checks a password for the slot's parsed token: fills the key and the private
    // objects, answers CKR_OK, CKR_PIN_INCORRECT or another failure.
    using Unlock = std::function<int(const SoftSlot& slot, const TokenFile& file, TokenKey& key,
                                     std::vector<TokenObject>& privateObjects)>;
    int OpenLogin(int slot, const Unlock& unlock);

    TokenStore store_;
    SlotRegistry slots_;
    uint64_t stamp_ = 0;
    Logins<Session> logins_;
};

}  // namespace orx
