// The properties through which the program sees the slots: "SlotSoft", "Slot",
// "Token", "TokenInfo", "ActiveSlot", "LoggedIn", "HaveSlotEvent", "Version",
// "Component".
#include <openssl/crypto.h>
#include <sys/stat.h>

#include <cstdio>

#include "core/product_identity.h"
#include "core/trace.h"
#include "module_context.h"
#include "prompts/password_prompt.h"

namespace orx {

namespace {

// Fields are ";"-separated: a ";" inside a name would shift every later field.
std::string Field(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ';')
            c = ',';
    }
    return out;
}

// The product version as eight digits: "4.2.0.0" gives "04020000".
std::string VersionDigits() {
    int part[4] = {0, 0, 0, 0};
    const std::string version(GetProductVersion());
    std::sscanf(version.c_str(), "%d.%d.%d.%d", &part[0], &part[1], &part[2], &part[3]);
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d%02d", part[0] % 100, part[1] % 100,
                  part[2] % 100, part[3] % 100);
    return text;
}

struct ComponentInfo {
    std::string file;
    const char* information;
};

std::vector<ComponentInfo> Components() {
    // The module first, then the programs that were installed beside it.
    std::vector<ComponentInfo> list{{GetProgramPath(), "Token plug-in module (soft tokens)"}};
    const std::string folder = GetProgramFolder();
    const std::pair<std::string, const char*> programs[] = {
        {GetAdminProgramName(), "Administration program"},
        {GetClientProgramName(), "Client program"},
        {GetFilePrefix() + "xctl", "Command-line administration"},
    };
    for (const auto& [name, information] : programs) {
        struct stat info {};
        const std::string path = folder + name;
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            list.push_back({path, information});
    }
    return list;
}

}  // namespace

bool ModuleContext::IsLoggedIn(int slotId) {
    if (IsCardSlot(slotId))
        return cards_.IsLoggedIn(slotId);
    auto it = sessions_.find(slotId);
    if (it == sessions_.end())
        return false;
    // Another process may have changed the password or removed the token meanwhile:
    // a key that no longer opens the file is no login.
    TokenFile file;
    if (store_.Read(it->second.stem, file) != CKR_OK ||
        MakeVerifier(it->second.key, file.salt) != file.verifier) {
        EndLogin(slotId);
        return false;
    }
    return true;
}

std::optional<std::string> ModuleContext::TokenInfo() {
    slots_.Scan();
    const SoftSlot* slot = slots_.Find(activeSlot_);
    if (!slot || slot->state != CKR_OK)
        return std::nullopt;
    TokenFile file;
    if (store_.Read(slot->stem, file) != CKR_OK)
        return std::nullopt;
    char kdf[96];
    if (file.kdf.kind == KdfKind::Scrypt) {
        std::snprintf(kdf, sizeof kdf, "scrypt N=2^%u r=%u p=%u", file.kdf.log2N, file.kdf.r,
                      file.kdf.p);
    } else {
        std::snprintf(kdf, sizeof kdf, "pbkdf2-sha256 %u", file.kdf.iterations);
    }
    return std::to_string(slot->id) + ";" + Field(file.label) + ";" + FormatSerial(file.serial) +
           ";" + Field(GetCompanyName()) + ";Soft Token;" + Field(slot->path) + ";" + kdf + ";" +
           std::to_string(kMinPasswordLength) + "-" + std::to_string(kMaxPasswordLength);
}

std::optional<std::string> ModuleContext::StateProperty(std::string_view name) {
    if (name == "ActiveSlot")
        return std::to_string(activeSlot_);
    if (name == "TokenInfo" && IsCardSlot(activeSlot_))
        return cards_.TokenInfo(activeSlot_);
    if (name == "LoggedIn")
        return IsLoggedIn(activeSlot_) ? "true" : "false";
    if (name == "HaveSlotEvent") {
        const bool cards = cards_.Changed();
        const uint64_t now = store_.ChangeStamp();
        if (now == stamp_ && !cards)
            return "false";
        stamp_ = now;
        slots_.Scan();
        PropagateCertificates();
        return "true";
    }
    if (name == "TokenInfo")
        return TokenInfo();
    if (name == "Version")
        return VersionDigits() + " " + GetProductName() + " token plug-in module";
    if (name == "Trace") {
        std::string file = TraceGetFile();
        return file.empty() ? std::nullopt : std::optional<std::string>(file);
    }
    return std::nullopt;
}

std::optional<std::string> ModuleContext::SlotEntry(std::string_view name, int index) {
    if (name == "Component") {
        // The first entry is read fresh; the later ones come from the same listing.
        const std::vector<ComponentInfo> list = Components();
        if (static_cast<size_t>(index) >= list.size())
            return std::nullopt;
        std::string version = VersionDigits();
        if (index == 0)
            version += std::string(" (") + OpenSSL_version(OPENSSL_VERSION) + ")";
        return Field(list[static_cast<size_t>(index)].file) + ";" + version + ";" +
               list[static_cast<size_t>(index)].information;
    }
    if (name == "SlotCard")
        return cards_.SlotCardEntry(index);
    const bool soft = name == "SlotSoft", any = name == "Slot", usable = name == "Token";
    if (!soft && !any && !usable)
        return std::nullopt;  // the certificate lists have no entries here
    if (index == 0)
        slots_.Scan();
    if (!soft) {
        // The card slots (ids below 100) come first, in id order.
        const std::vector<std::string> cards = cards_.SlotEntries(usable);
        if (static_cast<size_t>(index) < cards.size())
            return cards[static_cast<size_t>(index)];
        index -= static_cast<int>(cards.size());
    }
    int at = 0;
    for (const SoftSlot& slot : slots_.slots()) {
        if (usable && slot.state != CKR_OK)
            continue;
        if (at++ != index)
            continue;
        std::string entry = std::to_string(slot.id) + ";" + Field(slot.label);
        if (soft)
            entry += ";" + Field(slot.stem);
        return entry;
    }
    return std::nullopt;
}

}  // namespace orx
