// The soft tokens' cryptography: the password-based key derivation, the sealing of
// private parts (AES-256-GCM), the password verifier and the accident checksum.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keys/secret.h"

namespace orx {

enum class KdfKind : uint8_t { Scrypt = 1, Pbkdf2 = 2 };

struct KdfParams {
    KdfKind kind = KdfKind::Scrypt;
    uint8_t log2N = 16;            // scrypt cost: N = 2^log2N
    uint32_t r = 8;                // scrypt block size
    uint32_t p = 1;                // scrypt parallelism
    uint32_t iterations = 600000;  // PBKDF2-HMAC-SHA256
};

// Bounds that a token file's header must keep, checked before any derivation:
// anything outside is a damaged file, so that a crafted header cannot make the
// module spend minutes or gigabytes on one password try. The default cost (64 MiB,
// N * r * p = 2^19) stays well inside them.
inline constexpr uint64_t kMaxScryptMemory = 256ull << 20;  // 128 * r * N bytes
inline constexpr uint64_t kDefaultScryptWork = (uint64_t{1} << 16) * 8 * 1;
inline constexpr uint64_t kMaxScryptWork = 4 * kDefaultScryptWork;  // N * r * p
inline constexpr uint32_t kMaxPbkdf2Iterations = 2000000;
bool KdfParamsAcceptable(const KdfParams& params);

// Environment variable that only ever lowers the scrypt cost of new tokens (a value
// from 1 up to the default's exponent), so that tests can make cheap tokens.
inline constexpr const char* kKdfCostVariable = "ORX_TOKEN_KDF_LOG2N";
// The parameters for a new token: scrypt N = 2^16, r = 8, p = 1, or cheaper as above.
KdfParams DefaultKdfParams();
// The derivation as "TokenInfo" shows it: "scrypt N=2^16 r=8 p=1",
// "pbkdf2-sha256 600000".
std::string KdfDescription(const KdfParams& params);

inline constexpr size_t kSaltSize = 16;
inline constexpr size_t kNonceSize = 12;
inline constexpr size_t kTagSize = 16;
inline constexpr size_t kKeySize = 32;
inline constexpr size_t kVerifierSize = 32;
inline constexpr size_t kDigestSize = 32;

// The derived key material: an encryption key and a verifier key, both from the password.
struct TokenKey {
    Secret encryption;  // AES-256-GCM
    Secret mac;         // HMAC-SHA256 verifier
    bool valid() const { return encryption.size() == kKeySize && mac.size() == kKeySize; }
};

// Derives both keys; false when OpenSSL fails.
bool DeriveTokenKey(std::string_view password, std::span<const uint8_t> salt,
                    const KdfParams& params, TokenKey& key);

// HMAC-SHA256(mac key, salt): tells a wrong password from a damaged file.
std::array<uint8_t, kVerifierSize> MakeVerifier(const TokenKey& key, std::span<const uint8_t> salt);

// AES-256-GCM. Seal appends the tag to the ciphertext; Open fails on any change to
// the ciphertext, the tag or the associated data.
bool SealPrivate(const TokenKey& key, std::span<const uint8_t> nonce,
                 std::span<const uint8_t> associated, std::span<const uint8_t> plain,
                 std::vector<uint8_t>& sealed);
bool OpenPrivate(const TokenKey& key, std::span<const uint8_t> nonce,
                 std::span<const uint8_t> associated, std::span<const uint8_t> sealed,
                 Secret& plain);

std::array<uint8_t, kDigestSize> Sha256(std::span<const uint8_t> bytes);
bool RandomBytes(std::span<uint8_t> out);

}  // namespace orx
