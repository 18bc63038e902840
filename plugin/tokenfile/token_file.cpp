#include "tokenfile/token_file.h"

#include <openssl/crypto.h>

#include <algorithm>

#include "core/hex_text.h"

namespace orx {

namespace {

constexpr std::string_view kMagic = "ORXTOKEN";
constexpr uint16_t kFormatVersion = 1;
constexpr size_t kPrefixSize = 8 + 2 + 4;  // magic, version, header length

enum Tag : uint8_t {
    kTagKdf = 1,
    kTagSalt = 2,
    kTagVerifier = 3,
    kTagLabel = 4,
    kTagSerial = 5,
    kTagPublic = 6,
    kTagNonce = 7,
    kTagKeyIds = 8,
};

void PutU8(std::vector<uint8_t>& out, uint8_t v) {
    out.push_back(v);
}
void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}
void PutBytes(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}
void PutText(std::vector<uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}
void PutRecord(std::vector<uint8_t>& out, uint8_t tag, std::span<const uint8_t> value) {
    PutU8(out, tag);
    PutU32(out, static_cast<uint32_t>(value.size()));
    PutBytes(out, value);
}

// A bounds-checked reader: every read past the end fails and stays failed.
class Reader {
  public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    size_t left() const { return bytes_.size() - at_; }
    size_t position() const { return at_; }
    bool Need(size_t n) {
        if (!ok_ || left() < n)
            ok_ = false;
        return ok_;
    }
    uint8_t U8() { return Need(1) ? bytes_[at_++] : 0; }
    uint16_t U16() {
        if (!Need(2))
            return 0;
        const uint16_t v = static_cast<uint16_t>(bytes_[at_] << 8 | bytes_[at_ + 1]);
        at_ += 2;
        return v;
    }
    uint32_t U32() {
        if (!Need(4))
            return 0;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | bytes_[at_ + static_cast<size_t>(i)];
        at_ += 4;
        return v;
    }
    std::span<const uint8_t> Bytes(size_t n) {
        if (!Need(n))
            return {};
        auto out = bytes_.subspan(at_, n);
        at_ += n;
        return out;
    }
    std::string Text(size_t n) {
        auto b = Bytes(n);
        return std::string(b.begin(), b.end());
    }

