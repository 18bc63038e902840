// A PKCS#11 module for tests: readers and tokens from a text file, so that a test
// can make a token appear, go, lock its PIN or ask for it on a PIN pad, which no
// real module does on demand. Its file is $MOCK_PKCS11_DIR/<module file name
// without ".so">.conf, read again at every look at the slots:
//   init=fail            C_Initialize fails
//   events=1             C_WaitForSlotEvent reports each slot whose token came or
//                        went; without it the module has no slot events
//   slot=ID;READER;LABEL;OPTIONS
//                        a slot of reader READER; LABEL empty: no token. OPTIONS,
//                        ","-separated: pinpad (protected authentication path),
//                        blank (a token that is not initialised)
//   refuse=CLASS         C_CreateObject of that object class answers that the card
//                        is full (CKR_DEVICE_MEMORY)
// Every token's user PIN is "123456", its SO PIN "87654321"; three wrong PINs lock
// it (the flags count down), the right SO PIN and C_InitPIN unlock it. Objects live
// in memory while the module is loaded; private ones need a login. The calls that
// matter are appended to <name>.log (never a PIN).
#include <p11-kit/pkcs11.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kUserPin = "123456";
constexpr const char* kSoPin = "87654321";
constexpr int kTries = 3;

struct MockSlot {
    CK_SLOT_ID id = 0;
    std::string reader;
    std::string label;
    bool pinPad = false;
    bool blank = false;
};

struct TokenState {
    int userTries = kTries;
    int soTries = kTries;
    bool pinInitialized = true;
};

struct MockObject {
    CK_OBJECT_HANDLE handle = 0;
    CK_SLOT_ID slot = 0;
    std::map<CK_ATTRIBUTE_TYPE, std::vector<uint8_t>> attributes;

    CK_ULONG Ulong(CK_ATTRIBUTE_TYPE type) const {
        auto it = attributes.find(type);
        CK_ULONG value = ~0ul;
        if (it != attributes.end() && it->second.size() == sizeof value)
            std::memcpy(&value, it->second.data(), sizeof value);
        return value;
    }
    bool Flag(CK_ATTRIBUTE_TYPE type) const {
        auto it = attributes.find(type);
        return it != attributes.end() && it->second.size() == 1 && it->second[0] == CK_TRUE;
    }
};

struct State {
    std::mutex lock;
    bool initialized = false;
    std::string name;  // the module's file name without ".so"
    std::vector<MockSlot> slots;
    std::map<CK_SLOT_ID, std::string> reported;  // what the last slot event saw
    std::map<std::string, TokenState> tokens;    // by label
    std::map<CK_SESSION_HANDLE, CK_SLOT_ID> sessions;
    std::map<CK_SLOT_ID, CK_USER_TYPE> logins;
    CK_SESSION_HANDLE next = 1;
    bool events = false;
    bool initFails = false;
    CK_ULONG refused = ~0ul;  // an object class the card has no room for
    std::vector<MockObject> objects;
    CK_OBJECT_HANDLE nextObject = 1;
    std::map<CK_SESSION_HANDLE, std::vector<CK_OBJECT_HANDLE>> found;
};

State& S() {
    static State state;
    return state;
}

std::string Folder() {
    const char* dir = std::getenv("MOCK_PKCS11_DIR");
    return dir ? dir : ".";
}

void Log(const std::string& line) {
    std::ofstream(Folder() + "/" + S().name + ".log", std::ios::app) << line << "\n";
}

std::string ModuleName() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ModuleName), &info) || !info.dli_fname)
        return "mock_pkcs11";
    std::string file = info.dli_fname;
    file = file.substr(file.rfind('/') + 1);
    return file.substr(0, file.find(".so"));
}

