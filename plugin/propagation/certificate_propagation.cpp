// What the module put into "MY" is listed in the token folder, so a token removed
// while no program ran is still cleaned up the next time, and certificates the user
// put there himself stay.
#include "propagation/certificate_propagation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <map>
#include <set>

#include "cards/card_slots.h"
#include "core/base64.h"
#include "core/config_file.h"
#include "core/file_helpers.h"
#include "core/trace.h"
#include "der/cert_store.h"
#include "properties/base64_text.h"
#include "softtoken/soft_tokens.h"
#include "storage/atomic_file.h"

namespace orx {

namespace {

constexpr std::string_view kPropagationSection = "CSP";
constexpr std::string_view kManifestName = "my-store.idx";

bool Setting(std::string_view key, bool fallback) {
    int32_t value = 0;
    if (ConfigReadInt(kPropagationSection, key, value) != kConfigOk)
        return fallback;
    return value != 0;
}

// What the user decided about propagation, as the settings dialog stores it.
struct PropagationSettings {
    bool enable;
    // Certificates of a token that went stay in the store.
    bool keep;
    // A copy in the store with a token certificate's issuer and serial number but
    // other bytes is replaced by the token's.
    bool overwrite;

    // Folded into what a pass records as seen, so that a pass after a change of
    // the settings is not skipped as one that would change nothing.
    uint64_t Mark() const { return (keep ? 0x5EEDull : 0) ^ (overwrite ? 0xC0B1ull << 20 : 0); }
};

PropagationSettings ReadPropagationSettings() {
    return {Setting("Enable", true), Setting("KeepCertificates", false),
            Setting("OverWrite", true)};
}

// A card application's name in the list: a slash is in no token file's stem.
std::string CardStem(int slot) {
    return "/card/" + std::to_string(slot);
}

using Manifest = std::set<std::pair<std::string, std::string>>;  // stem, Base64 DER

// The list's first line records what the last pass saw: the tokens' and cards' stamp
// and the store folder's. When both are as recorded, a pass would change nothing, and
// a program start skips reading the whole store (a token of a thousand certificates
// makes that tens of milliseconds). A certificate the user removes from the store
// changes the folder, so it comes back at the next start as before.
constexpr std::string_view kSeenPrefix = "#seen ";

uint64_t FolderStamp(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return 0;
    uint64_t hash = static_cast<uint64_t>(info.st_ino) * 1099511628211ull;
    hash ^= static_cast<uint64_t>(info.st_mtim.tv_sec) * 31 +
            static_cast<uint64_t>(info.st_mtim.tv_nsec);
    return hash;
}

std::string SeenLine(uint64_t tokens, uint64_t store) {
    char stamps[40];
    std::snprintf(stamps, sizeof stamps, "%016" PRIx64 " %016" PRIx64, tokens, store);
    return std::string(kSeenPrefix) + stamps;
}

// Whether the list begins with exactly this record (only its first line is read).
bool ManifestSaw(const std::string& path, const std::string& seen) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char head[64] = {};
    const size_t n = std::fread(head, 1, sizeof head - 1, file);
    std::fclose(file);
    const std::string_view text(head, n);
    return text.substr(0, text.find('\n')) == seen;
}

Manifest ReadManifest(const std::string& path) {
    Manifest manifest;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxTokenFileSize, ReadFrom::kRegularFile))
        return manifest;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const size_t tab = line.find('\t');
        if (!line.starts_with('#') && tab != std::string_view::npos && tab > 0 &&
            tab + 1 < line.size())
            manifest.emplace(std::string(line.substr(0, tab)), std::string(line.substr(tab + 1)));
    }
    return manifest;
}

