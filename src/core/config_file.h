// The configuration store: a per-user file that overrides and takes every write,
// and an installation-wide file (or the text patched into StaticConfigArea).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orx {

inline constexpr int kConfigOk = 0;
inline constexpr int kConfigFailed = -1;
inline constexpr int kConfigNoMemory = 2;
inline constexpr int kConfigNoVirtualized = 6;
inline constexpr int kConfigNoPath = 48;
inline constexpr int kConfigSectionMissing = static_cast<int>(0x80001001u);
inline constexpr int kConfigKeyMissing = static_cast<int>(0x80001002u);

inline constexpr size_t kConfigPathCapacity = 260;

enum class ConfigKind { PerUser, Install };

class ConfigFile {
  public:
    ConfigFile();
    ~ConfigFile();  // Close(true)
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    // path nullptr or "": the two default files (index 0 per-user, 1 installation-wide).
    int Open(bool writable, const char* path = nullptr);
    int OpenDefault(bool writable, ConfigKind kind, bool virtualized = false);
    int Close(bool free = true);

    // Index 0 first, then index 1. Values are cut to capacity - 1 bytes.
    int GetString(std::string_view section, std::string_view key, std::string& value,
                  size_t capacity = 256, bool convert = false);
    int GetStringAt(int index, std::string_view section, std::string_view key, std::string& value,
                    size_t capacity = 256, bool convert = false);
    int GetInt(std::string_view section, std::string_view key, int32_t& value);
    int GetBool(std::string_view section, std::string_view key, bool& value);
    int GetWide(std::string_view section, std::string_view key, std::u16string& value,
                size_t capacity = 256);

    int Set(std::string_view section, std::string_view key, std::string_view value,
            bool convert = false);
    int SetInt(std::string_view section, std::string_view key, int32_t value);
    // Without a key the whole section goes.
    int Delete(std::string_view section, std::optional<std::string_view> key = std::nullopt);
    // The position-th key of the section in file `index`; position is incremented.
    int EnumKeys(int index, std::string_view section, std::string& key, size_t capacity,
                 int& position);

    bool IsModified() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The per-user or installation-wide path; kConfigOk or kConfigNoPath.
int FindConfigPath(bool perUser, std::string& path, size_t capacity = kConfigPathCapacity);

// One-call operations: open the default files, one operation, close.
int ConfigReadString(std::string_view section, std::string_view key, std::string& value,
                     size_t capacity = 256);
int ConfigReadInt(std::string_view section, std::string_view key, int32_t& value);
int ConfigWriteString(std::string_view section, std::string_view key, std::string_view value);
int ConfigWriteInt(std::string_view section, std::string_view key, int32_t value);
int ConfigDeleteKey(std::string_view section, std::string_view key);

}  // namespace orx
