// The PINs of the PKCS#11 cards: "Login", "ChangePassword" (C_SetPIN) and
// "UnlockPassword" (the PUK as the security officer's PIN, then C_InitPIN). A PIN
// is asked through pinentry, checked for the token's length range before the card
// spends a try on it, and the error line says how many tries the token's flags
// leave; a token with a PIN pad is asked on the reader while pinentry only shows a
// message. No PIN goes anywhere but to the card, and each is wiped after use.
#include "cards/pkcs11/card_results.h"
#include "cards/pkcs11/pkcs11_cards.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "prompts/password_prompt.h"
#include "prompts/prompt_source.h"

namespace orx {

namespace {

constexpr CK_ULONG kLongestPin = 255;

CK_UTF8CHAR* PinData(const Secret& pin) {
    return reinterpret_cast<CK_UTF8CHAR*>(const_cast<uint8_t*>(pin.data()));
}

CK_ULONG PinSize(const Secret& pin) {
    return static_cast<CK_ULONG>(pin.size());
}

// The token's PIN lengths, with what a token leaves unsaid filled in.
std::pair<size_t, size_t> PinRange(const CK_TOKEN_INFO& info) {
    size_t low = info.ulMinPinLen;
    size_t high = info.ulMaxPinLen;
    if (info.ulMinPinLen == CK_UNAVAILABLE_INFORMATION || low == 0)
        low = 1;
    if (info.ulMaxPinLen == CK_UNAVAILABLE_INFORMATION || high == 0 || high > kLongestPin)
        high = kLongestPin;
    return {low, std::max(low, high)};
}

std::string Quoted(const std::string& label) {
    return "\"" + label + "\"";
}

}  // namespace

int Pkcs11Cards::AskPin(Pinentry& pinentry, int id, bool securityOfficer,
                        const std::string& description,
                        const std::function<CK_RV(const Secret& pin)>& check) {
    CK_TOKEN_INFO info{};
    if (!TokenFlags(id, info))
        return CKR_TOKEN_NOT_PRESENT;
    const auto [low, high] = PinRange(info);
    const char* noun = securityOfficer ? "PUK" : "PIN";
    PinPrompt prompt = MakePrompt("Card", description, std::string(noun) + ":");
    // Only what the card tries counts as a try; PINs of the wrong length are asked
    // again a few times as well.
    int attempt = 1;
    for (int rounds = 0; attempt <= kPasswordAttempts && rounds < kNewPasswordRounds; ++rounds) {
        Secret pin;
        const int asked = pinentry.GetPin(prompt, pin);
        if (asked != CKR_OK)
            return asked;
        // Too short or too long is told here: the card would count it as a wrong PIN.
        if (pin.size() < low || pin.size() > high) {
            Trace("Plg - %s length out of range", noun);
            prompt.error = "The " + std::string(noun) + " must have " + std::to_string(low) +
                           " to " + std::to_string(high) + " characters.";
            continue;
        }
        const CK_RV rv = check(pin);
        if (rv != CKR_PIN_INCORRECT)
            return Answer(id, rv);
        Trace("Plg - %s is incorrect (attempt %d)", noun, attempt++);
        if (!TokenFlags(id, info))
            return CKR_TOKEN_NOT_PRESENT;
        const CK_FLAGS locked = securityOfficer ? CKF_SO_PIN_LOCKED : CKF_USER_PIN_LOCKED;
        const CK_FLAGS lastTry = securityOfficer ? CKF_SO_PIN_FINAL_TRY : CKF_USER_PIN_FINAL_TRY;
        const CK_FLAGS fewLeft = securityOfficer ? CKF_SO_PIN_COUNT_LOW : CKF_USER_PIN_COUNT_LOW;
        if (info.flags & locked)
            return CKR_PIN_LOCKED;
        prompt.error = "The " + std::string(noun) + " is incorrect. " +
                       ((info.flags & lastTry)   ? "One more wrong one locks it."
                        : (info.flags & fewLeft) ? "Only a few tries are left."
                                                 : "Please try again.");
    }
    return attempt > kPasswordAttempts ? CKR_PIN_INCORRECT : CKR_PIN_LEN_RANGE;
}

int Pkcs11Cards::WithPinPad(Pinentry& pinentry, const std::string& text,
                            const std::function<CK_RV()>& work) {
    CK_RV rv = CKR_OK;
    pinentry.ShowWhile(GetProductName() + " Card", text, [&]() {
        rv = work();
        return 0;
    });
    return static_cast<int>(rv);
}

int Pkcs11Cards::AskNewPin(Pinentry& pinentry, int id, const std::string& label, Secret& pin) {
    CK_TOKEN_INFO info{};
    if (!TokenFlags(id, info))
        return CKR_TOKEN_NOT_PRESENT;
    const auto [low, high] = PinRange(info);
    return AskNewPassword(
        pinentry, MakePrompt("Card", "Choose the new PIN of " + Quoted(label) + ".", "New PIN:"),
        "Repeat PIN:", pin, low, high);
}

Pkcs11Cards::Session* Pkcs11Cards::Begin(int id, const char* operation, CK_TOKEN_INFO& info,
                                         int& result) {
    Session* session = Open(id, result);
    if (!session || !TokenFlags(id, info)) {
        Trace("Plg - %s failed: no card in slot %d", operation, id);
        if (session)
            result = CKR_TOKEN_NOT_PRESENT;
        return nullptr;
    }
    return session;
}

int Pkcs11Cards::Login(int id, PromptSource& prompts) {
    Trace("Plg - Login ...");
    if (IsLoggedIn(id)) {
        Trace("Plg - Login ... done (already logged in)");
        return CKR_OK;
    }
    int result = CKR_OK;
    CK_TOKEN_INFO info{};
    Session* session = Begin(id, "Login", info, result);
    if (!session)
        return result;
    // Nothing to ask: no PIN could open it.
    if ((info.flags & CKF_USER_PIN_LOCKED) || !(info.flags & CKF_USER_PIN_INITIALIZED)) {
        Trace("Plg - Login failed: the PIN of slot %d is locked", id);
        return CKR_PIN_LOCKED;
    }
    const CardSession s = Of(*session);
    const std::string label = Find(id)->label;
    const std::unique_ptr<Pinentry> pinentry = prompts.Take();
    if (info.flags & CKF_PROTECTED_AUTHENTICATION_PATH) {
        result = Answer(
            id,
            WithPinPad(*pinentry, "Enter the PIN of " + Quoted(label) + " on the reader's PIN pad.",
                       [&] { return s.functions->C_Login(s.handle, CKU_USER, nullptr, 0); }));
    } else {
        result =
            AskPin(*pinentry, id, false, "Enter the PIN of " + Quoted(label) + ".",
                   [&](const Secret& pin) {
                       return s.functions->C_Login(s.handle, CKU_USER, PinData(pin), PinSize(pin));
                   });
    }
    if (result != CKR_OK) {
        Trace("Plg - Login failed (%d)", result);
        return result;
    }
    session->loggedIn = true;
    Use(id);
    Trace("Plg - Login ... done (slot %d)", id);
    return CKR_OK;
}

int Pkcs11Cards::ChangePassword(int id, PromptSource& prompts) {
    Trace("Plg - ChangePassword ...");
    const bool wasLoggedIn = IsLoggedIn(id);
    int result = CKR_OK;
    CK_TOKEN_INFO info{};
    Session* session = Begin(id, "ChangePassword", info, result);
    if (!session)
        return result;
    if (info.flags & CKF_USER_PIN_LOCKED) {
        Trace("Plg - ChangePassword failed: the PIN of slot %d is locked", id);
        return CKR_PIN_LOCKED;
    }
    const CardSession s = Of(*session);
    const std::string label = Find(id)->label;
    const std::unique_ptr<Pinentry> pinentry = prompts.Open();
    if (info.flags & CKF_PROTECTED_AUTHENTICATION_PATH) {
        result = Answer(
            id,
            WithPinPad(*pinentry,
                       "Change the PIN of " + Quoted(label) +
                           " on the reader's PIN pad: the current PIN, then "
                           "the new one twice.",
                       [&] { return s.functions->C_SetPIN(s.handle, nullptr, 0, nullptr, 0); }));
    } else {
        // The current PIN proves itself by a login, unless the token is logged in
        // already: C_SetPIN checks it then.
        Secret current;
        result = AskPin(*pinentry, id, false, "Enter the current PIN of " + Quoted(label) + ".",
                        [&](const Secret& pin) -> CK_RV {
                            const CK_RV rv = wasLoggedIn
                                                 ? CKR_OK
                                                 : s.functions->C_Login(s.handle, CKU_USER,
                                                                        PinData(pin), PinSize(pin));
                            if (rv == CKR_OK || rv == CKR_USER_ALREADY_LOGGED_IN)
                                current = Secret(pin.span());
                            return rv;
                        });
        if (result == CKR_OK && !wasLoggedIn) {
            session->loggedIn = true;
            Use(id);
        }
        Secret fresh;
        if (result == CKR_OK)
            result = AskNewPin(*pinentry, id, label, fresh);
        if (result == CKR_OK)
            result = Answer(id, s.functions->C_SetPIN(s.handle, PinData(current), PinSize(current),
                                                      PinData(fresh), PinSize(fresh)));
    }
    if (result != CKR_OK) {
        Trace("Plg - ChangePassword failed (%d)", result);
        return result;
    }
    Trace("Plg - ChangePassword ... done (slot %d)", id);
    return CKR_OK;
}

int Pkcs11Cards::UnlockPassword(int id, PromptSource& prompts) {
    Trace("Plg - UnlockPassword ...");
    int result = CKR_OK;
    CK_TOKEN_INFO info{};
    Session* session = Begin(id, "UnlockPassword", info, result);
    if (!session)
        return result;
    if (info.flags & CKF_SO_PIN_LOCKED) {
        Trace("Plg - UnlockPassword failed: the PUK of slot %d is locked", id);
        return CKR_PIN_LOCKED;
    }
    const CardSession s = Of(*session);
    // The security officer logs in on a token nobody else is logged in to.
    if (IsLoggedIn(id)) {
        s.functions->C_Logout(s.handle);
        session->loggedIn = false;
        Trace("Plg - Logout of slot %d", id);
    }
    const std::string label = Find(id)->label;
    const std::unique_ptr<Pinentry> pinentry = prompts.Open();
    const bool pinPad = info.flags & CKF_PROTECTED_AUTHENTICATION_PATH;
    if (pinPad) {
        result = Answer(
            id,
            WithPinPad(*pinentry, "Enter the PUK of " + Quoted(label) + " on the reader's PIN pad.",
                       [&] { return s.functions->C_Login(s.handle, CKU_SO, nullptr, 0); }));
    } else {
        result =
            AskPin(*pinentry, id, true,
                   "Enter the PUK (the security officer's PIN) of " + Quoted(label) + ".",
                   [&](const Secret& pin) {
                       return s.functions->C_Login(s.handle, CKU_SO, PinData(pin), PinSize(pin));
                   });
    }
    if (result == CKR_OK) {
        if (pinPad) {
            result = Answer(
                id, WithPinPad(
                        *pinentry,
                        "Enter the new PIN of " + Quoted(label) + " twice on the reader's PIN pad.",
                        [&] { return s.functions->C_InitPIN(s.handle, nullptr, 0); }));
        } else {
            Secret fresh;
            result = AskNewPin(*pinentry, id, label, fresh);
            if (result == CKR_OK)
                result =
                    Answer(id, s.functions->C_InitPIN(s.handle, PinData(fresh), PinSize(fresh)));
        }
        if (sessions_.count(id))
            s.functions->C_Logout(s.handle);
    }
    if (result != CKR_OK) {
        Trace("Plg - UnlockPassword failed (%d)", result);
        return result;
    }
    Trace("Plg - UnlockPassword ... done (slot %d)", id);
    return CKR_OK;
}

}  // namespace orx
