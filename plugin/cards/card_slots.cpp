#include "cards/card_slots.h"

#include <openssl/crypto.h>
#include <strings.h>

#include <cstdio>

#include "core/config_file.h"
#include "core/os/folders.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "prompts/password_prompt.h"
#include "properties/base64_text.h"
#include "storage/atomic_file.h"

namespace orx {

namespace {

constexpr std::string_view kReaderSection = "Readers";
constexpr std::string_view kReaderFolderKey = "Folder";

std::string Field(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ';')
            c = ',';
    }
    return out;
}

PinPrompt CardPrompt(const std::string& description, const char* prompt) {
    PinPrompt p;
    p.title = GetProductName() + " Card";
    p.description = description;
    p.prompt = prompt;
    return p;
}

std::string ApplicationLabel(const CardFile& card, size_t application) {
    TokenFile file;
    if (ReadApplication(card, application, file) != CKR_OK)
        return card.label;
    return file.label;
}

}  // namespace

std::string ReaderFolder() {
    std::string folder;
    if (ConfigReadString(kReaderSection, kReaderFolderKey, folder, 256) != kConfigOk ||
        folder.empty())
        return GetUserStateFolder() + "readers/";
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

CardSlots::CardSlots() : store_(ReaderFolder()) {
    stamp_ = store_.ChangeStamp();
}

CardSlots::~CardSlots() {
    while (!sessions_.empty())
        EndLogin(sessions_.begin()->first);
}

void CardSlots::Configure() {
    const std::string folder = ReaderFolder();
    if (folder == store_.folder())
        return;
    while (!sessions_.empty())
        EndLogin(sessions_.begin()->first);
    store_ = ReaderStore(folder);
    stamp_ = 0;  // the next poll reports the other folder's cards
}

bool CardSlots::Changed() {
    const uint64_t now = store_.ChangeStamp();
    if (now == stamp_)
        return false;
    stamp_ = now;
    return true;
}

std::optional<CardSlots::Located> CardSlots::Locate(int slot) const {
    if (!IsCardSlot(slot))
        return std::nullopt;
    std::vector<Reader> readers = store_.List();
    const size_t index = static_cast<size_t>((slot - 1) / kSlotsPerCard);
    if (index >= readers.size())
        return std::nullopt;
    return Located{std::move(readers[index]), static_cast<size_t>((slot - 1) % kSlotsPerCard)};
}

std::optional<std::string> CardSlots::SlotCardEntry(int index) {
    const std::vector<Reader> readers = store_.List();
    const size_t reader = static_cast<size_t>(index / kSlotsPerCard);
    if (index < 0 || reader >= readers.size())
        return std::nullopt;
    std::string label;
    CardFile card;
    if (!readers[reader].cardPath.empty()) {
        const int read = store_.ReadCard(readers[reader].cardPath, card);
        // A card that cannot be read is still a card in the reader.
        label = read == CKR_OK ? card.label : "?";
    }
    return std::to_string(index + 1) + ";" + Field(readers[reader].name) + ";" + Field(label);
}

std::vector<std::string> CardSlots::SlotEntries(bool usableOnly) {
    std::vector<std::string> out;
    const std::vector<Reader> readers = store_.List();
    for (size_t r = 0; r < readers.size(); ++r) {
        CardFile card;
        const bool present =
            !readers[r].cardPath.empty() && store_.ReadCard(readers[r].cardPath, card) == CKR_OK;
        if (usableOnly && !present)
            continue;
        for (size_t a = 0; a < kCardApplications; ++a) {
            const int id = static_cast<int>(r) * kSlotsPerCard + static_cast<int>(a) + 1;
            out.push_back(std::to_string(id) + ";" +
                          Field(present ? ApplicationLabel(card, a) : readers[r].name));
        }
    }
    return out;
}

std::optional<std::string> CardSlots::TokenInfo(int slot) {
    const std::optional<Located> at = Locate(slot);
    if (!at || at->reader.cardPath.empty())
        return std::nullopt;
    CardFile card;
    TokenFile file;
    if (store_.ReadCard(at->reader.cardPath, card) != CKR_OK ||
        ReadApplication(card, at->application, file) != CKR_OK)
        return std::nullopt;
    TokenFile box;
    char kdf[96] = "";
    if (ParseTokenFile(card.applications[at->application].passwordBox, box) == CKR_OK) {
        if (box.kdf.kind == KdfKind::Scrypt) {
            std::snprintf(kdf, sizeof kdf, "scrypt N=2^%u r=%u p=%u", box.kdf.log2N, box.kdf.r,
                          box.kdf.p);
        } else {
            std::snprintf(kdf, sizeof kdf, "pbkdf2-sha256 %u", box.kdf.iterations);
        }
    }
    const CardApplication& app = card.applications[at->application];
    return std::to_string(slot) + ";" + Field(file.label) + ";" + FormatSerial(card.serial) + ";" +
           Field(GetCompanyName()) + ";Smart Card;" + Field(at->reader.cardPath) + ";" + kdf + ";" +
           std::to_string(kMinPasswordLength) + "-" + std::to_string(kMaxPasswordLength) + ";" +
           Field(at->reader.name) + ";" + std::to_string(app.triesLeft) + "/" +
           std::to_string(app.maxTries) + ";" + std::to_string(card.pukTriesLeft) + "/" +
           std::to_string(card.pukMaxTries);
}

bool CardSlots::IsLoggedIn(int slot) {
    auto it = sessions_.find(slot);
    if (it == sessions_.end())
        return false;
    // The card may have been taken out or swapped for another one meanwhile.
    const std::optional<Located> at = Locate(slot);
    CardFile card;
    TokenFile file;
    if (!at || at->reader.cardPath != it->second.cardPath ||
        store_.ReadCard(at->reader.cardPath, card) != CKR_OK || card.serial != it->second.serial ||
        ReadApplication(card, at->application, file) != CKR_OK ||
        MakeVerifier(it->second.key, file.salt) != file.verifier) {
        EndLogin(slot);
        return false;
    }
    return true;
}

void CardSlots::EndLogin(int slot) {
    auto it = sessions_.find(slot);
    if (it == sessions_.end())
        return;
    it->second.key.encryption.Wipe();
    it->second.key.mac.Wipe();
    sessions_.erase(it);
    Trace("Plg - Logout of slot %d", slot);
}

int CardSlots::TryPassword(const Located& at, bool puk, std::string_view password, TokenKey& key) {
    const std::string& path = at.reader.cardPath;
    CardFile card;
    // The try is spent on disk first: a process killed while the password is being
    // checked has used it up.
    int result = store_.Locked(at.reader, [&]() -> int {
        int read = store_.ReadCard(path, card);
        if (read != CKR_OK)
            return read == CKR_FUNCTION_FAILED ? CKR_TOKEN_NOT_PRESENT : read;
        uint8_t& left = puk ? card.pukTriesLeft : card.applications[at.application].triesLeft;
        if (left == 0)
            return CKR_PIN_LOCKED;
        --left;
        return store_.WriteCardLocked(path, card) ? CKR_OK : CKR_FUNCTION_FAILED;
    });
    if (result != CKR_OK)
        return result;
    std::vector<TokenKey> keys;
    const std::vector<uint8_t>& box =
        puk ? card.pukBox : card.applications[at.application].passwordBox;
    result = OpenKeyBox(box, password, keys);
    const size_t wanted = puk ? at.application : 0;
    if (result == CKR_OK && keys.size() <= wanted)
        result = CKR_ATTRIBUTE_VALUE_INVALID;
    if (result == CKR_PIN_INCORRECT) {
        const uint8_t left = puk ? card.pukTriesLeft : card.applications[at.application].triesLeft;
        Trace("Plg - Wrong %s for slot of reader %s, %d tries left", puk ? "PUK" : "password",
              at.reader.name.c_str(), left);
        return left == 0 ? CKR_PIN_LOCKED : CKR_PIN_INCORRECT;
    }
    if (result != CKR_OK)
        return result;
    key = std::move(keys[wanted]);
    return store_.Locked(at.reader, [&]() -> int {
        CardFile current;
        int read = store_.ReadCard(path, current);
        if (read != CKR_OK)
            return read == CKR_FUNCTION_FAILED ? CKR_TOKEN_NOT_PRESENT : read;
        if (current.serial != card.serial)
            return CKR_TOKEN_NOT_PRESENT;
        if (puk) {
            current.pukTriesLeft = current.pukMaxTries;
        } else {
            CardApplication& app = current.applications[at.application];
            app.triesLeft = app.maxTries;
        }
        return store_.WriteCardLocked(path, current) ? CKR_OK : CKR_FUNCTION_FAILED;
    });
}

std::optional<int> CardSlots::Invoke(std::string_view operation, int slot, const InputFn& input,
                                     const std::string& program, uint64_t parent) {
    const std::string op(operation);
    auto is = [&op](const char* name) { return strcasecmp(op.c_str(), name) == 0; };
    if (is("CreateCard"))
        return CreateCard(input, program, parent);
    if (is("InsertCard")) {
        Trace("Plg - InsertCard ...");
        std::vector<uint8_t> bytes;
        int result = CKR_ARGUMENTS_BAD;
        if (!input("FileName").empty())
            result = ReadWholeFile(input("FileName"), bytes, kMaxCardFileSize)
                         ? store_.Insert(input("Reader"), bytes)
                         : CKR_FUNCTION_FAILED;
        Trace("Plg - InsertCard ... done (%d)", result);
        return result;
    }
    if (is("RemoveCard")) {
        Trace("Plg - RemoveCard ...");
        const int result = store_.Remove(input("Reader"));
        Trace("Plg - RemoveCard ... done (%d)", result);
        return result;
    }
    if (is("UnlockPassword")) {
        if (!IsCardSlot(slot)) {
            Trace("Plg - UnlockPassword: slot %d is no card", slot);
            return CKR_FUNCTION_NOT_SUPPORTED;
        }
        return UnlockPassword(slot, program, parent);
    }
    if (!IsCardSlot(slot))
        return std::nullopt;
    if (is("Login"))
        return Login(slot, program, parent);
    if (is("ChangePassword"))
        return ChangePassword(slot, program, parent);
    return std::nullopt;
}

int CardSlots::Login(int slot, const std::string& program, uint64_t parent) {
    Trace("Plg - Login ...");
    const std::optional<Located> at = Locate(slot);
    if (!at || at->reader.cardPath.empty()) {
        Trace("Plg - Login failed: no card in slot %d", slot);
        return CKR_TOKEN_NOT_PRESENT;
    }
    if (IsLoggedIn(slot)) {
        Trace("Plg - Login ... done (already logged in)");
        return CKR_OK;
    }
    CardFile card;
    if (store_.ReadCard(at->reader.cardPath, card) != CKR_OK) {
        Trace("Plg - Login failed: the card in reader %s is damaged", at->reader.name.c_str());
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    if (card.applications[at->application].triesLeft == 0) {
        Trace("Plg - Login failed: the password of slot %d is locked", slot);
        return CKR_PIN_LOCKED;  // nothing to ask: no password could open it
    }
    Pinentry pinentry(ChoosePinentry(program), parent);
    Session session{at->reader.cardPath, card.serial, at->application, {}};
    const int result = AskPassword(
        pinentry,
        CardPrompt("Enter the password of \"" + ApplicationLabel(card, at->application) + "\".",
                   "Password:"),
        [&](const Secret& password) -> int {
            return TryPassword(*at, false, password.view(), session.key);
        });
    if (result != CKR_OK) {
        Trace("Plg - Login failed (%d)", result);
        return result;
    }
    sessions_[slot] = std::move(session);
    Trace("Plg - Login ... done (slot %d)", slot);
    return CKR_OK;
}

int CardSlots::ChangePassword(int slot, const std::string& program, uint64_t parent) {
    Trace("Plg - ChangePassword ...");
    const std::optional<Located> at = Locate(slot);
    CardFile card;
    if (!at || at->reader.cardPath.empty() ||
        store_.ReadCard(at->reader.cardPath, card) != CKR_OK) {
        Trace("Plg - ChangePassword failed: no card in slot %d", slot);
        return CKR_TOKEN_NOT_PRESENT;
    }
    if (card.applications[at->application].triesLeft == 0) {
        Trace("Plg - ChangePassword failed: the password of slot %d is locked", slot);
        return CKR_PIN_LOCKED;
    }
    const std::string label = ApplicationLabel(card, at->application);
    Pinentry pinentry(ChoosePinentry(program), parent);
    TokenKey key;
    int result = AskPassword(
        pinentry, CardPrompt("Enter the current password of \"" + label + "\".", "Password:"),
        [&](const Secret& password) -> int {
            return TryPassword(*at, false, password.view(), key);
        });
    Secret password;
    if (result == CKR_OK)
        result = AskNewPassword(
            pinentry, CardPrompt("Choose the new password of \"" + label + "\".", "New password:"),
            "Repeat password:", password);
    std::vector<uint8_t> box;
    if (result == CKR_OK) {
        if (!SealKeyBox("password", password.view(), DefaultKdfParams(), {&key}, box))
            result = CKR_FUNCTION_FAILED;
    }
    if (result == CKR_OK)
        result = store_.Locked(at->reader, [&]() -> int {
            CardFile current;
            if (store_.ReadCard(at->reader.cardPath, current) != CKR_OK ||
                current.serial != card.serial)
                return CKR_TOKEN_NOT_PRESENT;
            current.applications[at->application].passwordBox = box;
            return store_.WriteCardLocked(at->reader.cardPath, current) ? CKR_OK
                                                                        : CKR_FUNCTION_FAILED;
        });
    if (result != CKR_OK) {
        Trace("Plg - ChangePassword failed (%d)", result);
        return result;
    }
    Trace("Plg - ChangePassword ... done (slot %d)", slot);
    return CKR_OK;
}

int CardSlots::UnlockPassword(int slot, const std::string& program, uint64_t parent) {
    Trace("Plg - UnlockPassword ...");
    const std::optional<Located> at = Locate(slot);
    CardFile card;
    if (!at || at->reader.cardPath.empty() ||
        store_.ReadCard(at->reader.cardPath, card) != CKR_OK) {
        Trace("Plg - UnlockPassword failed: no card in slot %d", slot);
        return CKR_TOKEN_NOT_PRESENT;
    }
    if (card.pukTriesLeft == 0) {
        Trace("Plg - UnlockPassword failed: the PUK of the card in reader %s is locked",
              at->reader.name.c_str());
        return CKR_PIN_LOCKED;
    }
    const std::string label = ApplicationLabel(card, at->application);
    Pinentry pinentry(ChoosePinentry(program), parent);
    TokenKey key;
    int result = AskPassword(
        pinentry, CardPrompt("Enter the PUK of the card \"" + card.label + "\".", "PUK:"),
        [&](const Secret& puk) -> int { return TryPassword(*at, true, puk.view(), key); });
    Secret password;
    if (result == CKR_OK)
        result = AskNewPassword(
            pinentry, CardPrompt("Choose the new password of \"" + label + "\".", "New password:"),
            "Repeat password:", password);
    std::vector<uint8_t> box;
    if (result == CKR_OK &&
        !SealKeyBox("password", password.view(), DefaultKdfParams(), {&key}, box))
        result = CKR_FUNCTION_FAILED;
    if (result == CKR_OK)
        result = store_.Locked(at->reader, [&]() -> int {
            CardFile current;
            if (store_.ReadCard(at->reader.cardPath, current) != CKR_OK ||
                current.serial != card.serial)
                return CKR_TOKEN_NOT_PRESENT;
            CardApplication& app = current.applications[at->application];
            app.passwordBox = box;
            app.triesLeft = app.maxTries;
            return store_.WriteCardLocked(at->reader.cardPath, current) ? CKR_OK
                                                                        : CKR_FUNCTION_FAILED;
        });
    if (result != CKR_OK) {
        Trace("Plg - UnlockPassword failed (%d)", result);
        return result;
    }
    Trace("Plg - UnlockPassword ... done (slot %d)", slot);
    return CKR_OK;
}

int CardSlots::CreateCard(const InputFn& input, const std::string& program, uint64_t parent) {
    Trace("Plg - CreateCard ...");
    const std::string label = input("TokenLabel");
    const std::string path = input("FileName");
    if (label.empty() || label.size() > kMaxLabelSize || path.empty()) {
        Trace("Plg - CreateCard failed: a label and a file are needed");
        return CKR_ARGUMENTS_BAD;
    }
    Pinentry pinentry(ChoosePinentry(program), parent);
    Secret puk;
    Secret password;
    int result = AskNewPassword(
        pinentry, CardPrompt("Choose the PUK of the new card \"" + label + "\".", "New PUK:"),
        "Repeat PUK:", puk);
    if (result == CKR_OK)
        result = AskNewPassword(
            pinentry,
            CardPrompt("Choose the password that the applications of the new card \"" + label +
                           "\" start with.",
                       "New password:"),
            "Repeat password:", password);
    CardFile card;
    if (result == CKR_OK &&
        !NewCardFile(label, puk.view(), password.view(), DefaultKdfParams(), card))
        result = CKR_FUNCTION_FAILED;
    if (result == CKR_OK && !AtomicWriteFile(path, SerializeCardFile(card)))
        result = CKR_FUNCTION_FAILED;
    if (result != CKR_OK) {
        Trace("Plg - CreateCard failed (%d)", result);
        return result;
    }
    Trace("Plg - CreateCard ... done");
    return CKR_OK;
}

}  // namespace orx
