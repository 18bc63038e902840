// The soft token file: an authenticated header (label, serial number, key derivation,
// public objects), the private objects sealed with the password's key, and a
// checksum over everything that catches accidental damage without the password.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keys/secret.h"
#include "keys/token_crypto.h"
#include "results/module_results.h"

namespace orx {

inline constexpr std::string_view kTokenFileExtension = ".tkn";
inline constexpr size_t kMaxTokenFileSize = 16u << 20;
inline constexpr size_t kMaxLabelSize = 64;

// What the token keeps: certificates (with or without a private key of the same id)
// and data objects. The private ones travel only inside the sealed part.
enum class ObjectKind : uint8_t { Certificate = 1, PrivateKey = 2, Data = 3 };

struct TokenObject {
    ObjectKind kind = ObjectKind::Data;
    bool isPrivate = false;
    std::string id;
    std::string label;
    std::string application;
    std::vector<uint8_t> value;
    bool operator==(const TokenObject&) const = default;
};

struct TokenFile {
    KdfParams kdf;
    std::array<uint8_t, kSaltSize> salt{};
    std::array<uint8_t, kVerifierSize> verifier{};
    std::string label;
    std::array<uint8_t, 8> serial{};
    std::vector<TokenObject> publicObjects;
    // The ids of the certificates whose private key is in the sealed part, so that
    // a reader without the password can tell them (header record 8). None for a
    // file written before the record existed; set anew at every serialisation.
    std::optional<std::vector<std::string>> keyIds;
    std::array<uint8_t, kNonceSize> nonce{};
    std::vector<uint8_t> sealed;         // private objects, AES-256-GCM with tag
    std::vector<uint8_t> authenticated;  // the header bytes as read: the GCM's associated data
};

// Checks the frame and the checksum and reads the header; CKR_OK or CKR_ATTRIBUTE_VALUE_INVALID.
int ParseTokenFile(std::span<const uint8_t> bytes, TokenFile& file);

// The serial number as shown: four groups of four hex digits.
std::string FormatSerial(const std::array<uint8_t, 8>& serial);

// Checks the password's key against the verifier, then opens the sealed part, which
// also authenticates the header: CKR_OK, CKR_PIN_INCORRECT or CKR_ATTRIBUTE_VALUE_INVALID.
int UnsealToken(const TokenFile& file, const TokenKey& key,
                std::vector<TokenObject>& privateObjects);

// Derives the key for the file's own salt and parameters.
bool DeriveFileKey(const TokenFile& file, std::string_view password, TokenKey& key);

// Starts a new token: fresh salt and serial number, the given parameters; fills `key`.
bool NewTokenFile(std::string_view label, std::string_view password, const KdfParams& kdf,
                  TokenFile& file, TokenKey& key);

// Gives the file a new salt and key for a new password (the objects stay).
bool RekeyTokenFile(TokenFile& file, std::string_view password, TokenKey& key);

// Serialises with a fresh nonce; the key must match the file's verifier.
bool SerializeTokenFile(TokenFile& file, const TokenKey& key,
                        const std::vector<TokenObject>& privateObjects,
                        std::vector<uint8_t>& bytes);

// Whether the header says that the sealed part holds the private key of the
// certificate with this id; false also when the file does not say.
bool HeaderListsPrivateKey(const TokenFile& file, std::string_view certificateId);

// Object lists as stored (shared by both parts); false on a malformed list.
void EncodeObjects(const std::vector<TokenObject>& objects, std::vector<uint8_t>& out);
bool DecodeObjects(std::span<const uint8_t> bytes, std::vector<TokenObject>& objects);

}  // namespace orx
