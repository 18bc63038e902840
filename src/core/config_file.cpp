#include "core/config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/config_text.h"
#include "core/config_tree_cache.h"
#include "core/file_helpers.h"
#include "core/number_text.h"
#include "core/product_identity.h"
#include "core/static_config_area.h"
#include "core/string_helpers.h"
#include "core/system_paths.h"
#include "core/text_encoding.h"
#include "core/trace.h"

namespace orx {

namespace {

constexpr size_t kIntCapacity = 17;
constexpr mode_t kPerUserFileMode = 0600;

struct Slot {
    config_text::Text text;
    bool hasText = false;
    bool writable = false;
    int fd = -1;
    std::string path;
    ConfigTreeRef tree;

    void CloseFile() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    void Free() {
        CloseFile();
        ConfigTreeCache::Instance().Release(tree);
        text = config_text::Text{};
        hasText = false;
        writable = false;
        path.clear();
    }
};

int OpenFile(const std::string& path, bool writable) {
    if (writable) {
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kPerUserFileMode);
        return fd;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd;
}

bool ReadAll(int fd, std::string& bytes) {
    // Sized from the file, with room to notice one that grows while it is read.
    struct stat info {};
    const bool sized = ::fstat(fd, &info) == 0 && info.st_size > 0;
    bytes.assign(sized ? static_cast<size_t>(info.st_size) + 1 : 4096, '\0');
    size_t total = 0;
    for (;;) {
        if (total == bytes.size())
            bytes.resize(total + (total < 4096 ? 4096 : total));
        const ssize_t n = ::read(fd, bytes.data() + total, bytes.size() - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            bytes.clear();
            return false;
        }
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
    }
    bytes.resize(total);
    return true;
}

}  // namespace

struct ConfigFile::Impl {
    Slot slots[2];
    bool modified = false;