// Reads the configuration file again.
void Load() {
    State& s = S();
    s.slots.clear();
    s.events = false;
    s.initFails = false;
    s.refused = ~0ul;
    std::ifstream in(Folder() + "/" + s.name + ".conf");
    for (std::string line; std::getline(in, line);) {
        if (line == "init=fail")
            s.initFails = true;
        if (line == "events=1")
            s.events = true;
        if (line.rfind("refuse=", 0) == 0)
            s.refused = std::stoul(line.substr(7));
        if (line.rfind("slot=", 0) != 0)
            continue;
        std::vector<std::string> fields;
        std::stringstream parts(line.substr(5));
        for (std::string field; std::getline(parts, field, ';');)
            fields.push_back(field);
        fields.resize(4);
        MockSlot slot;
        slot.id = std::stoul(fields[0]);
        slot.reader = fields[1];
        slot.label = fields[2];
        slot.pinPad = fields[3].find("pinpad") != std::string::npos;
        slot.blank = fields[3].find("blank") != std::string::npos;
        s.slots.push_back(slot);
    }
    // A token taken out takes its login with it.
    std::erase_if(s.logins, [&](const auto& login) {
        for (const MockSlot& slot : s.slots) {
            if (slot.id == login.first && !slot.label.empty())
                return false;
        }
        return true;
    });
}

MockSlot* FindSlot(CK_SLOT_ID id) {
    for (MockSlot& slot : S().slots) {
        if (slot.id == id)
            return &slot;
    }
    return nullptr;
}

void Pad(unsigned char* field, size_t size, const std::string& text) {
    std::memset(field, ' ', size);
    std::memcpy(field, text.data(), std::min(size, text.size()));
}

CK_FLAGS PinFlags(const TokenState& t) {
    CK_FLAGS flags = 0;
    if (t.pinInitialized)
        flags |= CKF_USER_PIN_INITIALIZED;
    if (t.userTries == 0)
        flags |= CKF_USER_PIN_LOCKED;
    else if (t.userTries == 1)
        flags |= CKF_USER_PIN_FINAL_TRY | CKF_USER_PIN_COUNT_LOW;
    else if (t.userTries < kTries)
        flags |= CKF_USER_PIN_COUNT_LOW;
    if (t.soTries == 0)
        flags |= CKF_SO_PIN_LOCKED;
    else if (t.soTries < kTries)
        flags |= CKF_SO_PIN_COUNT_LOW;
    return flags;
}

// The token of a session's slot, while it is there.
MockSlot* SessionSlot(CK_SESSION_HANDLE session, CK_RV& rv) {
    State& s = S();
    auto it = s.sessions.find(session);
    if (it == s.sessions.end()) {
        rv = CKR_SESSION_HANDLE_INVALID;
        return nullptr;
    }
    Load();
    MockSlot* slot = FindSlot(it->second);
    if (!slot || slot->label.empty()) {
        s.sessions.erase(it);
        rv = CKR_DEVICE_REMOVED;
        return nullptr;
    }
    rv = CKR_OK;
    return slot;
}

bool Matches(CK_UTF8CHAR_PTR pin, CK_ULONG size, const char* wanted) {
    return pin && size == std::strlen(wanted) && std::memcmp(pin, wanted, size) == 0;
}

#define LOCKED                                   \
    std::lock_guard<std::mutex> guard(S().lock); \
    if (!S().initialized)                        \
        return CKR_CRYPTOKI_NOT_INITIALIZED;

CK_RV Initialize(void*) {
    std::lock_guard<std::mutex> guard(S().lock);
    State& s = S();
    if (s.initialized)
        return CKR_CRYPTOKI_ALREADY_INITIALIZED;
    s.name = ModuleName();
    Load();
    Log("C_Initialize");
    if (s.initFails)
        return CKR_DEVICE_ERROR;
    s.initialized = true;
    s.reported.clear();
    for (const MockSlot& slot : s.slots)
        s.reported[slot.id] = slot.label;
    return CKR_OK;
}

CK_RV Finalize(void*) {
    LOCKED
    S().initialized = false;
    S().sessions.clear();
    S().logins.clear();
    Log("C_Finalize");
    return CKR_OK;
}

CK_RV GetInfo(CK_INFO_PTR info) {
    LOCKED
    std::memset(info, 0, sizeof *info);
    info->cryptokiVersion = {2, 40};
    Pad(info->manufacturerID, sizeof info->manufacturerID, "Mock");
    Pad(info->libraryDescription, sizeof info->libraryDescription, "Mock module");
    return CKR_OK;
}

CK_RV GetSlotList(CK_BBOOL withToken, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
    LOCKED
    Load();
    std::vector<CK_SLOT_ID> ids;
    for (const MockSlot& slot : S().slots) {
        if (!withToken || !slot.label.empty())
            ids.push_back(slot.id);
    }
    if (!list) {
        *count = ids.size();
        return CKR_OK;
    }
    if (*count < ids.size()) {
        *count = ids.size();
        return CKR_BUFFER_TOO_SMALL;
    }
    *count = ids.size();
    std::copy(ids.begin(), ids.end(), list);
    return CKR_OK;
}

