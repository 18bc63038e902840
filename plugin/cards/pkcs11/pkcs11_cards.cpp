// The PKCS#11 cards' slots: looking at the modules, the slot event poll, the lists
// and "TokenInfo", and the sessions of the card slots.
#include "cards/pkcs11/pkcs11_cards.h"

#include <algorithm>
#include <set>

#include "cardfile/reader_store.h"
#include "cards/pkcs11/card_results.h"
#include "core/trace.h"
#include "properties/list_field.h"

namespace orx {

namespace {

// Events are taken one after the other; a reader full of cards sends a few at once.
constexpr int kEventsPerPoll = 16;
// What a poll compares without a slot event: the slots with a token.
constexpr CK_ULONG kPolledSlots = 64;

// The slot list with the module's two-call convention; a list that grows between the
// calls is asked for again.
bool SlotList(CK_FUNCTION_LIST* f, CK_BBOOL withToken, std::vector<CK_SLOT_ID>& ids) {
    for (int round = 0; round < 3; ++round) {
        CK_ULONG count = 0;
        if (f->C_GetSlotList(withToken, nullptr, &count) != CKR_OK)
            return false;
        ids.resize(count);
        const CK_RV rv = f->C_GetSlotList(withToken, ids.data(), &count);
        if (rv == CKR_BUFFER_TOO_SMALL)
            continue;
        if (rv != CKR_OK)
            return false;
        ids.resize(count);
        return true;
    }
    return false;
}

void Mix(uint64_t& hash, std::string_view text) {
    for (const char c : text) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 1099511628211ull;
    }
    hash ^= 0xFF;
    hash *= 1099511628211ull;
}

std::string PinState(CK_FLAGS flags, CK_FLAGS locked, CK_FLAGS final, CK_FLAGS low) {
    if (flags & locked)
        return "locked";
    if (flags & final)
        return "final";
    if (flags & low)
        return "low";
    return "";
}

std::string Length(CK_ULONG value) {
    return value == CK_UNAVAILABLE_INFORMATION ? std::string("?") : std::to_string(value);
}

}  // namespace

Pkcs11Cards::Pkcs11Cards(const CardBackend& before)
    : before_(before), settings_(ReadReaderSettings()) {
    modules_.Load(settings_);
    Scan();
}

Pkcs11Cards::~Pkcs11Cards() {
    while (!sessions_.empty())
        Close(sessions_.begin()->first);
    modules_.Unload();
}

bool Pkcs11Cards::Configure() {
    const ReaderSettings now = ReadReaderSettings();
    const bool otherModules = now.system != settings_.system || now.modules != settings_.modules;
    const bool otherReaders = now.accepted != settings_.accepted;
    settings_ = now;
    if (otherModules) {
        while (!sessions_.empty())
            Close(sessions_.begin()->first);
        modules_.Load(settings_);
    }
    if (!otherModules && !otherReaders)
        return false;
    Scan();
    return true;
}

