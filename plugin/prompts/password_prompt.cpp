#include "prompts/password_prompt.h"

#include "core/product_identity.h"
#include "core/trace.h"

namespace orx {

size_t CharacterCount(const Secret& password) {
    size_t count = 0;
    for (uint8_t byte : password.span()) {
        if ((byte & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

PinPrompt MakePrompt(std::string_view subject, std::string description, std::string prompt) {
    PinPrompt p;
    p.title = GetProductName() + " " + std::string(subject);
    p.description = std::move(description);
    p.prompt = std::move(prompt);
    return p;
}

int AskPassword(Pinentry& pinentry, PinPrompt prompt,
                const std::function<int(const Secret& password)>& check) {
    for (int attempt = 1;; ++attempt) {
        Secret password;
        const int asked = pinentry.GetPin(prompt, password);
        if (asked != CKR_OK)
            return asked;
        const int result = check(password);
        if (result != CKR_PIN_INCORRECT)
            return result;
        Trace("Plg - Password is incorrect (attempt %d)", attempt);
        if (attempt >= kPasswordAttempts)
            return CKR_PIN_INCORRECT;
        prompt.error = "The password is incorrect. Please try again.";
    }
}

int AskNewPassword(Pinentry& pinentry, PinPrompt prompt, const std::string& repeatPrompt,
                   Secret& password, size_t minLength, size_t maxLength) {
    password.Wipe();
    int failure = CKR_PIN_INVALID;
    for (int round = 0; round < kNewPasswordRounds; ++round) {
        Secret first;
        int asked = pinentry.GetPin(prompt, first);
        if (asked != CKR_OK)
            return asked;
        const size_t length = CharacterCount(first);
        if (length < minLength || length > maxLength) {
            Trace("Plg - New password length out of range");
            failure = CKR_PIN_LEN_RANGE;
            prompt.error = "The password must have " + std::to_string(minLength) + " to " +
                           std::to_string(maxLength) + " characters.";
            continue;
        }
        PinPrompt again = prompt;
        again.prompt = repeatPrompt;
        again.error.clear();
        Secret second;
        asked = pinentry.GetPin(again, second);
        if (asked != CKR_OK)
            return asked;
        if (!(first == second)) {
            Trace("Plg - New passwords differ");
            failure = CKR_PIN_INVALID;
            prompt.error = "The passwords do not match. Please try again.";
            continue;
        }
        password = std::move(first);
        return CKR_OK;
    }
    return failure;
}

}  // namespace orx