CK_RV GetSlotInfo(CK_SLOT_ID id, CK_SLOT_INFO_PTR info) {
    LOCKED
    const MockSlot* slot = FindSlot(id);
    if (!slot)
        return CKR_SLOT_ID_INVALID;
    std::memset(info, 0, sizeof *info);
    Pad(info->slotDescription, sizeof info->slotDescription, slot->reader);
    Pad(info->manufacturerID, sizeof info->manufacturerID, "Mock");
    info->flags =
        CKF_REMOVABLE_DEVICE | CKF_HW_SLOT | (slot->label.empty() ? 0 : CKF_TOKEN_PRESENT);
    return CKR_OK;
}

CK_RV GetTokenInfo(CK_SLOT_ID id, CK_TOKEN_INFO_PTR info) {
    LOCKED
    Load();
    const MockSlot* slot = FindSlot(id);
    if (!slot)
        return CKR_SLOT_ID_INVALID;
    if (slot->label.empty())
        return CKR_TOKEN_NOT_PRESENT;
    std::memset(info, 0, sizeof *info);
    Pad(info->label, sizeof info->label, slot->label);
    Pad(info->manufacturerID, sizeof info->manufacturerID, "Mock");
    Pad(info->model, sizeof info->model, "Mock Card");
    Pad(info->serialNumber, sizeof info->serialNumber, "MOCK" + std::to_string(slot->id));
    info->flags = CKF_LOGIN_REQUIRED | CKF_RNG | PinFlags(S().tokens[slot->label]);
    if (!slot->blank)
        info->flags |= CKF_TOKEN_INITIALIZED;
    if (slot->pinPad)
        info->flags |= CKF_PROTECTED_AUTHENTICATION_PATH;
    info->ulMinPinLen = 4;
    info->ulMaxPinLen = 8;
    info->ulMaxSessionCount = CK_EFFECTIVELY_INFINITE;
    info->ulMaxRwSessionCount = CK_EFFECTIVELY_INFINITE;
    return CKR_OK;
}

CK_RV WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot, void*) {
    LOCKED
    State& s = S();
    Load();
    if (!s.events || !(flags & CKF_DONT_BLOCK))
        return CKR_FUNCTION_NOT_SUPPORTED;
    std::map<CK_SLOT_ID, std::string> now;
    for (const MockSlot& m : s.slots)
        now[m.id] = m.label;
    for (const auto& [id, label] : now) {
        auto it = s.reported.find(id);
        if (it == s.reported.end() || it->second != label) {
            s.reported[id] = label;
            *slot = id;
            Log("event " + std::to_string(id));
            return CKR_OK;
        }
    }
    for (auto it = s.reported.begin(); it != s.reported.end(); ++it) {
        if (!now.count(it->first)) {
            *slot = it->first;
            s.reported.erase(it);
            Log("event " + std::to_string(*slot));
            return CKR_OK;
        }
    }
    return CKR_NO_EVENT;
}

CK_RV OpenSession(CK_SLOT_ID id, CK_FLAGS, void*, CK_NOTIFY, CK_SESSION_HANDLE_PTR session) {
    LOCKED
    Load();
    const MockSlot* slot = FindSlot(id);
    if (!slot)
        return CKR_SLOT_ID_INVALID;
    if (slot->label.empty())
        return CKR_TOKEN_NOT_PRESENT;
    *session = S().next++;
    S().sessions[*session] = id;
    return CKR_OK;
}

CK_RV CloseSession(CK_SESSION_HANDLE session) {
    LOCKED
    return S().sessions.erase(session) ? CKR_OK : CKR_SESSION_HANDLE_INVALID;
}

CK_RV CloseAllSessions(CK_SLOT_ID id) {
    LOCKED
    std::erase_if(S().sessions, [&](const auto& entry) { return entry.second == id; });
    return CKR_OK;
}