void Pkcs11Cards::Scan() {
    std::vector<SeenSlot> seen;
    std::vector<Slot> found;
    for (size_t m = 0; m < modules_.list().size(); ++m) {
        CardModule& module = modules_.list()[m];
        if (!module.ready())
            continue;
        CK_FUNCTION_LIST* f = module.functions;
        std::vector<CK_SLOT_ID> ids;
        if (!SlotList(f, CK_FALSE, ids))
            continue;
        module.removableSlots = false;
        for (const CK_SLOT_ID id : ids) {
            CK_SLOT_INFO info{};
            if (f->C_GetSlotInfo(id, &info) != CKR_OK)
                continue;
            if (info.flags & CKF_REMOVABLE_DEVICE)
                module.removableSlots = true;
            Slot slot;
            slot.module = m;
            slot.slot = id;
            slot.reader = FixedText(info.slotDescription, sizeof info.slotDescription);
            if (!settings_.Accepts(slot.reader))
                continue;
            CK_TOKEN_INFO token{};
            const bool hasToken = (info.flags & CKF_TOKEN_PRESENT) &&
                                  f->C_GetTokenInfo(id, &token) == CKR_OK &&
                                  (token.flags & CKF_TOKEN_INITIALIZED);
            if (hasToken) {
                slot.label = FixedText(token.label, sizeof token.label);
                slot.serial = FixedText(token.serialNumber, sizeof token.serialNumber);
                slot.manufacturer = FixedText(token.manufacturerID, sizeof token.manufacturerID);
                slot.model = FixedText(token.model, sizeof token.model);
            }
            seen.push_back(SeenSlot{ReaderId{m, slot.reader}, id, hasToken});
            found.push_back(std::move(slot));
        }
        SlotList(f, CK_TRUE, module.lastSlots);
    }
    const int firstGroup = static_cast<int>((before_.SlotCardCount() + kSlotsPerCard - 1) /
                                            static_cast<size_t>(kSlotsPerCard));
    const std::vector<int> ids = groups_.Assign(seen, firstGroup);
    slots_.clear();
    for (size_t i = 0; i < found.size(); ++i) {
        if (ids[i] == 0)
            continue;
        found[i].id = ids[i];
        slots_.push_back(std::move(found[i]));
    }
    std::sort(slots_.begin(), slots_.end(),
              [](const Slot& a, const Slot& b) { return a.id < b.id; });
    // A session belongs to the token it was opened on: one that went, or was swapped
    // for another, takes the session (and its login) with it.
    std::vector<int> stale;
    for (const auto& [id, session] : sessions_) {
        const Slot* slot = Find(id);
        if (!slot || slot->module != session.module || slot->slot != session.slot ||
            slot->serial != session.serial || slot->label != session.label)
            stale.push_back(id);
    }
    for (const int id : stale)
        Close(id);
    uint64_t hash = 14695981039346656037ull;
    for (const Slot& slot : slots_) {
        Mix(hash, std::to_string(slot.id));
        Mix(hash, modules_.list()[slot.module].path);
        Mix(hash, std::to_string(slot.slot));
        Mix(hash, slot.serial);
        Mix(hash, slot.label);
    }
    stamp_ = hash;
}

void Pkcs11Cards::Poll() {
    bool look = false;
    const auto now = std::chrono::steady_clock::now();
    const auto detect = std::chrono::seconds(settings_.detect);
    const bool detecting = settings_.detect > 0;
    for (size_t m = 0; m < modules_.list().size(); ++m) {
        CardModule& module = modules_.list()[m];
        if (!module.ready()) {
            // A module that failed is tried again now and then.
            if (detecting && now - module.started >= detect && modules_.Start(module))
                look = true;
            continue;
        }
        CK_FUNCTION_LIST* f = module.functions;
        if (module.slotEvents) {
            CK_SLOT_ID slot = 0;
            const CK_RV rv = f->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr);
            if (rv == CKR_OK) {
                look = true;
                for (int i = 0; i < kEventsPerPoll &&
                                f->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr) == CKR_OK;
                     ++i) {
                }
            } else if (rv == CKR_FUNCTION_NOT_SUPPORTED) {
                module.slotEvents = false;
                Trace("Plg - PKCS#11 module %s has no slot events: its slot list is compared",
                      module.path.c_str());
            }
        }
        if (!module.slotEvents) {
            CK_SLOT_ID ids[kPolledSlots];
            CK_ULONG count = kPolledSlots;
            const CK_RV rv = f->C_GetSlotList(CK_TRUE, ids, &count);
            if (rv != CKR_OK ||
                !std::equal(ids, ids + count, module.lastSlots.begin(), module.lastSlots.end()))
                look = true;
        }
        // A module whose slots are all fixed sees a new token only when started again:
        // it is, now and then, while none of its tokens is logged in.
        if (detecting && !module.removableSlots && now - module.started >= detect) {
            const bool loggedIn = std::any_of(sessions_.begin(), sessions_.end(), [&](auto& entry) {
                return entry.second.module == m && entry.second.loggedIn;
            });
            if (loggedIn)
                continue;
            CloseSessionsOf(m);
            modules_.Restart(module);
            look = true;
        }
    }
    if (look)
        Scan();
}

