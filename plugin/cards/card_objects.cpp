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
        if (readers[r].cardPath.empty() || store_.ReadCard(readers[r].cardPath, card) != kTokenOk)
            continue;
        for (size_t a = 0; a < kCardApplications; ++a) {
            ApplicationToken token;
            token.slot = static_cast<int>(r) * kSlotsPerCard + static_cast<int>(a) + 1;
            if (ReadApplication(card, a, token.file) == kTokenOk)
                out.push_back(std::move(token));
        }
    }
    return out;
}

int CardSlots::ReadToken(int slot, TokenFile& file) {
    const std::optional<Located> at = Locate(slot);
    if (!at || at->reader.cardPath.empty())
        return kResultNotPresent;
    CardFile card;
    const int read = store_.ReadCard(at->reader.cardPath, card);
    if (read != kTokenOk)
        return read == kTokenFailed ? kResultNotPresent : read;
    return ReadApplication(card, at->application, file);
}

int CardSlots::Unseal(int slot, std::vector<TokenObject>& privateObjects) {
    if (!IsLoggedIn(slot))
        return kResultNotPresent;
    TokenFile file;
    const int read = ReadToken(slot, file);
    if (read != kTokenOk)
        return read;
    return UnsealToken(file, sessions_[slot].key, privateObjects);
}

int CardSlots::EnsureLogin(int slot, const std::string& program, uint64_t parent) {
    return IsLoggedIn(slot) ? kResultOk : Login(slot, program, parent);
}

int CardSlots::Edit(int slot, const ObjectEdit& edit) {
    if (!IsLoggedIn(slot))
        return kResultNotPresent;
    const Session& session = sessions_[slot];
    const std::optional<Located> at = Locate(slot);
    if (!at)
        return kResultNotPresent;
    return store_.Locked(at->reader, [&] {
        CardFile card;
        int result = store_.ReadCard(session.cardPath, card);
        if (result != kTokenOk)
            return result == kTokenFailed ? kResultNotPresent : result;
        if (card.serial != session.serial)
            return kResultNotPresent;
        TokenFile file;
        result = ReadApplication(card, session.application, file);
        std::vector<TokenObject> privateObjects;
        if (result == kTokenOk)
            result = UnsealToken(file, session.key, privateObjects);
        if (result == kTokenOk)
            result = edit(file.publicObjects, privateObjects);
        std::vector<uint8_t> bytes;
        if (result == kTokenOk && !SerializeTokenFile(file, session.key, privateObjects, bytes))
            result = kTokenFailed;
        if (result == kTokenOk && bytes.size() > kMaxTokenFileSize)
            result = kTokenFailed;
        WipeObjectList(privateObjects);
        if (result == kTokenOk) {
            card.applications[session.application].content = std::move(bytes);
            if (!store_.WriteCardLocked(session.cardPath, card))
                result = kTokenFailed;
        }
        return result;
    });
}

int ModuleContext::ReadSlotToken(int slotId, TokenFile& file) {
    if (IsCardSlot(slotId))
        return cards_.ReadToken(slotId, file);
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(slotId);
    if (!slot || slot->state != kTokenOk)
        return kResultNotPresent;
    return store_.Read(slot->stem, file);
}

}  // namespace orx