CK_RV GetSessionInfo(CK_SESSION_HANDLE session, CK_SESSION_INFO_PTR info) {
    LOCKED
    CK_RV rv = CKR_OK;
    const MockSlot* slot = SessionSlot(session, rv);
    if (!slot)
        return rv;
    std::memset(info, 0, sizeof *info);
    info->slotID = slot->id;
    info->flags = CKF_SERIAL_SESSION | CKF_RW_SESSION;
    auto login = S().logins.find(slot->id);
    info->state = login == S().logins.end() ? CKS_RW_PUBLIC_SESSION
                  : login->second == CKU_SO ? CKS_RW_SO_FUNCTIONS
                                            : CKS_RW_USER_FUNCTIONS;
    return CKR_OK;
}

CK_RV Login(CK_SESSION_HANDLE session, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin, CK_ULONG size) {
    LOCKED
    CK_RV rv = CKR_OK;
    const MockSlot* slot = SessionSlot(session, rv);
    if (!slot)
        return rv;
    State& s = S();
    TokenState& token = s.tokens[slot->label];
    const bool so = user == CKU_SO;
    Log(std::string("C_Login ") + (so ? "so" : "user") + (pin ? "" : " pinpad"));
    if (s.logins.count(slot->id))
        return s.logins[slot->id] == user ? CKR_USER_ALREADY_LOGGED_IN
                                          : CKR_USER_ANOTHER_ALREADY_LOGGED_IN;
    int& tries = so ? token.soTries : token.userTries;
    if (tries == 0)
        return CKR_PIN_LOCKED;
    if (!so && !token.pinInitialized)
        return CKR_USER_PIN_NOT_INITIALIZED;
    // A PIN pad answers the right PIN.
    const bool right = slot->pinPad ? !pin : Matches(pin, size, so ? kSoPin : kUserPin);
    if (!right) {
        --tries;
        return tries == 0 ? CKR_PIN_LOCKED : CKR_PIN_INCORRECT;
    }
    tries = kTries;
    s.logins[slot->id] = user;
    return CKR_OK;
}

CK_RV Logout(CK_SESSION_HANDLE session) {
    LOCKED
    CK_RV rv = CKR_OK;
    const MockSlot* slot = SessionSlot(session, rv);
    if (!slot)
        return rv;
    Log("C_Logout");
    return S().logins.erase(slot->id) ? CKR_OK : CKR_USER_NOT_LOGGED_IN;
}

CK_RV InitPin(CK_SESSION_HANDLE session, CK_UTF8CHAR_PTR, CK_ULONG) {
    LOCKED
    CK_RV rv = CKR_OK;
    const MockSlot* slot = SessionSlot(session, rv);
    if (!slot)
        return rv;
    if (S().logins[slot->id] != CKU_SO)
        return CKR_USER_NOT_LOGGED_IN;
    Log("C_InitPIN");
    TokenState& token = S().tokens[slot->label];
    token.userTries = kTries;
    token.pinInitialized = true;
    return CKR_OK;
}

CK_RV SetPin(CK_SESSION_HANDLE session, CK_UTF8CHAR_PTR, CK_ULONG, CK_UTF8CHAR_PTR, CK_ULONG) {
    LOCKED
    CK_RV rv = CKR_OK;
    const MockSlot* slot = SessionSlot(session, rv);
    if (!slot)
        return rv;
    Log(std::string("C_SetPIN") + (slot->pinPad ? " pinpad" : ""));
    return CKR_OK;
}

bool LoggedIn(CK_SLOT_ID slot) {
    auto it = S().logins.find(slot);
    return it != S().logins.end() && it->second == CKU_USER;
}

CK_RV CreateObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR shape, CK_ULONG count,
                   CK_OBJECT_HANDLE_PTR handle) {
    LOCKED
    CK_RV rv = CKR_OK;
    const MockSlot* slot = SessionSlot(session, rv);
    if (!slot)
        return rv;
    MockObject object;
    object.slot = slot->id;
    for (CK_ULONG i = 0; i < count; ++i) {
        const auto* bytes = static_cast<const uint8_t*>(shape[i].pValue);
        object.attributes[shape[i].type].assign(bytes, bytes + shape[i].ulValueLen);
    }
    const CK_ULONG objectClass = object.Ulong(CKA_CLASS);
    if (object.Flag(CKA_PRIVATE) && !LoggedIn(slot->id))
        return CKR_USER_NOT_LOGGED_IN;
    if (objectClass == S().refused) {
        Log("C_CreateObject " + std::to_string(objectClass) + " refused");
        return CKR_DEVICE_MEMORY;
    }
    object.handle = S().nextObject++;
    *handle = object.handle;
    S().objects.push_back(std::move(object));
    Log("C_CreateObject " + std::to_string(objectClass));
    return CKR_OK;
}