void Pkcs11Cards::Refresh() {
    for (size_t m = 0; m < modules_.list().size(); ++m) {
        CardModule& module = modules_.list()[m];
        if (!module.ready()) {
            modules_.Start(module);
            continue;
        }
        if (module.removableSlots)
            continue;  // its readers tell it what comes and goes
        CloseSessionsOf(m);
        if (modules_.Restart(module))
            Trace("Plg - PKCS#11 module %s started again: its logins have ended",
                  module.path.c_str());
    }
    Scan();
}

const Pkcs11Cards::Slot* Pkcs11Cards::Find(int id) const {
    for (const Slot& slot : slots_) {
        if (slot.id == id)
            return &slot;
    }
    return nullptr;
}

size_t Pkcs11Cards::SlotCardCount() const {
    std::set<int> groups;
    for (const Slot& slot : slots_)
        groups.insert((slot.id - 1) / kSlotsPerCard);
    return groups.size() * kSlotsPerCard;
}

std::optional<std::string> Pkcs11Cards::SlotCardEntry(int index) {
    std::vector<int> groups;
    for (const Slot& slot : slots_) {
        const int group = (slot.id - 1) / kSlotsPerCard;
        if (groups.empty() || groups.back() != group)
            groups.push_back(group);
    }
    const size_t at = static_cast<size_t>(index / kSlotsPerCard);
    if (index < 0 || at >= groups.size())
        return std::nullopt;
    const int id = groups[at] * kSlotsPerCard + index % kSlotsPerCard + 1;
    const ReaderId* reader = groups_.ReaderOf(id);
    const Slot* slot = Find(id);
    return std::to_string(id) + ";" + SlotField(reader ? reader->name : "") + ";" +
           SlotField(slot ? slot->label : "");
}

std::vector<std::string> Pkcs11Cards::SlotEntries(bool) {
    // Only initialised tokens are card slots, so every slot is a usable token.
    std::vector<std::string> out;
    for (const Slot& slot : slots_)
        out.push_back(std::to_string(slot.id) + ";" + SlotField(slot.label));
    return out;
}

bool Pkcs11Cards::TokenFlags(int id, CK_TOKEN_INFO& info) {
    const Slot* slot = Find(id);
    if (!slot)
        return false;
    info = CK_TOKEN_INFO{};
    return modules_.list()[slot->module].functions->C_GetTokenInfo(slot->slot, &info) == CKR_OK &&
           (info.flags & CKF_TOKEN_INITIALIZED);
}

std::optional<std::string> Pkcs11Cards::TokenInfo(int id) {
    CK_TOKEN_INFO info{};
    const Slot* slot = Find(id);
    if (!slot || !TokenFlags(id, info))
        return std::nullopt;
    return std::to_string(id) + ";" + SlotField(FixedText(info.label, sizeof info.label)) + ";" +
           SlotField(slot->serial) + ";" + SlotField(slot->manufacturer) + ";Smart Card;" +
           SlotField(modules_.list()[slot->module].path) + ";" + SlotField(slot->model) + ";" +
           Length(info.ulMinPinLen) + "-" + Length(info.ulMaxPinLen) + ";" +
           SlotField(slot->reader) + ";" +
           PinState(info.flags, CKF_USER_PIN_LOCKED, CKF_USER_PIN_FINAL_TRY,
                    CKF_USER_PIN_COUNT_LOW) +
           ";" +
           PinState(info.flags, CKF_SO_PIN_LOCKED, CKF_SO_PIN_FINAL_TRY, CKF_SO_PIN_COUNT_LOW);
}

