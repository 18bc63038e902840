// The certificates, keys and data objects of card applications: the same token
// objects as on soft tokens, kept in the application's token inside the card file
// and written back under the reader's lock.
#include <openssl/crypto.h>

#include "cards/card_slots.h"
#include "module_context.h"

namespace orx {

std::vector<CardSlots::ApplicationToken> CardSlots::Tokens() {
    std::vector<ApplicationToken> out;
    const std::vector<Reader> readers = store_.List();
    for (size_t r = 0; r < readers.size(); ++r) {
        CardFile card;
        if (readers[r].cardPath.empty() || store_.ReadCard(readers[r].cardPath, card) != CKR_OK)
            continue;
        for (size_t a = 0; a < kCardApplications; ++a) {
            ApplicationToken token;
            token.slot = static_cast<int>(r) * kSlotsPerCard + static_cast<int>(a) + 1;
            if (ReadApplication(card, a, token.file) == CKR_OK)
                out.push_back(std::move(token));
        }
    }
    return out;
}

int CardSlots::ReadToken(int slot, TokenFile& file) {
    const std::optional<Located> at = Locate(slot);
    if (!at || at->reader.cardPath.empty())
        return CKR_TOKEN_NOT_PRESENT;
    CardFile card;
    const int read = store_.ReadCard(at->reader.cardPath, card);
    if (read != CKR_OK)
        return read == CKR_FUNCTION_FAILED ? CKR_TOKEN_NOT_PRESENT : read;
    return ReadApplication(card, at->application, file);
}

int CardSlots::Unseal(int slot, std::vector<TokenObject>& privateObjects) {
    if (!IsLoggedIn(slot))
        return CKR_TOKEN_NOT_PRESENT;
    TokenFile file;
    const int read = ReadToken(slot, file);
    if (read != CKR_OK)
        return read;
    return UnsealToken(file, sessions_[slot].key, privateObjects);
}

int CardSlots::EnsureLogin(int slot, const std::string& program, uint64_t parent) {
    return IsLoggedIn(slot) ? CKR_OK : Login(slot, program, parent);
}

int CardSlots::Edit(int slot, const ObjectEdit& edit) {
    if (!IsLoggedIn(slot))
        return CKR_TOKEN_NOT_PRESENT;
    const Session& session = sessions_[slot];
    const std::optional<Located> at = Locate(slot);
    if (!at)
        return CKR_TOKEN_NOT_PRESENT;
    return store_.Locked(at->reader, [&]() -> int {
        CardFile card;
        int result = store_.ReadCard(session.cardPath, card);
        if (result != CKR_OK)
            return result == CKR_FUNCTION_FAILED ? CKR_TOKEN_NOT_PRESENT : result;
        if (card.serial != session.serial)
            return CKR_TOKEN_NOT_PRESENT;
        TokenFile file;
        result = ReadApplication(card, session.application, file);
        std::vector<TokenObject> privateObjects;
        if (result == CKR_OK)
            result = UnsealToken(file, session.key, privateObjects);
        if (result == CKR_OK)
            result = edit(file.publicObjects, privateObjects);
        std::vector<uint8_t> bytes;
        if (result == CKR_OK && !SerializeTokenFile(file, session.key, privateObjects, bytes))
            result = CKR_FUNCTION_FAILED;
        if (result == CKR_OK && bytes.size() > kMaxTokenFileSize)
            result = CKR_FUNCTION_FAILED;
        WipeObjectList(privateObjects);
        if (result == CKR_OK) {
            card.applications[session.application].content = std::move(bytes);
            if (!store_.WriteCardLocked(session.cardPath, card))
                result = CKR_FUNCTION_FAILED;
        }
        return result;
    });
}

int ModuleContext::ReadSlotToken(int slotId, TokenFile& file) {
    if (IsCardSlot(slotId))
        return cards_.ReadToken(slotId, file);
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(slotId);
    if (!slot || slot->state != CKR_OK)
        return CKR_TOKEN_NOT_PRESENT;
    return store_.Read(slot->stem, file);
}

}  // namespace orx
