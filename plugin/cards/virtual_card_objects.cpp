// The certificates, keys and data objects of virtual card applications: the same
// token objects as on soft tokens, kept in the application's token inside the card
// file and written back under the reader's lock.
#include "cards/virtual_cards.h"

namespace orx {

std::vector<CardToken> VirtualCards::Tokens() {
    std::vector<CardToken> out;
    const std::vector<Reader> readers = store_.List();
    for (size_t r = 0; r < readers.size(); ++r) {
        CardFile card;
        if (readers[r].cardPath.empty() || store_.ReadCard(readers[r].cardPath, card) != CKR_OK)
            continue;
        for (size_t a = 0; a < kCardApplications; ++a) {
            CardToken token;
            token.slot = static_cast<int>(r) * kSlotsPerCard + static_cast<int>(a) + 1;
            if (ReadApplication(card, a, token.file) == CKR_OK)
                out.push_back(std::move(token));
        }
    }
    return out;
}

int VirtualCards::ReadToken(int slot, TokenFile& file) {
    CardTries tries;
    return ReadToken(slot, file, tries);
}

int VirtualCards::ReadToken(int slot, TokenFile& file, CardTries& tries) {
    const std::optional<CardPlace> at = Locate(slot);
    if (!at || at->reader.cardPath.empty())
        return CKR_TOKEN_NOT_PRESENT;
    CardFile card;
    const int read = store_.ReadCard(at->reader.cardPath, card);
    if (read != CKR_OK)
        return read == CKR_FUNCTION_FAILED ? CKR_TOKEN_NOT_PRESENT : read;
    const int application = ReadApplication(card, at->application, file);
    if (application == CKR_OK) {
        tries.left = card.applications[at->application].triesLeft;
        tries.most = card.applications[at->application].maxTries;
    }
    return application;
}

int VirtualCards::Unseal(int slot, std::vector<TokenObject>& privateObjects) {
    if (!IsLoggedIn(slot))
        return CKR_TOKEN_NOT_PRESENT;
    TokenFile file;
    const int read = ReadToken(slot, file);
    if (read != CKR_OK)
        return read;
    logins_.Touch(slot);
    return UnsealToken(file, logins_.Find(slot)->key, privateObjects);
}

int VirtualCards::Edit(int slot, const ObjectEdit& edit) {
    if (!IsLoggedIn(slot))
        return CKR_TOKEN_NOT_PRESENT;
    logins_.Touch(slot);
    const Session& session = *logins_.Find(slot);
    const std::optional<CardPlace> at = Locate(slot);
    if (!at)
        return CKR_TOKEN_NOT_PRESENT;
    return EditCardApplication(store_, at->reader, session.cardPath, session.serial,
                               session.application, session.key, edit);
}

}  // namespace orx
