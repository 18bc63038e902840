// The password dialogs of the module's operations, over pinentry: an existing
// password is asked until it opens the token (a few tries, each failure told on
// the error line); a new one is asked twice and must keep the length rules.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "keys/secret.h"
#include "prompts/pinentry.h"

namespace orx {

inline constexpr size_t kMinPasswordLength = 6;
inline constexpr size_t kMaxPasswordLength = 64;
inline constexpr int kPasswordAttempts = 3;
inline constexpr int kNewPasswordRounds = 5;

// A dialog of the module, titled with the product's name and what it opens
// ("Soft Token", "Card").
PinPrompt MakePrompt(std::string_view subject, std::string description, std::string prompt);

// `check` answers CKR_OK (accepted: the dialog ends with it), CKR_PIN_INCORRECT (asked
// again, at most kPasswordAttempts times, then CKR_PIN_INCORRECT) or any other code
// (the dialog ends with it).
int AskPassword(Pinentry& pinentry, PinPrompt prompt,
                const std::function<int(const Secret& password)>& check);

// Asks for a new password and its repetition until both agree and the length (in
// characters) is in range: CKR_OK with `password` filled, CKR_CANCEL, or after
// kNewPasswordRounds failed rounds the last failure (CKR_PIN_INVALID differing,
// CKR_PIN_LEN_RANGE length). A card's PIN has the range its token gives.
int AskNewPassword(Pinentry& pinentry, PinPrompt prompt, const std::string& repeatPrompt,
                   Secret& password, size_t minLength = kMinPasswordLength,
                   size_t maxLength = kMaxPasswordLength);

// The length of a password in characters, not bytes: a UTF-8 password of six
// letters is six long.
size_t CharacterCount(const Secret& password);

}  // namespace orx
