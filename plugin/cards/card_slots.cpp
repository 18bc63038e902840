#include "cards/card_slots.h"

#include <cstdlib>

#include "core/trace.h"

namespace orx {

CardSlots::CardSlots() {
    auto readers = std::make_unique<VirtualCards>();
    readers_ = readers.get();
    backends_.push_back(std::move(readers));
    stamp_ = ChangeStamp();
}

void CardSlots::Add(std::unique_ptr<CardBackend> backend) {
    backends_.push_back(std::move(backend));
    stamp_ = ChangeStamp();
}

void CardSlots::Configure() {
    for (const auto& backend : backends_) {
        if (backend->Configure())
            stamp_ = 0;  // the next poll reports the other readers' cards
    }
}

bool CardSlots::Changed() {
    for (const auto& backend : backends_)
        backend->Poll();
    const uint64_t now = ChangeStamp();
    if (now == stamp_)
        return false;
    stamp_ = now;
    return true;
}

void CardSlots::Refresh() {
    for (const auto& backend : backends_)
        backend->Refresh();
}

uint64_t CardSlots::ChangeStamp() const {
    // One back-end's stamp stays as it is, so that what was recorded with it still holds.
    uint64_t stamp = 0;
    for (const auto& backend : backends_)
        stamp = stamp * 1099511628211ull ^ backend->ChangeStamp();
    return stamp;
}

CardBackend* CardSlots::Owner(int slot) const {
    // A later back-end's groups follow the earlier ones', which may claim a range
    // wider than what they use (the virtual readers claim every card id): the later
    // ones are asked first.
    for (auto it = backends_.rbegin(); it != backends_.rend(); ++it) {
        if ((*it)->OwnsSlot(slot))
            return it->get();
    }
    return nullptr;
}

std::optional<std::string> CardSlots::SlotCardEntry(int index) {
    for (size_t i = 0; i < backends_.size(); ++i) {
        // The last back-end's entries need no count.
        if (i + 1 < backends_.size()) {
            const int count = static_cast<int>(backends_[i]->SlotCardCount());
            if (index >= count) {
                index -= count;
                continue;
            }
        }
        return backends_[i]->SlotCardEntry(index);
    }
    return std::nullopt;
}

std::vector<std::string> CardSlots::SlotEntries(bool usableOnly) {
    std::vector<std::string> out;
    for (const auto& backend : backends_) {
        std::vector<std::string> entries = backend->SlotEntries(usableOnly);
        out.insert(out.end(), std::make_move_iterator(entries.begin()),
                   std::make_move_iterator(entries.end()));
    }
    return out;
}

std::optional<std::string> CardSlots::TokenInfo(int slot) {
    CardBackend* owner = Owner(slot);
    return owner ? owner->TokenInfo(slot) : std::nullopt;
}

bool CardSlots::IsLoggedIn(int slot) {
    CardBackend* owner = Owner(slot);
    return owner && owner->IsLoggedIn(slot);
}

bool CardSlots::AnyLoggedOut() const {
    for (const auto& backend : backends_) {
        if (backend->AnyLoggedOut())
            return true;
    }
    return false;
}

std::vector<CardToken> CardSlots::Tokens() {
    std::vector<CardToken> out;
    for (const auto& backend : backends_) {
        std::vector<CardToken> tokens = backend->Tokens();
        out.insert(out.end(), std::make_move_iterator(tokens.begin()),
                   std::make_move_iterator(tokens.end()));
    }
    return out;
}

std::vector<int> CardSlots::TokenSlots() {
    std::vector<int> ids;
    for (const std::string& entry : SlotEntries(true))
        ids.push_back(std::atoi(entry.c_str()));
    return ids;
}

std::optional<std::string> CardSlots::CertificateId(int slot,
                                                    std::span<const uint8_t> certificateDer) {
    CardBackend* owner = Owner(slot);
    return owner ? owner->CertificateId(slot, certificateDer) : std::nullopt;
}

int CardSlots::ReadToken(int slot, TokenFile& file) {
    CardBackend* owner = Owner(slot);
    return owner ? owner->ReadToken(slot, file) : CKR_TOKEN_NOT_PRESENT;
}

int CardSlots::Unseal(int slot, std::vector<TokenObject>& privateObjects) {
    CardBackend* owner = Owner(slot);
    return owner ? owner->Unseal(slot, privateObjects) : CKR_TOKEN_NOT_PRESENT;
}

int CardSlots::Edit(int slot, const ObjectEdit& edit) {
    CardBackend* owner = Owner(slot);
    return owner ? owner->Edit(slot, edit) : CKR_TOKEN_NOT_PRESENT;
}

int CardSlots::EnsureLogin(int slot, PromptSource& prompts) {
    CardBackend* owner = Owner(slot);
    if (!owner)
        return CKR_TOKEN_NOT_PRESENT;
    return owner->IsLoggedIn(slot) ? CKR_OK : owner->Login(slot, prompts);
}

int CardSlots::Login(int slot, PromptSource& prompts) {
    CardBackend* owner = Owner(slot);
    return owner ? owner->Login(slot, prompts) : CKR_TOKEN_NOT_PRESENT;
}

int CardSlots::ChangePassword(int slot, PromptSource& prompts) {
    CardBackend* owner = Owner(slot);
    return owner ? owner->ChangePassword(slot, prompts) : CKR_TOKEN_NOT_PRESENT;
}

int CardSlots::UnlockPassword(int slot, PromptSource& prompts) {
    CardBackend* owner = Owner(slot);
    if (!owner) {
        Trace("Plg - UnlockPassword: slot %d is no card", slot);
        return CKR_FUNCTION_NOT_SUPPORTED;
    }
    return owner->UnlockPassword(slot, prompts);
}

void CardSlots::EndIdleLogins(std::chrono::steady_clock::duration idle) {
    for (const auto& backend : backends_)
        backend->EndIdleLogins(idle);
}

int CardSlots::CardKey(int slot, std::string_view certificateId, X509* certificate,
                       PromptSource& prompts, PkeyPtr& key) {
    CardBackend* owner = Owner(slot);
    return owner ? owner->CardKey(slot, certificateId, certificate, prompts, key)
                 : CKR_TOKEN_NOT_PRESENT;
}

PkeyPtr CardSlots::CardKeyAhead(int slot, X509* certificate, std::function<EVP_PKEY*()> found) {
    CardBackend* owner = Owner(slot);
    return owner ? owner->CardKeyAhead(certificate, std::move(found)) : nullptr;
}

}  // namespace orx
