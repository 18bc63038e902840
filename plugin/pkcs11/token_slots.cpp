#include "pkcs11/token_slots.h"

#include "core/product_identity.h"
#include "core/text_fields.h"

namespace orx::p11 {

TokenSlots::TokenSlots() {
    prompts_.LoadSettings();
    soft_.Scan();
}

std::vector<CK_SLOT_ID> TokenSlots::Ids() {
    std::vector<CK_SLOT_ID> ids;
    const size_t cardSlots = cards_.SlotCardCount();
    for (size_t i = 0; i < cardSlots; ++i)
        ids.push_back(i + 1);
    soft_.Scan();
    for (const SoftSlot& slot : soft_.slots())
        ids.push_back(static_cast<CK_SLOT_ID>(slot.id));
    return ids;
}

std::optional<SlotState> TokenSlots::State(CK_SLOT_ID slot) {
    SlotState state;
    state.id = slot;
    const int id = static_cast<int>(slot);
    if (slot > static_cast<CK_SLOT_ID>(kSoftSlotLimit))
        return std::nullopt;
    if (IsCard(slot)) {
        // "id;reader;card label" of the slot's reader, whatever is in it.
        const std::optional<std::string> entry = cards_.SlotCardEntry(id - 1);
        if (!entry)
            return std::nullopt;
        state.card = true;
        state.description = GetField(*entry, ';', 1, entry->size() + 1) + " (" +
                            std::string(kCardApplicationNames[(slot - 1) % kSlotsPerCard]) + ")";
        CardTries tries;
        state.present = cards_.ReadToken(id, state.header, tries) == CKR_OK;
        state.triesLeft = tries.left;
        state.maxTries = tries.most;
        return state;
    }
    soft_.Scan();
    const SoftSlot* found = soft_.Find(id);
    if (!found)
        return std::nullopt;
    state.description = GetProductName() + " Soft Token " + found->stem;
    state.present = found->state == CKR_OK && soft_.ReadToken(id, state.header) == CKR_OK;
    return state;
}

uint64_t TokenSlots::ChangeStamp() const {
    return soft_.store().ChangeStamp() * 31 + cards_.ChangeStamp();
}

int TokenSlots::ReadToken(CK_SLOT_ID slot, TokenFile& file) {
    const int id = static_cast<int>(slot);
    return IsCard(slot) ? cards_.ReadToken(id, file) : soft_.ReadToken(id, file);
}

int TokenSlots::Unseal(CK_SLOT_ID slot, std::vector<TokenObject>& privateObjects) {
    const int id = static_cast<int>(slot);
    return IsCard(slot) ? cards_.Unseal(id, privateObjects) : soft_.Unseal(id, privateObjects);
}

int TokenSlots::Edit(CK_SLOT_ID slot, const ObjectEdit& edit) {
    const int id = static_cast<int>(slot);
    return IsCard(slot) ? cards_.Edit(id, edit) : soft_.Edit(id, edit);
}

int TokenSlots::Login(CK_SLOT_ID slot, std::string_view password) {
    const int id = static_cast<int>(slot);
    return IsCard(slot) ? cards_.LoginWith(id, password) : soft_.LoginWith(id, password);
}

int TokenSlots::LoginWithPrompt(CK_SLOT_ID slot) {
    const int id = static_cast<int>(slot);
    return IsCard(slot) ? cards_.Login(id, prompts_) : soft_.Login(id, prompts_);
}

void TokenSlots::Logout(CK_SLOT_ID slot) {
    const int id = static_cast<int>(slot);
    if (IsCard(slot))
        cards_.Logout(id);
    else
        soft_.Logout(id);
}

bool TokenSlots::IsLoggedIn(CK_SLOT_ID slot) {
    const int id = static_cast<int>(slot);
    return IsCard(slot) ? cards_.IsLoggedIn(id) : soft_.IsLoggedIn(id);
}

}  // namespace orx::p11
