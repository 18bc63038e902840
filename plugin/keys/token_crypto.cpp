#include "keys/token_crypto.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace orx {

namespace {

struct KdfFree {
    void operator()(EVP_KDF* kdf) const { EVP_KDF_free(kdf); }
    void operator()(EVP_KDF_CTX* ctx) const { EVP_KDF_CTX_free(ctx); }
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

constexpr uint8_t kDefaultLog2N = 16;
static_assert((uint64_t{1} << kDefaultLog2N) * KdfParams{}.r * KdfParams{}.p == kDefaultScryptWork);

}  // namespace

bool KdfParamsAcceptable(const KdfParams& params) {
    switch (params.kind) {
        case KdfKind::Scrypt: {
            if (params.log2N < 1 || params.log2N > 32 || params.r < 1 || params.p < 1)
                return false;
            // Divisions instead of products: nothing a header holds can overflow them.
            const uint64_t n = uint64_t{1} << params.log2N;
            if (params.r > kMaxScryptMemory / 128 / n)
                return false;
            return params.p <= kMaxScryptWork / (n * params.r);
        }
        case KdfKind::Pbkdf2:
            return params.iterations >= 1 && params.iterations <= kMaxPbkdf2Iterations;
    }
    return false;
}

KdfParams DefaultKdfParams() {
    KdfParams params;
    params.log2N = kDefaultLog2N;
    if (const char* text = std::getenv(kKdfCostVariable)) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value >= 1 && value < kDefaultLog2N)
            params.log2N = static_cast<uint8_t>(value);
    }
    return params;
}

std::string KdfDescription(const KdfParams& params) {
    char text[96];
    if (params.kind == KdfKind::Scrypt) {
        std::snprintf(text, sizeof text, "scrypt N=2^%u r=%u p=%u", params.log2N, params.r,
                      params.p);
    } else {
        std::snprintf(text, sizeof text, "pbkdf2-sha256 %u", params.iterations);
    }
    return text;
}

bool DeriveTokenKey(std::string_view password, std::span<const uint8_t> salt,
                    const KdfParams& params, TokenKey& key) {
    if (!KdfParamsAcceptable(params))
        return false;
    const bool scrypt = params.kind == KdfKind::Scrypt;
    std::unique_ptr<EVP_KDF, KdfFree> kdf(
        EVP_KDF_fetch(nullptr, scrypt ? OSSL_KDF_NAME_SCRYPT : OSSL_KDF_NAME_PBKDF2, nullptr));
    if (!kdf)
        return false;
    std::unique_ptr<EVP_KDF_CTX, KdfFree> ctx(EVP_KDF_CTX_new(kdf.get()));
    if (!ctx)
        return false;
    OSSL_PARAM list[7];
    size_t n = 0;
    // OpenSSL takes the password as a mutable pointer but does not change it.
    list[n++] = OSSL_PARAM_construct_octet_string(
        OSSL_KDF_PARAM_PASSWORD, const_cast<char*>(password.data()), password.size());
    list[n++] = OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT,
                                                  const_cast<uint8_t*>(salt.data()), salt.size());
    uint64_t cost = uint64_t{1} << params.log2N;
    uint32_t r = params.r, p = params.p, iterations = params.iterations;
    // OpenSSL needs a little more than 128 * r * N; the bound above is what decides.
    uint64_t maxMemory = 2 * kMaxScryptMemory;
    char digest[] = "SHA256";
    if (scrypt) {
        list[n++] = OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_N, &cost);
        list[n++] = OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_R, &r);
        list[n++] = OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_P, &p);
        list[n++] = OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_MAXMEM, &maxMemory);
    } else {
        list[n++] = OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_ITER, &iterations);
        list[n++] = OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0);
    }
    list[n] = OSSL_PARAM_construct_end();
    Secret out(2 * kKeySize);
    if (EVP_KDF_derive(ctx.get(), out.data(), out.size(), list) != 1)
        return false;
    key.encryption = Secret(out.span().subspan(0, kKeySize));
    key.mac = Secret(out.span().subspan(kKeySize, kKeySize));
    return true;
}

std::array<uint8_t, kVerifierSize> MakeVerifier(const TokenKey& key,
                                                std::span<const uint8_t> salt) {
    std::array<uint8_t, kVerifierSize> out{};
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.mac.data(), static_cast<int>(key.mac.size()), salt.data(), salt.size(),
         out.data(), &length);
    return out;
}

bool SealPrivate(const TokenKey& key, std::span<const uint8_t> nonce,
                 std::span<const uint8_t> associated, std::span<const uint8_t> plain,
                 std::vector<uint8_t>& sealed) {
    if (!key.valid() || nonce.size() != kNonceSize)
        return false;
    std::unique_ptr<EVP_CIPHER_CTX, KdfFree> ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.encryption.data(),
                                   nonce.data()) != 1)
        return false;
    int length = 0;
    if (!associated.empty() && EVP_EncryptUpdate(ctx.get(), nullptr, &length, associated.data(),
                                                 static_cast<int>(associated.size())) != 1)
        return false;
    sealed.assign(plain.size() + kTagSize, 0);
    int written = 0;
    if (!plain.empty()) {
        if (EVP_EncryptUpdate(ctx.get(), sealed.data(), &length, plain.data(),
                              static_cast<int>(plain.size())) != 1)
            return false;
        written = length;
    }
    if (EVP_EncryptFinal_ex(ctx.get(), sealed.data() + written, &length) != 1)
        return false;
    written += length;
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, sealed.data() + written) !=
        1)
        return false;
    sealed.resize(static_cast<size_t>(written) + kTagSize);
    return true;
}

bool OpenPrivate(const TokenKey& key, std::span<const uint8_t> nonce,
                 std::span<const uint8_t> associated, std::span<const uint8_t> sealed,
                 Secret& plain) {
    plain.Wipe();
    if (!key.valid() || nonce.size() != kNonceSize || sealed.size() < kTagSize)
        return false;
    std::unique_ptr<EVP_CIPHER_CTX, KdfFree> ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.encryption.data(),
                                   nonce.data()) != 1)
        return false;
    int length = 0;
    if (!associated.empty() && EVP_DecryptUpdate(ctx.get(), nullptr, &length, associated.data(),
                                                 static_cast<int>(associated.size())) != 1)
        return false;
    const size_t cipherSize = sealed.size() - kTagSize;
    Secret out(cipherSize + kTagSize);
    int written = 0;
    if (cipherSize > 0) {
        if (EVP_DecryptUpdate(ctx.get(), out.data(), &length, sealed.data(),
                              static_cast<int>(cipherSize)) != 1)
            return false;
        written = length;
    }
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize,
                            const_cast<uint8_t*>(sealed.data() + cipherSize)) != 1)
        return false;
    if (EVP_DecryptFinal_ex(ctx.get(), out.data() + written, &length) != 1)
        return false;
    written += length;
    plain = Secret(out.span().subspan(0, static_cast<size_t>(written)));
    return true;
}

std::array<uint8_t, kDigestSize> Sha256(std::span<const uint8_t> bytes) {
    std::array<uint8_t, kDigestSize> out{};
    SHA256(bytes.data(), bytes.size(), out.data());
    return out;
}

bool RandomBytes(std::span<uint8_t> out) {
    return RAND_bytes(out.data(), static_cast<int>(out.size())) == 1;
}

}  // namespace orx