MockObject* FindObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE handle, CK_RV& rv) {
    const MockSlot* slot = SessionSlot(session, rv);
    if (!slot)
        return nullptr;
    for (MockObject& object : S().objects) {
        if (object.handle == handle && object.slot == slot->id &&
            (!object.Flag(CKA_PRIVATE) || LoggedIn(slot->id)))
            return &object;
    }
    rv = CKR_OBJECT_HANDLE_INVALID;
    return nullptr;
}

CK_RV DestroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE handle) {
    LOCKED
    CK_RV rv = CKR_OK;
    const MockObject* object = FindObject(session, handle, rv);
    if (!object)
        return rv;
    Log("C_DestroyObject " + std::to_string(object->Ulong(CKA_CLASS)));
    std::erase_if(S().objects, [&](const MockObject& o) { return o.handle == handle; });
    return CKR_OK;
}

CK_RV GetAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE handle,
                        CK_ATTRIBUTE_PTR attributes, CK_ULONG count) {
    LOCKED
    CK_RV rv = CKR_OK;
    const MockObject* object = FindObject(session, handle, rv);
    if (!object)
        return rv;
    for (CK_ULONG i = 0; i < count; ++i) {
        CK_ATTRIBUTE& a = attributes[i];
        auto it = object->attributes.find(a.type);
        const bool secret = object->Ulong(CKA_CLASS) == CKO_PRIVATE_KEY && a.type == CKA_VALUE;
        if (it == object->attributes.end() || secret) {
            a.ulValueLen = CK_UNAVAILABLE_INFORMATION;
            rv = secret ? CKR_ATTRIBUTE_SENSITIVE : CKR_ATTRIBUTE_TYPE_INVALID;
        } else if (!a.pValue) {
            a.ulValueLen = it->second.size();
        } else if (a.ulValueLen < it->second.size()) {
            a.ulValueLen = CK_UNAVAILABLE_INFORMATION;
            rv = CKR_BUFFER_TOO_SMALL;
        } else {
            std::copy(it->second.begin(), it->second.end(), static_cast<uint8_t*>(a.pValue));
            a.ulValueLen = it->second.size();
        }
    }
    return rv;
}

CK_RV SetAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE handle,
                        CK_ATTRIBUTE_PTR attributes, CK_ULONG count) {
    LOCKED
    CK_RV rv = CKR_OK;
    MockObject* object = FindObject(session, handle, rv);
    if (!object)
        return rv;
    for (CK_ULONG i = 0; i < count; ++i) {
        const auto* bytes = static_cast<const uint8_t*>(attributes[i].pValue);
        object->attributes[attributes[i].type].assign(bytes, bytes + attributes[i].ulValueLen);
    }
    return CKR_OK;
}

CK_RV FindObjectsInit(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR query, CK_ULONG count) {
    LOCKED
    CK_RV rv = CKR_OK;
    const MockSlot* slot = SessionSlot(session, rv);
    if (!slot)
        return rv;
    std::vector<CK_OBJECT_HANDLE>& found = S().found[session];
    found.clear();
    for (const MockObject& object : S().objects) {
        if (object.slot != slot->id || (object.Flag(CKA_PRIVATE) && !LoggedIn(slot->id)))
            continue;
        bool match = true;
        for (CK_ULONG i = 0; i < count && match; ++i) {
            auto it = object.attributes.find(query[i].type);
            const auto* bytes = static_cast<const uint8_t*>(query[i].pValue);
            match = it != object.attributes.end() && it->second.size() == query[i].ulValueLen &&
                    std::equal(it->second.begin(), it->second.end(), bytes);
        }
        if (match)
            found.push_back(object.handle);
    }
    return CKR_OK;
}

CK_RV FindObjects(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE_PTR handles, CK_ULONG most,
                  CK_ULONG_PTR count) {
    LOCKED
    std::vector<CK_OBJECT_HANDLE>& found = S().found[session];
    *count = std::min<CK_ULONG>(most, found.size());
    std::copy(found.begin(), found.begin() + static_cast<long>(*count), handles);
    found.erase(found.begin(), found.begin() + static_cast<long>(*count));
    return CKR_OK;
}

