// The virtual card readers' slots and the dialogs that open, change and unlock
// their applications' passwords and make new cards.
#include "cards/virtual_cards.h"

#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/os/folders.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "prompts/password_prompt.h"
#include "prompts/prompt_source.h"
#include "properties/inputs.h"
#include "properties/list_field.h"
#include "storage/atomic_file.h"

namespace orx {

namespace {

constexpr std::string_view kReaderSection = "Readers";
constexpr std::string_view kReaderFolderKey = "Folder";

PinPrompt CardPrompt(std::string description, const char* prompt) {
    return MakePrompt("Card", std::move(description), prompt);
}

std::string ApplicationLabel(const CardFile& card, size_t application) {
    TokenFile file;
    if (ReadApplication(card, application, file) != CKR_OK)
        return card.label;
    return file.label;
}

int SlotOf(size_t reader, size_t application) {
    return static_cast<int>(reader) * kSlotsPerCard + static_cast<int>(application) + 1;
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

VirtualCards::VirtualCards() : store_(ReaderFolder()) {}

bool VirtualCards::Configure() {
    const std::string folder = ReaderFolder();
    if (folder == store_.folder())
        return false;
    logins_.EndAll();
    store_ = ReaderStore(folder);
    return true;
}

bool VirtualCards::OwnsSlot(int slot) const {
    return slot >= 1 && slot <= kMaxReaders * kSlotsPerCard;
}

std::optional<CardPlace> VirtualCards::Locate(int slot) const {
    if (!OwnsSlot(slot))
        return std::nullopt;
    std::vector<Reader> readers = store_.List();
    const size_t index = static_cast<size_t>((slot - 1) / kSlotsPerCard);
    if (index >= readers.size())
        return std::nullopt;
    return CardPlace{std::move(readers[index]), static_cast<size_t>((slot - 1) % kSlotsPerCard)};
}

size_t VirtualCards::SlotCardCount() const {
    return store_.List().size() * kSlotsPerCard;
}

std::optional<std::string> VirtualCards::SlotCardEntry(int index) {
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
    return std::to_string(index + 1) + ";" + SlotField(readers[reader].name) + ";" +
           SlotField(label);
}

std::vector<std::string> VirtualCards::SlotEntries(bool usableOnly) {
    std::vector<std::string> out;
    const std::vector<Reader> readers = store_.List();
    for (size_t r = 0; r < readers.size(); ++r) {
        CardFile card;
        const bool present =
            !readers[r].cardPath.empty() && store_.ReadCard(readers[r].cardPath, card) == CKR_OK;
        if (usableOnly && !present)
            continue;
        for (size_t a = 0; a < kCardApplications; ++a) {
            out.push_back(std::to_string(SlotOf(r, a)) + ";" +
                          SlotField(present ? ApplicationLabel(card, a) : readers[r].name));
        }
    }
    return out;
}

std::optional<std::string> VirtualCards::TokenInfo(int slot) {
    const std::optional<CardPlace> at = Locate(slot);
    if (!at || at->reader.cardPath.empty())
        return std::nullopt;
    CardFile card;
    TokenFile file;
    if (store_.ReadCard(at->reader.cardPath, card) != CKR_OK ||
        ReadApplication(card, at->application, file) != CKR_OK)
        return std::nullopt;
    TokenFile box;
    std::string kdf;
    if (ParseTokenFile(card.applications[at->application].passwordBox, box) == CKR_OK)
        kdf = KdfDescription(box.kdf);
    const CardApplication& app = card.applications[at->application];
    return std::to_string(slot) + ";" + SlotField(file.label) + ";" + FormatSerial(card.serial) +
           ";" + SlotField(GetCompanyName()) + ";Smart Card;" + SlotField(at->reader.cardPath) +
           ";" + kdf + ";" + std::to_string(kMinPasswordLength) + "-" +
           std::to_string(kMaxPasswordLength) + ";" + SlotField(at->reader.name) + ";" +
           std::to_string(app.triesLeft) + "/" + std::to_string(app.maxTries) + ";" +
           std::to_string(card.pukTriesLeft) + "/" + std::to_string(card.pukMaxTries);
}

bool VirtualCards::IsLoggedIn(int slot) {
    const Session* login = logins_.Find(slot);
    if (!login)
        return false;
    // The card may have been taken out or swapped for another one meanwhile.
    const std::optional<CardPlace> at = Locate(slot);
    CardFile card;
    TokenFile file;
    if (!at || at->reader.cardPath != login->cardPath ||
        store_.ReadCard(at->reader.cardPath, card) != CKR_OK || card.serial != login->serial ||
        ReadApplication(card, at->application, file) != CKR_OK ||
        MakeVerifier(login->key, file.salt) != file.verifier) {
        logins_.End(slot);
        return false;
    }
    return true;
}

int VirtualCards::Login(int slot, PromptSource& prompts) {
    return OpenLogin(slot, [&](const CardPlace& at, const CardFile& card, TokenKey& key) {
        const std::unique_ptr<Pinentry> pinentry = prompts.Open();
        return AskPassword(
            *pinentry,
            CardPrompt("Enter the password of \"" + ApplicationLabel(card, at.application) + "\".",
                       "Password:"),
            [&](const Secret& password) -> int {
                return TryCardPassword(store_, at, false, password.view(), key);
            });
    });
}

int VirtualCards::LoginWith(int slot, std::string_view password) {
    return OpenLogin(slot, [&](const CardPlace& at, const CardFile&, TokenKey& key) {
        return TryCardPassword(store_, at, false, password, key);
    });
}

int VirtualCards::OpenLogin(int slot, const Unlock& unlock) {
    Trace("Plg - Login ...");
    const std::optional<CardPlace> at = Locate(slot);
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
    Session session{at->reader.cardPath, card.serial, at->application, {}};
    const int result = unlock(*at, card, session.key);
    if (result != CKR_OK) {
        Trace("Plg - Login failed (%d)", result);
        return result;
    }
    logins_.Put(slot, std::move(session));
    Trace("Plg - Login ... done (slot %d)", slot);
    return CKR_OK;
}

int VirtualCards::ChangePassword(int slot, PromptSource& prompts) {
    return ReplacePassword(slot, prompts, false);
}

int VirtualCards::UnlockPassword(int slot, PromptSource& prompts) {
    return ReplacePassword(slot, prompts, true);
}

int VirtualCards::ReplacePassword(int slot, PromptSource& prompts, bool withPuk) {
    const char* operation = withPuk ? "UnlockPassword" : "ChangePassword";
    Trace("Plg - %s ...", operation);
    const std::optional<CardPlace> at = Locate(slot);
    CardFile card;
    if (!at || at->reader.cardPath.empty() ||
        store_.ReadCard(at->reader.cardPath, card) != CKR_OK) {
        Trace("Plg - %s failed: no card in slot %d", operation, slot);
        return CKR_TOKEN_NOT_PRESENT;
    }
    // With no tries left nothing is asked: no password or PUK could open it.
    if (withPuk && card.pukTriesLeft == 0) {
        Trace("Plg - UnlockPassword failed: the PUK of the card in reader %s is locked",
              at->reader.name.c_str());
        return CKR_PIN_LOCKED;
    }
    if (!withPuk && card.applications[at->application].triesLeft == 0) {
        Trace("Plg - ChangePassword failed: the password of slot %d is locked", slot);
        return CKR_PIN_LOCKED;
    }
    const std::string label = ApplicationLabel(card, at->application);
    const std::unique_ptr<Pinentry> pinentry = prompts.Open();
    const PinPrompt proof =
        withPuk ? CardPrompt("Enter the PUK of the card \"" + card.label + "\".", "PUK:")
                : CardPrompt("Enter the current password of \"" + label + "\".", "Password:");
    TokenKey key;
    int result = AskPassword(*pinentry, proof, [&](const Secret& secret) -> int {
        return TryCardPassword(store_, *at, withPuk, secret.view(), key);
    });
    Secret password;
    if (result == CKR_OK)
        result = AskNewPassword(
            *pinentry, CardPrompt("Choose the new password of \"" + label + "\".", "New password:"),
            "Repeat password:", password);
    std::vector<uint8_t> box;
    if (result == CKR_OK &&
        !SealKeyBox("password", password.view(), DefaultKdfParams(), {&key}, box))
        result = CKR_FUNCTION_FAILED;
    // The PUK gives the password all its tries back as well; the application's key and
    // contents stay either way, and so does a login.
    if (result == CKR_OK)
        result = ReplacePasswordBox(store_, *at, card.serial, box, withPuk);
    if (result != CKR_OK) {
        Trace("Plg - %s failed (%d)", operation, result);
        return result;
    }
    Trace("Plg - %s ... done (slot %d)", operation, slot);
    return CKR_OK;
}

int VirtualCards::CreateCard(const Inputs& inputs, PromptSource& prompts) {
    Trace("Plg - CreateCard ...");
    const std::string label = inputs.Get("TokenLabel");
    const std::string path = inputs.Get("FileName");
    if (label.empty() || label.size() > kMaxLabelSize || path.empty()) {
        Trace("Plg - CreateCard failed: a label and a file are needed");
        return CKR_ARGUMENTS_BAD;
    }
    const std::unique_ptr<Pinentry> pinentry = prompts.Open();
    Secret puk;
    Secret password;
    int result = AskNewPassword(
        *pinentry, CardPrompt("Choose the PUK of the new card \"" + label + "\".", "New PUK:"),
        "Repeat PUK:", puk);
    if (result == CKR_OK)
        result = AskNewPassword(
            *pinentry,
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

int VirtualCards::InsertCard(const Inputs& inputs) {
    Trace("Plg - InsertCard ...");
    const std::string path = inputs.Get("FileName");
    std::vector<uint8_t> bytes;
    int result = CKR_ARGUMENTS_BAD;
    if (!path.empty())
        result = ReadWholeFile(path, bytes, kMaxCardFileSize, ReadFrom::kRegularFile)
                     ? store_.Insert(inputs.Get("Reader"), bytes)
                     : CKR_FUNCTION_FAILED;
    Trace("Plg - InsertCard ... done (%d)", result);
    return result;
}

int VirtualCards::RemoveCard(const Inputs& inputs) {
    Trace("Plg - RemoveCard ...");
    const int result = store_.Remove(inputs.Get("Reader"));
    Trace("Plg - RemoveCard ... done (%d)", result);
    return result;
}

}  // namespace orx
