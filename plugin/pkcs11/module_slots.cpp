// The slots and tokens as PKCS#11 describes them, the mechanisms, and the slot
// events that tell a waiting caller a token came or went.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/config_file.h"
#include "core/hex_text.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "pkcs11/blank_padded.h"
#include "pkcs11/mechanisms.h"
#include "pkcs11/module.h"
#include "pkcs11/product_version.h"
#include "prompts/password_prompt.h"

namespace orx::p11 {

namespace {

// How often a blocking wait for a slot event looks at the folders.
constexpr auto kEventPoll = std::chrono::milliseconds(200);

// The token's serial number as its 16 hex digits: the program's groups without blanks.
std::string SerialDigits(const std::array<uint8_t, 8>& serial) {
    return HexText(serial, HexCase::kUpper);
}

CK_RV CopyList(const std::vector<CK_ULONG>& values, CK_ULONG* list, CK_ULONG_PTR count) {
    const CK_ULONG size = values.size();
    if (list) {
        if (*count < size) {
            *count = size;
            return CKR_BUFFER_TOO_SMALL;
        }
        std::copy(values.begin(), values.end(), list);
    }
    *count = size;
    return CKR_OK;
}

}  // namespace

Module::Module() {
    std::string flag;
    protectedPath_ =
        ConfigReadString(kModuleSection, kProtectedPathKey, flag, 16) == kConfigOk && flag == "1";
    eventStamp_ = slots_.ChangeStamp();
    eventTokens_ = TokenIdentities();
}

Module::~Module() {
    for (CK_SLOT_ID slot : loggedIn_)
        slots_.Logout(slot);
}

void Module::Stop() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
}

CK_RV Module::GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
    if (!count)
        return CKR_ARGUMENTS_BAD;
    const std::lock_guard<std::mutex> hold(lock_);
    const bool present = tokenPresent != CK_FALSE;
    // The list is made anew when a caller asks for its length, and handed out as it
    // was made when the caller comes back with a buffer for it.
    auto made = slotLists_.find(present);
    if (!list || made == slotLists_.end()) {
        std::vector<CK_SLOT_ID> ids;
        for (CK_SLOT_ID id : slots_.Ids()) {
            if (!present) {
                ids.push_back(id);
                continue;
            }
            const std::optional<SlotState> state = slots_.State(id);
            if (state && state->present)
                ids.push_back(id);
        }
        made = slotLists_.insert_or_assign(present, std::move(ids)).first;
    }
    return CopyList(made->second, list, count);
}

CK_RV Module::GetSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO_PTR info) {
    if (!info)
        return CKR_ARGUMENTS_BAD;
    const std::lock_guard<std::mutex> hold(lock_);
    const std::optional<SlotState> state = slots_.State(slot);
    if (!state)
        return CKR_SLOT_ID_INVALID;
    std::memset(info, 0, sizeof *info);
    PutBlankPadded(info->slotDescription, state->description);
    PutBlankPadded(info->manufacturerID, GetCompanyName());
    // Cards go in and out of readers, token files are made and deleted.
    info->flags = CKF_REMOVABLE_DEVICE | (state->present ? CKF_TOKEN_PRESENT : 0);
    info->hardwareVersion = ProductVersion();
    info->firmwareVersion = ProductVersion();
    return CKR_OK;
}

CK_RV Module::GetTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info) {
    if (!info)
        return CKR_ARGUMENTS_BAD;
    const std::lock_guard<std::mutex> hold(lock_);
    std::optional<SlotState> state;
    if (const CK_RV present = PresentToken(slot, state); present != CKR_OK)
        return present;
    std::memset(info, 0, sizeof *info);
    PutBlankPadded(info->label, state->header.label);
    PutBlankPadded(info->manufacturerID, GetCompanyName());
    PutBlankPadded(info->model, state->card ? "Smart Card" : "Soft Token");
    PutBlankPadded(info->serialNumber, SerialDigits(state->header.serial));
    info->flags = CKF_RNG | CKF_LOGIN_REQUIRED | CKF_USER_PIN_INITIALIZED | CKF_TOKEN_INITIALIZED;
    if (protectedPath_)
        info->flags |= CKF_PROTECTED_AUTHENTICATION_PATH;
    if (state->card && state->triesLeft >= 0) {
        if (state->triesLeft == 0)
            info->flags |= CKF_USER_PIN_LOCKED;
        else if (state->triesLeft == 1)
            info->flags |= CKF_USER_PIN_FINAL_TRY;
        if (state->triesLeft > 0 && state->triesLeft < state->maxTries)
            info->flags |= CKF_USER_PIN_COUNT_LOW;
    }
    CK_ULONG sessions = 0;
    CK_ULONG writable = 0;
    for (const auto& [handle, session] : sessions_) {
        if (session->slot != slot)
            continue;
        ++sessions;
        if (session->flags & CKF_RW_SESSION)
            ++writable;
    }
    info->ulMaxSessionCount = CK_EFFECTIVELY_INFINITE;
    info->ulSessionCount = sessions;
    info->ulMaxRwSessionCount = CK_EFFECTIVELY_INFINITE;
    info->ulRwSessionCount = writable;
    info->ulMaxPinLen = kMaxPasswordLength;
    info->ulMinPinLen = kMinPasswordLength;
    info->ulTotalPublicMemory = CK_UNAVAILABLE_INFORMATION;
    info->ulFreePublicMemory = CK_UNAVAILABLE_INFORMATION;
    info->ulTotalPrivateMemory = CK_UNAVAILABLE_INFORMATION;
    info->ulFreePrivateMemory = CK_UNAVAILABLE_INFORMATION;
    info->hardwareVersion = ProductVersion();
    info->firmwareVersion = ProductVersion();
    // No clock on the token: CKF_CLOCK_ON_TOKEN is not set and the time stays blank.
    PutBlankPadded(info->utcTime, "");
    return CKR_OK;
}

