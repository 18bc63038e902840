// The password dialogs of the module's operations, over pinentry: an existing
// password is asked until it opens the token (a few tries, each failure told on
// the error line); a new one is asked twice and must keep the length rules.
#pragma once

#include <functional>
#include <string>

#include "keys/secret.h"
#include "prompts/pinentry.h"

namespace orx {

inline constexpr size_t kMinPasswordLength = 6;
inline constexpr size_t kMaxPasswordLength = 64;
inline constexpr int kPasswordAttempts = 3;
inline constexpr int kNewPasswordRounds = 5;

// PKCS#11 results of the dialogs.
inline constexpr int kPasswordIncorrect = 160;
inline constexpr int kPasswordInvalid = 161;
inline constexpr int kPasswordLengthRange = 162;

// `check` answers 0 (accepted: the dialog ends with 0), 160 (asked again, at most
// kPasswordAttempts times, then 160) or any other code (the dialog ends with it).
int AskPassword(Pinentry& pinentry, PinPrompt prompt,
                const std::function<int(const Secret& password)>& check);

// Asks for a new password and its repetition until both agree and the length is in
// range: 0 with `password` filled, 1 when cancelled, or after kNewPasswordRounds
// failed rounds the last failure (161 differing, 162 length).
int AskNewPassword(Pinentry& pinentry, PinPrompt prompt, const std::string& repeatPrompt,
                   Secret& password);

}  // namespace orx
