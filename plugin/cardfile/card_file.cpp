#include "cardfile/card_file.h"

#include <openssl/crypto.h>

#include <cstring>

#include "core/string_helpers.h"

namespace orx {

namespace {

constexpr char kMagic[8] = {'O', 'R', 'X', 'C', 'A', 'R', 'D', '1'};
constexpr uint16_t kVersion = 1;

enum Tag : uint8_t {
    kTagLabel = 1,
    kTagSerial = 2,
    kTagPukTries = 3,  // tries left, most tries
    kTagPukBox = 4,
    kTagAppTries = 0x10,    // + application: tries left, most tries
    kTagAppBox = 0x20,      // + application
    kTagAppContent = 0x30,  // + application
};

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutRecord(std::vector<uint8_t>& out, uint8_t tag, std::span<const uint8_t> value) {
    out.push_back(tag);
    PutU32(out, static_cast<uint32_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
}

uint32_t GetU32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

std::vector<uint8_t> KeyBytes(const TokenKey& key) {
    std::vector<uint8_t> out(key.encryption.span().begin(), key.encryption.span().end());
    out.insert(out.end(), key.mac.span().begin(), key.mac.span().end());
    return out;
}

// A token sealed with a random key rather than one derived from a password: only
// the key boxes lead to it.
bool NewKeyedToken(std::string_view label, const std::array<uint8_t, 8>& serial,
                   const KdfParams& kdf, TokenKey& key, std::vector<uint8_t>& bytes) {
    TokenFile file;
    file.kdf = kdf;
    file.label = std::string(label.substr(0, kMaxLabelSize));
    file.serial = serial;
    key.encryption = Secret(kKeySize);
    key.mac = Secret(kKeySize);
    if (!RandomBytes(file.salt) || !RandomBytes({key.encryption.data(), kKeySize}) ||
        !RandomBytes({key.mac.data(), kKeySize}))
        return false;
    file.verifier = MakeVerifier(key, file.salt);
    return SerializeTokenFile(file, key, {}, bytes);
}

bool TokenWhole(std::span<const uint8_t> bytes) {
    TokenFile file;
    return ParseTokenFile(bytes, file) == CKR_OK;
}

std::string ApplicationLabel(std::string_view card, size_t application) {
    std::string label =
        std::string(card) + " (" + std::string(kCardApplicationNames[application]) + ")";
    if (label.size() > kMaxLabelSize) {
        // The card's own name gives way, so that the note that tells the
        // applications apart stays whole.
        const size_t note = label.size() - card.size();
        const size_t room = kMaxLabelSize > note ? kMaxLabelSize - note : 0;
        label = std::string(CutToCapacity(card, room + 1)) + label.substr(card.size());
    }
    return label;
}

}  // namespace

std::vector<uint8_t> SerializeCardFile(const CardFile& card) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    out.push_back(static_cast<uint8_t>(kVersion >> 8));
    out.push_back(static_cast<uint8_t>(kVersion));
    PutRecord(out, kTagLabel,
              {reinterpret_cast<const uint8_t*>(card.label.data()), card.label.size()});
    PutRecord(out, kTagSerial, card.serial);
    const uint8_t puk[2] = {card.pukTriesLeft, card.pukMaxTries};
    PutRecord(out, kTagPukTries, puk);
    PutRecord(out, kTagPukBox, card.pukBox);
    for (size_t i = 0; i < kCardApplications; ++i) {
        const CardApplication& app = card.applications[i];
        const uint8_t tries[2] = {app.triesLeft, app.maxTries};
        PutRecord(out, static_cast<uint8_t>(kTagAppTries + i), tries);
        PutRecord(out, static_cast<uint8_t>(kTagAppBox + i), app.passwordBox);
        PutRecord(out, static_cast<uint8_t>(kTagAppContent + i), app.content);
    }
    const auto digest = Sha256(out);
    out.insert(out.end(), digest.begin(), digest.end());
    return out;
}

int ParseCardFile(std::span<const uint8_t> bytes, CardFile& card) {
    card = CardFile{};
    if (bytes.size() < sizeof kMagic + 2 + kDigestSize || bytes.size() > kMaxCardFileSize ||
        std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    const size_t body = bytes.size() - kDigestSize;
    const auto digest = Sha256(bytes.first(body));
    if (CRYPTO_memcmp(digest.data(), bytes.data() + body, kDigestSize) != 0)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    if (((bytes[8] << 8) | bytes[9]) != kVersion)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    // Every record but the unknown ones must be there exactly once.
    uint64_t seen = 0;
    auto mark = [&seen](unsigned bit) {
        const bool twice = (seen >> bit) & 1;
        seen |= uint64_t{1} << bit;
        return !twice;
    };
    size_t at = sizeof kMagic + 2;
    while (at < body) {
        if (body - at < 5)
            return CKR_ATTRIBUTE_VALUE_INVALID;
        const uint8_t tag = bytes[at];
        const uint32_t length = GetU32(bytes.data() + at + 1);
        at += 5;
        if (length > body - at)
            return CKR_ATTRIBUTE_VALUE_INVALID;
        const std::span<const uint8_t> value = bytes.subspan(at, length);
        at += length;
        const size_t app = tag & 0x0F;
        const uint8_t kind = tag & 0xF0;
        if (tag == kTagLabel) {
            if (!mark(0) || value.empty() || value.size() > kMaxLabelSize)
                return CKR_ATTRIBUTE_VALUE_INVALID;
            card.label.assign(value.begin(), value.end());
        } else if (tag == kTagSerial) {
            if (!mark(1) || value.size() != card.serial.size())
                return CKR_ATTRIBUTE_VALUE_INVALID;
            std::memcpy(card.serial.data(), value.data(), value.size());
        } else if (tag == kTagPukTries) {
            if (!mark(2) || value.size() != 2 || value[0] > value[1] || value[1] == 0)
                return CKR_ATTRIBUTE_VALUE_INVALID;
            card.pukTriesLeft = value[0];
            card.pukMaxTries = value[1];
        } else if (tag == kTagPukBox) {
            if (!mark(3) || !TokenWhole(value))
                return CKR_ATTRIBUTE_VALUE_INVALID;
            card.pukBox.assign(value.begin(), value.end());
        } else if ((kind == kTagAppTries || kind == kTagAppBox || kind == kTagAppContent) &&
                   app < kCardApplications) {
            CardApplication& application = card.applications[app];
            if (!mark(4 + (kind >> 4) * 4 + static_cast<unsigned>(app)))
                return CKR_ATTRIBUTE_VALUE_INVALID;
            if (kind == kTagAppTries) {
                if (value.size() != 2 || value[0] > value[1] || value[1] == 0)
                    return CKR_ATTRIBUTE_VALUE_INVALID;
                application.triesLeft = value[0];
                application.maxTries = value[1];
            } else if (!TokenWhole(value)) {
                return CKR_ATTRIBUTE_VALUE_INVALID;
            } else if (kind == kTagAppBox) {
                application.passwordBox.assign(value.begin(), value.end());
            } else {
                application.content.assign(value.begin(), value.end());
            }
        }
    }
    for (unsigned bit = 0; bit < 4; ++bit) {
        if (!((seen >> bit) & 1))
            return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    for (unsigned kind = 1; kind <= 3; ++kind) {
        for (unsigned app = 0; app < kCardApplications; ++app) {
            if (!((seen >> (4 + kind * 4 + app)) & 1))
                return CKR_ATTRIBUTE_VALUE_INVALID;
        }
    }
    return CKR_OK;
}

int OpenKeyBox(std::span<const uint8_t> box, std::string_view password,
               std::vector<TokenKey>& keys) {
    keys.clear();
    TokenFile file;
    if (ParseTokenFile(box, file) != CKR_OK)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    TokenKey key;
    if (!DeriveFileKey(file, password, key))
        return CKR_FUNCTION_FAILED;
    std::vector<TokenObject> objects;
    int result = UnsealToken(file, key, objects);
    for (TokenObject& object : objects) {
        if (result == CKR_OK) {
            if (object.value.size() != 2 * kKeySize) {
                result = CKR_ATTRIBUTE_VALUE_INVALID;
            } else {
                TokenKey held;
                held.encryption = Secret(std::span<const uint8_t>(object.value).first(kKeySize));
                held.mac = Secret(std::span<const uint8_t>(object.value).last(kKeySize));
                keys.push_back(std::move(held));
            }
        }
        if (!object.value.empty())
            OPENSSL_cleanse(object.value.data(), object.value.size());
    }
    if (result != CKR_OK)
        keys.clear();
    return result;
}

bool SealKeyBox(std::string_view label, std::string_view password, const KdfParams& kdf,
                const std::vector<const TokenKey*>& keys, std::vector<uint8_t>& box) {
    TokenFile file;
    TokenKey boxKey;
    if (!NewTokenFile(label, password, kdf, file, boxKey))
        return false;
    std::vector<TokenObject> objects;
    for (size_t i = 0; i < keys.size(); ++i) {
        TokenObject object;
        object.kind = ObjectKind::Data;
        object.isPrivate = true;
        object.id = std::to_string(i);
        object.value = KeyBytes(*keys[i]);
        objects.push_back(std::move(object));
    }
    const bool ok = SerializeTokenFile(file, boxKey, objects, box);
    for (TokenObject& object : objects)
        OPENSSL_cleanse(object.value.data(), object.value.size());
    return ok;
}

bool NewCardFile(std::string_view label, std::string_view puk, std::string_view password,
                 const KdfParams& kdf, CardFile& card) {
    card = CardFile{};
    card.label = std::string(label.substr(0, kMaxLabelSize));
    if (card.label.empty() || !RandomBytes(card.serial))
        return false;
    std::array<TokenKey, kCardApplications> keys;
    std::vector<const TokenKey*> all;
    for (size_t i = 0; i < kCardApplications; ++i) {
        CardApplication& app = card.applications[i];
        if (!NewKeyedToken(ApplicationLabel(card.label, i), card.serial, kdf, keys[i],
                           app.content) ||
            !SealKeyBox("password", password, kdf, {&keys[i]}, app.passwordBox))
            return false;
        all.push_back(&keys[i]);
    }
    return SealKeyBox("PUK", puk, kdf, all, card.pukBox);
}

int ReadApplication(const CardFile& card, size_t application, TokenFile& file) {
    if (application >= kCardApplications)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    return ParseTokenFile(card.applications[application].content, file);
}

}  // namespace orx