CK_RV Module::GetMechanismList(CK_SLOT_ID slot, CK_MECHANISM_TYPE_PTR list, CK_ULONG_PTR count) {
    if (!count)
        return CKR_ARGUMENTS_BAD;
    const std::lock_guard<std::mutex> hold(lock_);
    std::optional<SlotState> state;
    if (const CK_RV present = PresentToken(slot, state); present != CKR_OK)
        return present;
    std::vector<CK_ULONG> types;
    for (const Mechanism& mechanism : Mechanisms())
        types.push_back(mechanism.type);
    return CopyList(types, list, count);
}

CK_RV Module::GetMechanismInfo(CK_SLOT_ID slot, CK_MECHANISM_TYPE type,
                               CK_MECHANISM_INFO_PTR info) {
    if (!info)
        return CKR_ARGUMENTS_BAD;
    const std::lock_guard<std::mutex> hold(lock_);
    std::optional<SlotState> state;
    if (const CK_RV present = PresentToken(slot, state); present != CKR_OK)
        return present;
    const Mechanism* mechanism = FindMechanism(type);
    if (!mechanism)
        return CKR_MECHANISM_INVALID;
    *info = MechanismInfo(*mechanism);
    return CKR_OK;
}

CK_RV Module::PresentToken(CK_SLOT_ID slot, std::optional<SlotState>& state) {
    state = slots_.State(slot);
    if (!state)
        return CKR_SLOT_ID_INVALID;
    return state->present ? CKR_OK : CKR_TOKEN_NOT_PRESENT;
}

std::map<CK_SLOT_ID, std::string> Module::TokenIdentities() {
    std::map<CK_SLOT_ID, std::string> tokens;
    for (CK_SLOT_ID id : slots_.Ids()) {
        const std::optional<SlotState> state = slots_.State(id);
        if (state && state->present)
            tokens[id] = SerialDigits(state->header.serial) + state->header.label;
        else
            tokens[id] = "";
    }
    return tokens;
}

std::optional<CK_SLOT_ID> Module::NextSlotEvent() {
    const uint64_t stamp = slots_.ChangeStamp();
    if (stamp != eventStamp_) {
        eventStamp_ = stamp;
        std::map<CK_SLOT_ID, std::string> now = TokenIdentities();
        // A slot that went counts as well as one whose token came, went or changed.
        std::set<CK_SLOT_ID> ids;
        for (const auto& [id, token] : now)
            ids.insert(id);
        for (const auto& [id, token] : eventTokens_)
            ids.insert(id);
        for (CK_SLOT_ID id : ids) {
            auto before = eventTokens_.find(id);
            auto after = now.find(id);
            const std::string was = before == eventTokens_.end() ? "" : before->second;
            const std::string is = after == now.end() ? "" : after->second;
            if (was != is &&
                std::find(pendingEvents_.begin(), pendingEvents_.end(), id) == pendingEvents_.end())
                pendingEvents_.push_back(id);
        }
        eventTokens_ = std::move(now);
    }
    if (pendingEvents_.empty())
        return std::nullopt;
    const CK_SLOT_ID id = pendingEvents_.front();
    pendingEvents_.pop_front();
    return id;
}

CK_RV Module::WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot) {
    if (!slot)
        return CKR_ARGUMENTS_BAD;
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        if (stopping_)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        if (const std::optional<CK_SLOT_ID> event = NextSlotEvent()) {
            Trace("P11 - Slot event in slot %lu", static_cast<unsigned long>(*event));
            *slot = *event;
            return CKR_OK;
        }
        if (flags & CKF_DONT_BLOCK)
            return CKR_NO_EVENT;
        wake_.wait_for(hold, kEventPoll);
    }
}

}  // namespace orx::p11
