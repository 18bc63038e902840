// The virtual card file: a card label and serial number, three applications that
// each hold a token (certificates, keys, data objects) behind a password of their
// own, a PUK that can give an application a new password, and the retry counters
// of all four. Every token inside is sealed with a random application key; the
// passwords and the PUK only open small key boxes, so that a new password never has
// to re-seal what the application holds and the PUK can unblock without it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keys/token_crypto.h"
#include "tokenfile/token_file.h"

namespace orx {

inline constexpr std::string_view kCardFileExtension = ".card";
inline constexpr size_t kCardApplications = 3;
inline constexpr uint8_t kCardPasswordTries = 3;
inline constexpr uint8_t kCardPukTries = 5;
inline constexpr size_t kMaxCardFileSize = 3 * kMaxTokenFileSize + 65536;

// The names after which the applications' labels are made: "<card> (<name>)".
inline constexpr std::array<std::string_view, kCardApplications> kCardApplicationNames = {
    "Authentication", "Signature", "Encryption"};

struct CardApplication {
    uint8_t triesLeft = kCardPasswordTries;
    uint8_t maxTries = kCardPasswordTries;
    std::vector<uint8_t> passwordBox;  // a token file whose sealed part is the application key
    std::vector<uint8_t> content;      // a token file sealed with the application key
};

struct CardFile {
    std::string label;
    std::array<uint8_t, 8> serial{};
    uint8_t pukTriesLeft = kCardPukTries;
    uint8_t pukMaxTries = kCardPukTries;
    std::vector<uint8_t> pukBox;  // its sealed part holds the three application keys
    std::array<CardApplication, kCardApplications> applications;
};

// Checks the frame, the checksum and every token inside: CKR_OK or CKR_ATTRIBUTE_VALUE_INVALID.
int ParseCardFile(std::span<const uint8_t> bytes, CardFile& card);
std::vector<uint8_t> SerializeCardFile(const CardFile& card);

// A new card: fresh serial number and application keys, every application behind
// `password`, the PUK box behind `puk`; the keys' derivation is `kdf`.
bool NewCardFile(std::string_view label, std::string_view puk, std::string_view password,
                 const KdfParams& kdf, CardFile& card);

// Opens a key box with a password: CKR_OK with the keys it holds (in order),
// CKR_PIN_INCORRECT or CKR_ATTRIBUTE_VALUE_INVALID.
int OpenKeyBox(std::span<const uint8_t> box, std::string_view password,
               std::vector<TokenKey>& keys);
// A new key box for `password` holding `keys`.
bool SealKeyBox(std::string_view label, std::string_view password, const KdfParams& kdf,
                const std::vector<const TokenKey*>& keys, std::vector<uint8_t>& box);

// The application's token header (label, serial number, public objects), read
// without a key; CKR_OK or CKR_ATTRIBUTE_VALUE_INVALID.
int ReadApplication(const CardFile& card, size_t application, TokenFile& file);

}  // namespace orx