  private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

template <size_t N>
bool CopyFixed(std::span<const uint8_t> from, std::array<uint8_t, N>& to) {
    if (from.size() != N)
        return false;
    std::copy(from.begin(), from.end(), to.begin());
    return true;
}

void EncodeKdf(const KdfParams& kdf, std::vector<uint8_t>& out) {
    PutU8(out, static_cast<uint8_t>(kdf.kind));
    PutU8(out, kdf.log2N);
    PutU32(out, kdf.r);
    PutU32(out, kdf.p);
    PutU32(out, kdf.iterations);
}

bool DecodeKdf(std::span<const uint8_t> bytes, KdfParams& kdf) {
    Reader in(bytes);
    const uint8_t kind = in.U8();
    kdf.kind = static_cast<KdfKind>(kind);
    kdf.log2N = in.U8();
    kdf.r = in.U32();
    kdf.p = in.U32();
    kdf.iterations = in.U32();
    return in.ok() && in.left() == 0 &&
           (kind == static_cast<uint8_t>(KdfKind::Scrypt) ||
            kind == static_cast<uint8_t>(KdfKind::Pbkdf2)) &&
           KdfParamsAcceptable(kdf);
}

// Record 8: a count (4 bytes), then each id as a 2-byte length and its bytes.
void EncodeKeyIds(const std::vector<std::string>& ids, std::vector<uint8_t>& out) {
    PutU32(out, static_cast<uint32_t>(ids.size()));
    for (const std::string& id : ids) {
        PutU16(out, static_cast<uint16_t>(id.size()));
        PutText(out, id);
    }
}

bool DecodeKeyIds(std::span<const uint8_t> bytes, std::vector<std::string>& ids) {
    Reader in(bytes);
    const uint32_t count = in.U32();
    // Every id takes its 2-byte length at least.
    if (!in.ok() || count > in.left() / 2)
        return false;
    for (uint32_t i = 0; i < count && in.ok(); ++i)
        ids.push_back(in.Text(in.U16()));
    return in.ok() && in.left() == 0;
}

std::vector<std::string> PrivateKeyIds(const std::vector<TokenObject>& privateObjects) {
    std::vector<std::string> ids;
    for (const TokenObject& object : privateObjects) {
        if (object.kind == ObjectKind::PrivateKey)
            ids.push_back(object.id);
    }
    return ids;
}

std::vector<uint8_t> EncodeHeader(const TokenFile& file) {
    std::vector<uint8_t> records;
    std::vector<uint8_t> kdf;
    EncodeKdf(file.kdf, kdf);
    PutRecord(records, kTagKdf, kdf);
    PutRecord(records, kTagSalt, file.salt);
    PutRecord(records, kTagVerifier, file.verifier);
    PutRecord(records, kTagLabel,
              {reinterpret_cast<const uint8_t*>(file.label.data()), file.label.size()});
    PutRecord(records, kTagSerial, file.serial);
    std::vector<uint8_t> objects;
    EncodeObjects(file.publicObjects, objects);
    PutRecord(records, kTagPublic, objects);
    PutRecord(records, kTagNonce, file.nonce);
    if (file.keyIds) {
        std::vector<uint8_t> ids;
        EncodeKeyIds(*file.keyIds, ids);
        PutRecord(records, kTagKeyIds, ids);
    }

    std::vector<uint8_t> header;
    PutText(header, kMagic);
    PutU16(header, kFormatVersion);
    PutU32(header, static_cast<uint32_t>(records.size()));
    PutBytes(header, records);
    return header;
}

}  // namespace

void EncodeObjects(const std::vector<TokenObject>& objects, std::vector<uint8_t>& out) {
    PutU32(out, static_cast<uint32_t>(objects.size()));
    for (const TokenObject& object : objects) {
        PutU8(out, static_cast<uint8_t>(object.kind));
        PutU8(out, object.isPrivate ? 1 : 0);
        for (const std::string* text : {&object.id, &object.label, &object.application}) {
            PutU16(out, static_cast<uint16_t>(text->size()));
            PutText(out, *text);
        }
        PutU32(out, static_cast<uint32_t>(object.value.size()));
        PutBytes(out, object.value);
    }
}

bool DecodeObjects(std::span<const uint8_t> bytes, std::vector<TokenObject>& objects) {
    objects.clear();
    Reader in(bytes);
    const uint32_t count = in.U32();
    // Every object takes at least 12 bytes: a count beyond that is damage, not data.
    if (!in.ok() || count > in.left() / 12)
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        TokenObject object;
        const uint8_t kind = in.U8();
        if (kind < 1 || kind > 3)
            return false;
        object.kind = static_cast<ObjectKind>(kind);
        const uint8_t flags = in.U8();
        if (flags > 1)
            return false;
        object.isPrivate = flags == 1;
        object.id = in.Text(in.U16());
        object.label = in.Text(in.U16());
        object.application = in.Text(in.U16());
        auto value = in.Bytes(in.U32());
        object.value.assign(value.begin(), value.end());
        if (!in.ok())
            return false;
        objects.push_back(std::move(object));
    }
    return in.ok() && in.left() == 0;
}