bool WriteManifest(const std::string& path, const Manifest& manifest, const std::string& seen) {
    std::string text = seen + "\n";
    for (const auto& [stem, certificate] : manifest)
        text += stem + "\t" + certificate + "\n";
    if (manifest.empty()) {
        RemoveFileDurably(path);  // nothing of ours is left; a missing file is the same
        return true;
    }
    return AtomicWriteFile(path,
                           std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace

void CertificatePropagation::Run() {
    // Readers and cards count as much as the token folder.
    const TokenStore& store = soft_.store();
    const uint64_t stamp = store.ChangeStamp() * 1099511628211ull ^ cards_.ChangeStamp();
    if (propagatedStamp_ == stamp)
        return;
    const PropagationSettings settings = ReadPropagationSettings();
    if (!settings.enable) {
        propagatedStamp_ = stamp;
        return;
    }
    std::optional<CertStore> my = OpenUserStore("MY");
    if (!my)
        return;
    const std::string manifestPath = store.folder() + std::string(kManifestName);
    const uint64_t seenStamp = stamp ^ settings.Mark();
    if (ManifestSaw(manifestPath, SeenLine(seenStamp, FolderStamp(my->folder())))) {
        propagatedStamp_ = stamp;
        return;
    }
    soft_.Scan();
    // What the present tokens hold now; damaged files count as present and unread.
    Manifest current;
    std::set<std::string> present;
    for (const std::string& stem : store.ListStems())
        present.insert(stem);
    std::set<std::string> unreadable;
    for (const SoftSlot& slot : soft_.slots()) {
        TokenFile file;
        if (slot.state != CKR_OK || store.Read(slot.stem, file) != CKR_OK) {
            unreadable.insert(slot.stem);
            continue;
        }
        for (const TokenObject* certificate : CertificateObjects(file.publicObjects))
            current.emplace(slot.stem, Base64Encode(certificate->value));
    }
    for (const CardToken& token : cards_.Tokens()) {
        const std::string stem = CardStem(token.slot);
        present.insert(stem);
        for (const TokenObject* certificate : CertificateObjects(token.file.publicObjects))
            current.emplace(stem, Base64Encode(certificate->value));
    }
    // Nothing to add and nothing of ours to take back: no lock, no folder made.
    if (current.empty() && ::access(manifestPath.c_str(), F_OK) != 0) {
        propagatedStamp_ = stamp;
        return;
    }
    const int result = store.Locked([&]() -> int {
        // The module writes "MY" only under this lock: what is half written there is
        // left by a pass that died.
        my->RemoveUnfinishedWrites();
        Manifest manifest = ReadManifest(manifestPath);
        const Manifest before = manifest;
        // One reading of the store for the whole pass: a new token of a thousand
        // certificates must not read it a thousand times.
        CertStoreBatch batch(*my);
        std::set<std::string> wanted;
        for (const auto& entry : current)
            wanted.insert(entry.second);
        int added = 0, removed = 0;
        for (const auto& entry : current) {
            std::optional<std::vector<uint8_t>> der = Base64DecodeStrict(entry.second);
            if (der && !batch.Contains(*der)) {
                // Another copy of it that the user keeps stays his, and so not ours
                // to take away with the token either.
                if (!settings.overwrite && batch.HasCopy(*der)) {
                    manifest.erase(entry);
                    continue;
                }
                if (batch.Add(*der))
                    ++added;
            }
            manifest.insert(entry);
        }
        for (auto it = manifest.begin(); it != manifest.end();) {
            const bool gone = !present.count(it->first);
            const bool dropped = !gone && !unreadable.count(it->first) && !current.count(*it);
            if (!gone && !dropped) {
                ++it;
                continue;
            }
            // A certificate deleted from its token goes; one of a token that went
            // stays when the user keeps them.
            if ((dropped || !settings.keep) && !wanted.count(it->second)) {
                std::optional<std::vector<uint8_t>> der = Base64DecodeStrict(it->second);
                if (der && batch.Remove(*der))
                    ++removed;
            }
            it = manifest.erase(it);
        }
        batch.Commit();
        // What this pass saw, the store as it is after it. An unchanged record and list
        // are not written again, so a start costs no flush to disk.
        const std::string seen = SeenLine(seenStamp, FolderStamp(my->folder()));
        if ((manifest != before || !ManifestSaw(manifestPath, seen)) &&
            !WriteManifest(manifestPath, manifest, seen))
            return CKR_FUNCTION_FAILED;
        if (added || removed)
            Trace("Plg - Certificate propagation: %d added to and %d removed from MY", added,
                  removed);
        return CKR_OK;
    });
    if (result == CKR_OK)
        propagatedStamp_ = stamp;
}

}  // namespace orx