Pkcs11Cards::Session* Pkcs11Cards::Open(int id, int& result) {
    const Slot* slot = Find(id);
    if (!slot) {
        result = CKR_TOKEN_NOT_PRESENT;
        return nullptr;
    }
    if (auto it = sessions_.find(id); it != sessions_.end())
        return &it->second;
    CK_FUNCTION_LIST* f = modules_.list()[slot->module].functions;
    CK_SESSION_HANDLE handle = CK_INVALID_HANDLE;
    CK_RV rv = f->C_OpenSession(slot->slot, CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr, nullptr,
                                &handle);
    // A token that cannot be written is still read.
    if (rv == CKR_TOKEN_WRITE_PROTECTED)
        rv = f->C_OpenSession(slot->slot, CKF_SERIAL_SESSION, nullptr, nullptr, &handle);
    if (rv != CKR_OK) {
        Trace("Plg - No session on the token of slot %d (0x%lx)", id, rv);
        result = CardResult(rv);
        return nullptr;
    }
    Session& session = sessions_[id];
    session = Session{slot->module, slot->slot, slot->serial, slot->label, handle};
    result = CKR_OK;
    return &session;
}

CardSession Pkcs11Cards::Of(const Session& session) const {
    return CardSession{modules_.list()[session.module].functions, session.handle};
}

void Pkcs11Cards::CloseSessionsOf(size_t module) {
    std::vector<int> ids;
    for (const auto& [id, session] : sessions_) {
        if (session.module == module)
            ids.push_back(id);
    }
    for (const int id : ids)
        Close(id);
}

void Pkcs11Cards::Close(int id) {
    auto it = sessions_.find(id);
    if (it == sessions_.end())
        return;
    const CardSession s = Of(it->second);
    if (modules_.list()[it->second.module].ready()) {
        if (it->second.loggedIn) {
            s.functions->C_Logout(s.handle);
            Trace("Plg - Logout of slot %d", id);
        }
        s.functions->C_CloseSession(s.handle);
    }
    sessions_.erase(it);
}

int Pkcs11Cards::Answer(int id, CK_RV rv) {
    if (TokenGone(rv)) {
        Trace("Plg - The token of slot %d went (0x%lx)", id, rv);
        Close(id);
    }
    return CardResult(rv);
}

void Pkcs11Cards::Use(int id) {
    if (auto it = sessions_.find(id); it != sessions_.end())
        it->second.lastUse = std::chrono::steady_clock::now();
}

bool Pkcs11Cards::IsLoggedIn(int id) {
    auto it = sessions_.find(id);
    if (it == sessions_.end() || !Find(id))
        return false;
    const CardSession s = Of(it->second);
    CK_SESSION_INFO info{};
    const CK_RV rv = s.functions->C_GetSessionInfo(s.handle, &info);
    if (rv != CKR_OK) {
        Answer(id, rv);
        return false;
    }
    const bool loggedIn =
        info.state == CKS_RO_USER_FUNCTIONS || info.state == CKS_RW_USER_FUNCTIONS;
    if (!loggedIn)
        it->second.loggedIn = false;
    return loggedIn;
}

bool Pkcs11Cards::AnyLoggedOut() const {
    for (const Slot& slot : slots_) {
        const auto it = sessions_.find(slot.id);
        if (it == sessions_.end() || !it->second.loggedIn)
            return true;
    }
    return false;
}

void Pkcs11Cards::EndIdleLogins(std::chrono::steady_clock::duration idle) {
    const auto now = std::chrono::steady_clock::now();
    for (auto& [id, session] : sessions_) {
        if (!session.loggedIn || now - session.lastUse < idle)
            continue;
        Trace("Plg - Slot %d was not used for a while", id);
        const CardSession s = Of(session);
        s.functions->C_Logout(s.handle);
        session.loggedIn = false;
        Trace("Plg - Logout of slot %d", id);
    }
}

}  // namespace orx