CK_RV FindObjectsFinal(CK_SESSION_HANDLE session) {
    LOCKED
    S().found.erase(session);
    return CKR_OK;
}

// Every other function of the list, with its own signature.
template <typename... Arguments>
CK_RV Unsupported(Arguments...) {
    return CKR_FUNCTION_NOT_SUPPORTED;
}

CK_FUNCTION_LIST MakeList() {
    CK_FUNCTION_LIST l{};
    l.version = {2, 40};
    l.C_Initialize = Initialize;
    l.C_Finalize = Finalize;
    l.C_GetInfo = GetInfo;
    l.C_GetSlotList = GetSlotList;
    l.C_GetSlotInfo = GetSlotInfo;
    l.C_GetTokenInfo = GetTokenInfo;
    l.C_GetMechanismList = Unsupported;
    l.C_GetMechanismInfo = Unsupported;
    l.C_InitToken = Unsupported;
    l.C_InitPIN = InitPin;
    l.C_SetPIN = SetPin;
    l.C_OpenSession = OpenSession;
    l.C_CloseSession = CloseSession;
    l.C_CloseAllSessions = CloseAllSessions;
    l.C_GetSessionInfo = GetSessionInfo;
    l.C_GetOperationState = Unsupported;
    l.C_SetOperationState = Unsupported;
    l.C_Login = Login;
    l.C_Logout = Logout;
    l.C_CreateObject = CreateObject;
    l.C_CopyObject = Unsupported;
    l.C_DestroyObject = DestroyObject;
    l.C_GetObjectSize = Unsupported;
    l.C_GetAttributeValue = GetAttributeValue;
    l.C_SetAttributeValue = SetAttributeValue;
    l.C_FindObjectsInit = FindObjectsInit;
    l.C_FindObjects = FindObjects;
    l.C_FindObjectsFinal = FindObjectsFinal;
    l.C_EncryptInit = Unsupported;
    l.C_Encrypt = Unsupported;
    l.C_EncryptUpdate = Unsupported;
    l.C_EncryptFinal = Unsupported;
    l.C_DecryptInit = Unsupported;
    l.C_Decrypt = Unsupported;
    l.C_DecryptUpdate = Unsupported;
    l.C_DecryptFinal = Unsupported;
    l.C_DigestInit = Unsupported;
    l.C_Digest = Unsupported;
    l.C_DigestUpdate = Unsupported;
    l.C_DigestKey = Unsupported;
    l.C_DigestFinal = Unsupported;
    l.C_SignInit = Unsupported;
    l.C_Sign = Unsupported;
    l.C_SignUpdate = Unsupported;
    l.C_SignFinal = Unsupported;
    l.C_SignRecoverInit = Unsupported;
    l.C_SignRecover = Unsupported;
    l.C_VerifyInit = Unsupported;
    l.C_Verify = Unsupported;
    l.C_VerifyUpdate = Unsupported;
    l.C_VerifyFinal = Unsupported;
    l.C_VerifyRecoverInit = Unsupported;
    l.C_VerifyRecover = Unsupported;
    l.C_DigestEncryptUpdate = Unsupported;
    l.C_DecryptDigestUpdate = Unsupported;
    l.C_SignEncryptUpdate = Unsupported;
    l.C_DecryptVerifyUpdate = Unsupported;
    l.C_GenerateKey = Unsupported;
    l.C_GenerateKeyPair = Unsupported;
    l.C_WrapKey = Unsupported;
    l.C_UnwrapKey = Unsupported;
    l.C_DeriveKey = Unsupported;
    l.C_SeedRandom = Unsupported;
    l.C_GenerateRandom = Unsupported;
    l.C_GetFunctionStatus = Unsupported;
    l.C_CancelFunction = Unsupported;
    l.C_WaitForSlotEvent = WaitForSlotEvent;
    return l;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) CK_RV C_GetFunctionList(
    CK_FUNCTION_LIST_PTR_PTR list) {
    static CK_FUNCTION_LIST functions = MakeList();
    if (!list)
        return CKR_ARGUMENTS_BAD;
    *list = &functions;
    return CKR_OK;
}
