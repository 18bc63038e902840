#include "token/token_application.h"

#include <cstdio>
#include <cstring>

#include "core/base64.h"
#include "core/config_file.h"
#include "core/mime_header.h"
#include "core/number_text.h"
#include "core/string_helpers.h"
#include "core/text_encoding.h"
#include "core/text_fields.h"

namespace orx {

class TokenApplication::PluginLockScope {
  public:
    explicit PluginLockScope(TokenApplication& app) : app_(app) { app_.LockPlugin(); }
    ~PluginLockScope() { app_.UnlockPlugin(); }
    PluginLockScope(const PluginLockScope&) = delete;
    PluginLockScope& operator=(const PluginLockScope&) = delete;

  private:
    TokenApplication& app_;
};

namespace {

const char* EmptyAsAbsent(const char* text) {
    return (text != nullptr && *text != '\0') ? text : nullptr;
}

std::string Decimal(int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

// These operations are the file operations: they leave the token as it is and the
// wizard reads their outputs afterwards, which a "Reset" would throw away.
bool KeepsPluginState(const char* operation) {
    if (operation == nullptr)
        return false;
    for (const char* name : {"Sign", "Verify", "Encrypt", "Decrypt"}) {
        if (EqualsNoCase(operation, name))
            return true;
    }
    return false;
}

std::string ConfigPropertyName(std::string_view prefix, std::string_view section,
                               std::string_view key) {
    std::string name;
    name.reserve(prefix.size() + section.size() + 1 + key.size());
    name.append(prefix).append(section).append(":").append(key);
    return std::string(CutUtf8(name, kConfigPropertyNameCapacity - 1));
}

}  // namespace

TokenApplication::TokenApplication() = default;

TokenApplication::~TokenApplication() {
    pluginLock_.Close();
}

void TokenApplication::StartPlugin() {
    Initialize(0, 0, 0, 0);
    std::string traceFile;
    if (ConfigReadString("Trace", "File", traceFile, 256) != kConfigOk)
        traceFile.clear();
    SetProperty("Trace", traceFile.c_str());
}

void TokenApplication::SetWindowHost(TokenWindowHost* host) {
    host_.store(host, std::memory_order_release);
}

void TokenApplication::SetProperty(const char* name, const char* value) {
    PluginLockScope lock(*this);
    PluginBinding::SetProperty(name, value);
}

const char* TokenApplication::GetProperty(const char* name) {
    PluginLockScope lock(*this);
    return EmptyAsAbsent(PluginBinding::GetProperty(name));
}

const char* TokenApplication::EnumProperty(const char* name, const char* index) {
    PluginLockScope lock(*this);
    return EmptyAsAbsent(PluginBinding::EnumProperty(name, index));
}

int TokenApplication::Invoke(const char* operation) {
    TokenWindowHost* host = host_.load(std::memory_order_acquire);
    return InvokeWithParent(host != nullptr ? host->GetMainWindow() : 0, operation);
}

std::optional<std::string> TokenApplication::GetPropertyString(std::string_view name) {
    PluginLockScope lock(*this);
    const char* value = GetProperty(std::string(name).c_str());
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::optional<std::string> TokenApplication::EnumPropertyString(std::string_view name, int index) {
    PluginLockScope lock(*this);
    const char* value = EnumProperty(std::string(name).c_str(), Decimal(index).c_str());
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

void TokenApplication::SetPropertyBytes(const char* name, std::span<const uint8_t> bytes) {
    if (bytes.empty())
        return;
    if (NeedsBase64(name, bytes)) {
        SetProperty(name, Base64Encode(bytes).c_str());
    } else {
        const std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        SetProperty(name, text.c_str());
    }
}

void TokenApplication::ConfigSetInt(bool local, std::string_view section, std::string_view key,
                                    int32_t value) {
    ConfigSetString(local, section, key, Decimal(value));
}

void TokenApplication::ConfigSetString(bool local, std::string_view section, std::string_view key,
                                       std::string_view value) {
    const std::string name =
        ConfigPropertyName(local ? "ConfigLocal:" : "ConfigGlobal:", section, key);
    SetProperty(name.c_str(), std::string(value).c_str());
}

int TokenApplication::ConfigGetInt(bool effective, std::string_view section, std::string_view key,
                                   int32_t& value) {
    std::string text;
    if (ConfigGetString(effective, section, key, text, 16) == 0)
        return 0;
    value = AtoI(text);
    return 1;
}

int TokenApplication::ConfigGetString(bool effective, std::string_view section,
                                      std::string_view key, std::string& value, size_t size) {
    const std::string name =
        ConfigPropertyName(effective ? "Config:" : "ConfigGlobal:", section, key);
    PluginLockScope lock(*this);
    const char* text = GetProperty(name.c_str());
    if (text == nullptr || std::strlen(text) >= size)
        return 0;
    value = text;
    return 1;
}

int TokenApplication::InvokeWithParent(PluginWindow parent, const char* operation) {
    TokenWindowHost* host = host_.load(std::memory_order_acquire);
    if (host != nullptr)
        host->BeginWaitCursor();
    int result;
    {
        PluginLockScope lock(*this);
        PluginBinding::SetParentWnd(parent);
        result = PluginBinding::Invoke(operation);
        PluginBinding::SetParentWnd(0);
        if (!KeepsPluginState(operation)) {
            const int32_t slot = GetActiveSlot(true);
            PluginBinding::Invoke("Reset");
            SetActiveSlot(slot);
        }
    }
    if (host != nullptr)
        host->EndWaitCursor();
    return result;
}

bool TokenApplication::SetActiveSlot(int32_t id) {
    if (id != 0 && id != -1)
        SetProperty("ActiveSlot", Decimal(id).c_str());
    return id != 0;
}

int32_t TokenApplication::GetActiveSlot(bool fresh) {
    PluginLockScope lock(*this);
    if (!fresh && cachedSlotId_ != 0) {
        if (!pendingSlotLabel_.empty()) {
            for (int index = 0;; ++index) {
                const std::optional<std::string> entry = EnumPropertyString("Slot", index);
                if (!entry)
                    break;
                if (GetField(*entry, ';', 1, kSlotLabelCapacity) == pendingSlotLabel_) {
                    cachedSlotId_ = AtoI(GetField(*entry, ';', 0, kSlotLabelCapacity));
                    break;
                }
            }
            pendingSlotLabel_.clear();
        }
        if (cachedSlotId_ != 0)
            return cachedSlotId_;
    }
    if (const char* active = GetProperty("ActiveSlot"))
        cachedSlotId_ = AtoI(active);
    return cachedSlotId_;
}

bool TokenApplication::IsLoggedIn() {
    const std::optional<std::string> value = GetPropertyString("LoggedIn");
    return value && *value == "true";
}

int TokenApplication::Login() {
    const int result = Invoke("Login");
    TokenWindowHost* host = host_.load(std::memory_order_acquire);
    if (host != nullptr)
        host->RepaintMainWindowNow();
    return result;
}

bool TokenApplication::NeedsBase64(const char* name, std::span<const uint8_t> bytes) {
    if (name == nullptr)
        return true;
    if (EqualsNoCase(name, "Certificate")) {
        // Base64 of a DER sequence starts with "M", PEM armour with "-".
        return bytes.empty() || (bytes[0] != 'M' && bytes[0] != '-');
    }
    // S/MIME text goes as it is.
    return !(EqualsNoCase(name, "Data") && StartsWithMime(bytes));
}

void TokenApplication::LockPlugin() {
    pluginLock_.Lock();
}

void TokenApplication::UnlockPlugin() {
    pluginLock_.Unlock();
}

std::optional<CertificateEntry> TokenApplication::ReadCertificateAt(int index, uint8_t keyUsage,
                                                                    bool allowOther,
                                                                    std::string* field3,
                                                                    size_t size) {
    if (index == 0) {
        const char* other = allowOther ? "1" : "0";
        SetProperty("KeyUsage", Decimal(keyUsage).c_str());
        SetProperty("Other", other);
        SetProperty("AllowExternalCert", other);
    }
    const std::optional<std::string> entry = EnumPropertyString("Certificate", index);
    if (!entry)
        return std::nullopt;
    const size_t lastSeparator = entry->rfind(';');
    if (lastSeparator == std::string::npos)
        return std::nullopt;
    if (field3 != nullptr && size > 0)
        *field3 = GetField(*entry, ';', 3, size);
    CertificateEntry result;
    // The decoder drops line breaks, blanks and "=" on its way.
    result.der =
        Base64Decode(CodePageBytesToUtf8(std::string_view(*entry).substr(lastSeparator + 1)));
    if (result.der.empty())
        return std::nullopt;
    result.ownerSlotId = AtoI(*entry);
    return result;
}

CertHandle TokenApplication::GetCertificateAt(int index, uint8_t keyUsage, bool allowOther,
                                              std::string* field3, size_t size) {
    const std::optional<CertificateEntry> entry =
        ReadCertificateAt(index, keyUsage, allowOther, field3, size);
    if (!entry)
        return nullptr;
    CertHandle handle = CertCreate(entry->der);
    if (handle)
        handle->ownerSlotId = entry->ownerSlotId;
    return handle;
}

int32_t TokenApplication::GetCachedSlotId() {
    PluginLockScope lock(*this);
    return cachedSlotId_;
}

void TokenApplication::SetCachedSlotId(int32_t id) {
    PluginLockScope lock(*this);
    cachedSlotId_ = id;
}

std::string TokenApplication::GetPendingSlotLabel() {
    PluginLockScope lock(*this);
    return pendingSlotLabel_;
}

void TokenApplication::SetPendingSlotLabel(std::string_view label) {
    PluginLockScope lock(*this);
    pendingSlotLabel_ = std::string(CutUtf8(label, kSlotLabelCapacity - 1));
}

}  // namespace orx