    bool HoldsAnything() const {
        return slots[0].hasText || slots[1].hasText || slots[0].fd >= 0 || slots[1].fd >= 0;
    }
    void DropTree(Slot& slot) { ConfigTreeCache::Instance().Release(slot.tree); }
};

ConfigFile::ConfigFile() : impl_(std::make_unique<Impl>()) {}

ConfigFile::~ConfigFile() {
    Close(true);
}

bool ConfigFile::IsModified() const {
    return impl_->modified;
}

int ConfigFile::Open(bool writable, const char* path) {
    if (impl_->HoldsAnything())
        Close(true);
    const bool defaults = path == nullptr || *path == '\0';
    std::string installPath;
    if (FindConfigPath(false, installPath) != kConfigOk)
        installPath.clear();

    const int count = defaults ? 2 : 1;
    for (int i = 0; i < count; ++i) {
        Slot& slot = impl_->slots[i];
        std::string slotPath;
        if (defaults) {
            if (FindConfigPath(i == 0, slotPath) != kConfigOk)
                continue;
        } else {
            slotPath = path;
        }
        slot.path = slotPath;
        slot.writable = writable && i == 0;
        const bool isInstall = !installPath.empty() && EqualsNoCase(slotPath, installPath);
        bool fromStatic = false;
        if (isInstall && IsStaticConfigPresent()) {
            slot.text.bytes = GetStaticConfigText();
            Trace("Config - Use static loaded");
            TraceDump("stat.cfg", std::span<const uint8_t>(
                                      reinterpret_cast<const uint8_t*>(slot.text.bytes.data()),
                                      slot.text.bytes.size()));
            fromStatic = true;
        } else {
            Trace("Config - Open '%s' (%s)", slotPath.c_str(), slot.writable ? "w" : "r");
            slot.fd = OpenFile(slotPath, slot.writable);
            if (slot.fd < 0 || !ReadAll(slot.fd, slot.text.bytes)) {
                Trace("Config - Failed to open");
                slot.CloseFile();
                slot.path.clear();
                slot.writable = false;
                continue;
            }
        }
        slot.hasText = true;
        slot.text.capacity = config_text::CapacityFor(slot.text.bytes.size());
        if (!slot.text.bytes.empty()) {
            if (fromStatic && i == 0) {
                const std::string folder = GetProgramFolder();
                config_text::Set(slot.text, "Install", "Directory", folder);
                Trace("Config - Install directory: '%s'", folder.c_str());
            }
            config_text::Normalise(slot.text.bytes);
            slot.text.capacity = config_text::CapacityFor(slot.text.bytes.size());
            slot.text.readPos = 0;
            slot.text.lastLineLength = 0;
            if (!writable && isInstall) {
                slot.tree = ConfigTreeCache::Instance().Take(slotPath, slot.text.bytes);
            }
        }
    }

    int result = kConfigOk;
    if (defaults && !impl_->slots[1].hasText && !impl_->slots[0].hasText)
        result = kConfigFailed;
    if (result == kConfigOk && writable) {
        impl_->slots[1].CloseFile();
        return kConfigOk;
    }
    for (Slot& slot : impl_->slots) {
        if (result == kConfigOk) {
            slot.CloseFile();
        } else {
            slot.Free();
        }
    }
    return result;
}

int ConfigFile::OpenDefault(bool writable, ConfigKind kind, bool virtualized) {
    std::string path;
    if (FindConfigPath(kind == ConfigKind::PerUser, path) != kConfigOk) {
        Trace("Config - Failed to find config file");
        return kConfigNoPath;
    }
    if (virtualized) {
        path = GetVirtualizedPath(path, kConfigPathCapacity);
        if (path.empty() || !FileExists(path))
            return kConfigNoVirtualized;
    }
    return Open(writable, path.c_str());
}

int ConfigFile::Close(bool free) {
    int result = kConfigOk;
    for (Slot& slot : impl_->slots) {
        if (slot.hasText && impl_->modified && slot.writable && slot.fd >= 0) {
            ReplaceOptions options;
            options.newFileMode = kPerUserFileMode;
            options.inPlaceDescriptor = slot.fd;
            const int error = ReplaceFileContents(slot.path, slot.text.bytes, options);
            if (error != 0) {
                Trace("Config - Failed to write '%s' (%d)", slot.path.c_str(), error);
                result = kConfigFailed;
            }
        }
        if (free) {
            slot.Free();
        } else {
            slot.CloseFile();
        }
    }
    impl_->modified = false;
    return result;
}

int ConfigFile::GetStringAt(int index, std::string_view section, std::string_view key,
                            std::string& value, size_t capacity, bool convert) {
    value.clear();
    if (index < 0 || index > 1)
        return kConfigFailed;
    Slot& slot = impl_->slots[index];
    if (!slot.hasText)
        return kConfigFailed;
    const int result = slot.tree ? slot.tree.tree->Find(section, key, value, capacity)
                                 : config_text::Find(slot.text, section, key, &value, capacity);
    if (result == kConfigOk && convert)
        value = Utf8ToAnsi(value);
    return result;
}

int ConfigFile::GetString(std::string_view section, std::string_view key, std::string& value,
                          size_t capacity, bool convert) {
    int result = GetStringAt(0, section, key, value, capacity, convert);
    if (result != kConfigOk && impl_->slots[1].hasText) {
        result = GetStringAt(1, section, key, value, capacity, convert);
    }
    return result;
}

int ConfigFile::GetInt(std::string_view section, std::string_view key, int32_t& value) {
    std::string text;
    const int result = GetString(section, key, text, kIntCapacity, false);
    if (result == kConfigOk)
        value = static_cast<int32_t>(ParseNumber(text));
    return result;
}

int ConfigFile::GetBool(std::string_view section, std::string_view key, bool& value) {
    int32_t number = 0;
    const int result = GetInt(section, key, number);
    if (result == kConfigOk)
        value = number != 0;
    return result;
}

int ConfigFile::GetWide(std::string_view section, std::string_view key, std::u16string& value,
                        size_t capacity) {
    value.clear();
    std::string text;
    const int result = GetString(section, key, text, config_text::kGrowth, false);
    if (result != kConfigOk)
        return result;
    value = Utf8ToWide(text);
    const size_t room = capacity == 0 ? 0 : capacity - 1;
    if (value.size() > room) {
        size_t cut = room;
        // Half a surrogate pair is no character.
        if (cut > 0 && value[cut - 1] >= 0xD800 && value[cut - 1] <= 0xDBFF)
            --cut;
        value.resize(cut);
    }
    return result;
}

int ConfigFile::Set(std::string_view section, std::string_view key, std::string_view value,
                    bool convert) {
    impl_->modified = true;
    Slot& slot = impl_->slots[0];
    if (!slot.hasText)
        return kConfigFailed;
    // A text changed in memory is no longer what its parsed tree was built from.
    impl_->DropTree(slot);
    if (convert && !value.empty()) {
        const std::string converted = AnsiToUtf8(value);
        return config_text::Set(slot.text, section, key, converted);
    }
    return config_text::Set(slot.text, section, key, value);
}

int ConfigFile::SetInt(std::string_view section, std::string_view key, int32_t value) {
    return Set(section, key, std::to_string(value), false);
}

int ConfigFile::Delete(std::string_view section, std::optional<std::string_view> key) {
    impl_->modified = true;
    Slot& slot = impl_->slots[0];
    if (!slot.hasText)
        return kConfigFailed;
    impl_->DropTree(slot);
    if (key)
        return config_text::DeleteKey(slot.text, section, *key);
    config_text::DeleteSection(slot.text, section);
    return kConfigOk;
}

int ConfigFile::EnumKeys(int index, std::string_view section, std::string& key, size_t capacity,
                         int& position) {
    key.clear();
    if (index < 0 || index > 1)
        return kConfigFailed;
    Slot& slot = impl_->slots[index];
    if (!slot.hasText)
        return kConfigFailed;
    return config_text::EnumKey(slot.text, section, key, capacity, position);
}

}  // namespace orx
