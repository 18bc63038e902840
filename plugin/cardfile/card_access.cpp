#include "cardfile/card_access.h"

#include "core/trace.h"

namespace orx {

namespace {

// A card file that cannot be read at all has been taken out meanwhile.
int ReadResult(int read) {
    return read == CKR_FUNCTION_FAILED ? CKR_TOKEN_NOT_PRESENT : read;
}

}  // namespace

int TryCardPassword(const ReaderStore& store, const CardPlace& at, bool puk,
                    std::string_view password, TokenKey& key) {
    const std::string& path = at.reader.cardPath;
    CardFile card;
    // The try is spent on disk first: a process killed while the password is being
    // checked has used it up.
    int result = store.Locked(at.reader, [&]() -> int {
        const int read = store.ReadCard(path, card);
        if (read != CKR_OK)
            return ReadResult(read);
        uint8_t& left = puk ? card.pukTriesLeft : card.applications[at.application].triesLeft;
        if (left == 0)
            return CKR_PIN_LOCKED;
        --left;
        return store.WriteCardLocked(path, card) ? CKR_OK : CKR_FUNCTION_FAILED;
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
    return store.Locked(at.reader, [&]() -> int {
        CardFile current;
        const int read = store.ReadCard(path, current);
        if (read != CKR_OK)
            return ReadResult(read);
        if (current.serial != card.serial)
            return CKR_TOKEN_NOT_PRESENT;
        if (puk) {
            current.pukTriesLeft = current.pukMaxTries;
        } else {
            CardApplication& app = current.applications[at.application];
            app.triesLeft = app.maxTries;
        }
        return store.WriteCardLocked(path, current) ? CKR_OK : CKR_FUNCTION_FAILED;
    });
}

int ReplacePasswordBox(const ReaderStore& store, const CardPlace& at,
                       const std::array<uint8_t, 8>& serial, const std::vector<uint8_t>& box,
                       bool restoreTries) {
    return store.Locked(at.reader, [&]() -> int {
        CardFile current;
        if (store.ReadCard(at.reader.cardPath, current) != CKR_OK || current.serial != serial)
            return CKR_TOKEN_NOT_PRESENT;
        CardApplication& app = current.applications[at.application];
        app.passwordBox = box;
        if (restoreTries)
            app.triesLeft = app.maxTries;
        return store.WriteCardLocked(at.reader.cardPath, current) ? CKR_OK : CKR_FUNCTION_FAILED;
    });
}

int EditCardApplication(const ReaderStore& store, const Reader& reader, const std::string& cardPath,
                        const std::array<uint8_t, 8>& serial, size_t application,
                        const TokenKey& key, const ObjectEdit& edit) {
    return store.Locked(reader, [&]() -> int {
        CardFile card;
        const int read = store.ReadCard(cardPath, card);
        if (read != CKR_OK)
            return ReadResult(read);
        if (card.serial != serial)
            return CKR_TOKEN_NOT_PRESENT;
        TokenFile file;
        int result = ReadApplication(card, application, file);
        std::vector<uint8_t> bytes;
        if (result == CKR_OK)
            result = EditSealedObjects(file, key, edit, bytes);
        if (result != CKR_OK)
            return result;
        card.applications[application].content = std::move(bytes);
        return store.WriteCardLocked(cardPath, card) ? CKR_OK : CKR_FUNCTION_FAILED;
    });
}

}  // namespace orx
