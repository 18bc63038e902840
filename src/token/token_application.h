// The application's side of the plug-in binding: the locked wrappers that are the
// only road to the token plug-in module. Every plug-in call runs under the one
// re-entrant plug-in lock; empty answers count as absent; byte values travel as
// Base64; the slot the program works on is remembered; the middleware's settings
// are read and written as "Config:" properties. No window system here: the window
// program reaches its cursor and main window through a TokenWindowHost, so that
// the command line and the tests run this very code.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/recursive_lock.h"
#include "der/cert_handle.h"
#include "token/plugin_binding.h"
#include "token/token_window_host.h"

namespace orx {

// "-name" labels keep at most 64 characters.
inline constexpr size_t kSlotLabelCapacity = 65;
// Names of configuration properties are composed in a buffer of this size.
inline constexpr size_t kConfigPropertyNameCapacity = 260;

// One "Certificate" enumeration entry, decoded.
struct CertificateEntry {
    int32_t ownerSlotId = 0;   // leading digits of field 0
    std::vector<uint8_t> der;  // the last field, Base64-decoded
};

class TokenApplication : public PluginBinding {
  public:
    TokenApplication();
    ~TokenApplication() override;  // closes the plug-in lock; the binding then finalises

    // Start-up: initialise the binding with four zeros (the outcome is only traced),
    // then hand the module the configured trace file ("" when tracing is off).
    void StartPlugin();

    // The window layer registers itself once its main window exists; nullptr: none.
    void SetWindowHost(TokenWindowHost* host);

    // The binding's operations, each under the plug-in lock. GetProperty and
    // EnumProperty answer nullptr for an absent or empty value; the text belongs to
    // the module and is valid until the next plug-in call of any thread, so code that
    // may share the plug-in with another thread uses the copying forms below.
    void SetProperty(const char* name, const char* value) override;
    const char* GetProperty(const char* name) override;
    const char* EnumProperty(const char* name, const char* index) override;
    // InvokeWithParent with the main window (none without a window host).
    int Invoke(const char* operation) override;

    // Copies taken while the lock is still held.
    std::optional<std::string> GetPropertyString(std::string_view name);
    std::optional<std::string> EnumPropertyString(std::string_view name, int index);

    // Nothing for no bytes; text as it is, or Base64, as NeedsBase64 decides.
    virtual void SetPropertyBytes(const char* name, std::span<const uint8_t> bytes);
    virtual void ConfigSetInt(bool local, std::string_view section, std::string_view key,
                              int32_t value);
    // local: the per-user value ("ConfigLocal:"), else the machine-wide one.
    virtual void ConfigSetString(bool local, std::string_view section, std::string_view key,
                                 std::string_view value);
    // 1 and the value, or 0 (integer untouched) when absent or 16 characters or more.
    virtual int ConfigGetInt(bool effective, std::string_view section, std::string_view key,
                             int32_t& value);
    // effective: the per-user value over the machine-wide one ("Config:"). 1 and the
    // value, or 0 when absent, empty or not shorter than `size`.
    virtual int ConfigGetString(bool effective, std::string_view section, std::string_view key,
                                std::string& value, size_t size);
    // Wait cursor and lock around: parent set, the operation, parent cleared, and,
    // except after "Sign", "Verify", "Encrypt" and "Decrypt", "Reset" and the
    // active slot restored. Returns the operation's result.
    virtual int InvokeWithParent(PluginWindow parent, const char* operation);
    // Sends "ActiveSlot" unless id is 0 or -1; returns id != 0.
    virtual bool SetActiveSlot(int32_t id);
    // The slot the program works on; fresh: ask the module, not the cached value.
    virtual int32_t GetActiveSlot(bool fresh);
    virtual bool IsLoggedIn();
    // "Login", then the main window is repainted at once.
    virtual int Login();
    virtual bool NeedsBase64(const char* name, std::span<const uint8_t> bytes);
    virtual void LockPlugin();
    virtual void UnlockPlugin();

    // The index-th certificate that the module offers for a key usage (the filter is
    // sent with index 0 only); field 3, the entry's description, is copied into
    // `field3` (at most size - 1 bytes) when given. nullopt for an absent entry, one
    // without ";" or with nothing to decode.
    std::optional<CertificateEntry> ReadCertificateAt(int index, uint8_t keyUsage, bool allowOther,
                                                      std::string* field3 = nullptr,
                                                      size_t size = 0);
    // The same certificate as a handle that carries its owner slot id; null where
    // ReadCertificateAt gives nothing or the bytes are no certificate.
    CertHandle GetCertificateAt(int index, uint8_t keyUsage, bool allowOther,
                                std::string* field3 = nullptr, size_t size = 0);

    // Start-up values of "-admin" and "-name".
    int32_t GetCachedSlotId();
    void SetCachedSlotId(int32_t id);
    std::string GetPendingSlotLabel();
    void SetPendingSlotLabel(std::string_view label);  // cut to 64 bytes

  private:
    // Held for a scope through the overridable lock pair.
    class PluginLockScope;

    RecursiveLock pluginLock_;
    std::atomic<TokenWindowHost*> host_{nullptr};
    int32_t cachedSlotId_ = 0;
    std::string pendingSlotLabel_;
};

}  // namespace orx