int ParseTokenFile(std::span<const uint8_t> bytes, TokenFile& file) {
    file = TokenFile{};
    if (bytes.size() < kPrefixSize + 4 + kTagSize + kDigestSize || bytes.size() > kMaxTokenFileSize)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    const auto body = bytes.subspan(0, bytes.size() - kDigestSize);
    const auto digest = Sha256(body);
    if (CRYPTO_memcmp(digest.data(), bytes.data() + body.size(), kDigestSize) != 0)
        return CKR_ATTRIBUTE_VALUE_INVALID;

    Reader in(body);
    if (in.Text(kMagic.size()) != kMagic || in.U16() != kFormatVersion)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    const uint32_t headerSize = in.U32();
    auto records = in.Bytes(headerSize);
    if (!in.ok())
        return CKR_ATTRIBUTE_VALUE_INVALID;
    file.authenticated.assign(body.begin(), body.begin() + static_cast<long>(in.position()));

    unsigned seen = 0;
    Reader header(records);
    while (header.ok() && header.left() > 0) {
        const uint8_t tag = header.U8();
        auto value = header.Bytes(header.U32());
        if (!header.ok())
            return CKR_ATTRIBUTE_VALUE_INVALID;
        if (tag >= kTagKdf && tag <= kTagKeyIds) {
            if (seen & (1u << tag))
                return CKR_ATTRIBUTE_VALUE_INVALID;
            seen |= 1u << tag;
        }
        bool good = true;
        switch (tag) {
            case kTagKdf:
                good = DecodeKdf(value, file.kdf);
                break;
            case kTagSalt:
                good = CopyFixed(value, file.salt);
                break;
            case kTagVerifier:
                good = CopyFixed(value, file.verifier);
                break;
            case kTagLabel:
                file.label.assign(value.begin(), value.end());
                good = !file.label.empty() && file.label.size() <= kMaxLabelSize &&
                       file.label.find('\0') == std::string::npos;
                break;
            case kTagSerial:
                good = CopyFixed(value, file.serial);
                break;
            case kTagPublic:
                good = DecodeObjects(value, file.publicObjects);
                break;
            case kTagNonce:
                good = CopyFixed(value, file.nonce);
                break;
            case kTagKeyIds:
                file.keyIds.emplace();
                good = DecodeKeyIds(value, *file.keyIds);
                break;
            default:
                break;  // later additions that this version does not know
        }
        if (!good)
            return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    constexpr unsigned kRequired = (1u << (kTagNonce + 1)) - 2;
    if (!header.ok() || (seen & kRequired) != kRequired)
        return CKR_ATTRIBUTE_VALUE_INVALID;

    const uint32_t sealedSize = in.U32();
    auto sealed = in.Bytes(sealedSize);
    if (!in.ok() || in.left() != 0 || sealed.size() < kTagSize)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    file.sealed.assign(sealed.begin(), sealed.end());
    return CKR_OK;
}

std::string FormatSerial(const std::array<uint8_t, 8>& serial) {
    std::string text;
    for (size_t i = 0; i < serial.size(); ++i) {
        if (i > 0 && i % 2 == 0)
            text += ' ';
        AppendHex(text, serial[i], HexCase::kUpper);
    }
    return text;
}

bool HeaderListsPrivateKey(const TokenFile& file, std::string_view certificateId) {
    return file.keyIds &&
           std::find(file.keyIds->begin(), file.keyIds->end(), certificateId) != file.keyIds->end();
}

bool DeriveFileKey(const TokenFile& file, std::string_view password, TokenKey& key) {
    return DeriveTokenKey(password, file.salt, file.kdf, key);
}

int UnsealToken(const TokenFile& file, const TokenKey& key,
                std::vector<TokenObject>& privateObjects) {
    privateObjects.clear();
    const auto verifier = MakeVerifier(key, file.salt);
    if (CRYPTO_memcmp(verifier.data(), file.verifier.data(), verifier.size()) != 0)
        return CKR_PIN_INCORRECT;
    Secret plain;
    if (!OpenPrivate(key, file.nonce, file.authenticated, file.sealed, plain))
        return CKR_ATTRIBUTE_VALUE_INVALID;
    if (!DecodeObjects(plain.span(), privateObjects))
        return CKR_ATTRIBUTE_VALUE_INVALID;
    return CKR_OK;
}

bool NewTokenFile(std::string_view label, std::string_view password, const KdfParams& kdf,
                  TokenFile& file, TokenKey& key) {
    file = TokenFile{};
    file.kdf = kdf;
    file.label = std::string(label);
    if (!RandomBytes(file.serial))
        return false;
    return RekeyTokenFile(file, password, key);
}

bool RekeyTokenFile(TokenFile& file, std::string_view password, TokenKey& key) {
    if (!RandomBytes(file.salt) || !DeriveTokenKey(password, file.salt, file.kdf, key))
        return false;
    file.verifier = MakeVerifier(key, file.salt);
    return true;
}

bool SerializeTokenFile(TokenFile& file, const TokenKey& key,
                        const std::vector<TokenObject>& privateObjects,
                        std::vector<uint8_t>& bytes) {
    const auto verifier = MakeVerifier(key, file.salt);
    if (CRYPTO_memcmp(verifier.data(), file.verifier.data(), verifier.size()) != 0)
        return false;
    if (!RandomBytes(file.nonce))
        return false;
    file.keyIds = PrivateKeyIds(privateObjects);
    file.authenticated = EncodeHeader(file);
    std::vector<uint8_t> plain;
    EncodeObjects(privateObjects, plain);
    std::vector<uint8_t> sealed;
    const bool sealedOk = SealPrivate(key, file.nonce, file.authenticated, plain, sealed);
    if (!plain.empty())
        OPENSSL_cleanse(plain.data(), plain.size());
    if (!sealedOk)
        return false;
    file.sealed = sealed;
    bytes = file.authenticated;
    PutU32(bytes, static_cast<uint32_t>(sealed.size()));
    PutBytes(bytes, sealed);
    const auto digest = Sha256(bytes);
    PutBytes(bytes, digest);
    return bytes.size() <= kMaxTokenFileSize;
}

}  // namespace orx
