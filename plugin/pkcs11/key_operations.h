// Signing and decryption with a token's private key, one operation of a session
// each: the mechanism and its parameters checked against the key when it starts,
// data collected or hashed as it comes, the result made with OpenSSL's EVP_PKEY.
#pragma once

#include <openssl/evp.h>
#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "keys/secret.h"
#include "pkcs11/mechanisms.h"

namespace orx::p11 {

// A parsed private key, shared by the operations that use it; it lives while one
// of them or the login that unsealed it does.
using KeyPtr = std::shared_ptr<EVP_PKEY>;
KeyPtr ShareKey(EVP_PKEY* key);

struct MdFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

class SignOperation {
  public:
    // CKR_OK, CKR_MECHANISM_INVALID, CKR_MECHANISM_PARAM_INVALID or
    // CKR_KEY_TYPE_INCONSISTENT.
    static CK_RV Begin(const CK_MECHANISM& mechanism, KeyPtr key, CK_KEY_TYPE keyType,
                       std::optional<SignOperation>& out);

    // The signature's size, known before anything is signed.
    size_t SignatureSize() const { return size_; }
    // Hashed in the token: into the digest; otherwise collected for the signature.
    CK_RV Update(std::span<const uint8_t> part);
    // The signature of everything given: CKR_OK, CKR_DATA_LEN_RANGE, CKR_FUNCTION_FAILED.
    CK_RV Finish(std::vector<uint8_t>& signature);

  private:
    SignOperation() = default;
    CK_RV SignInput(std::span<const uint8_t> input, std::vector<uint8_t>& signature) const;

    const Mechanism* mechanism_ = nullptr;
    KeyPtr key_;
    size_t size_ = 0;
    size_t modulusBytes_ = 0;
    const EVP_MD* signatureMd_ = nullptr;  // the hash that the signature names
    const EVP_MD* mgfMd_ = nullptr;
    int saltLength_ = 0;
    std::unique_ptr<EVP_MD_CTX, MdFree> digest_;
    Secret collected_;
};

class DecryptOperation {
  public:
    // CKR_OK, CKR_MECHANISM_INVALID, CKR_MECHANISM_PARAM_INVALID or
    // CKR_KEY_TYPE_INCONSISTENT.
    static CK_RV Begin(const CK_MECHANISM& mechanism, KeyPtr key, CK_KEY_TYPE keyType,
                       std::optional<DecryptOperation>& out);

    // The plain text of one encrypted block: CKR_OK, CKR_ENCRYPTED_DATA_LEN_RANGE,
    // CKR_ENCRYPTED_DATA_INVALID. The same block again gives the kept result, so a
    // caller that asks for the size first pays one decryption.
    CK_RV Decrypt(std::span<const uint8_t> encrypted, const Secret*& plain);

  private:
    DecryptOperation() = default;

    const Mechanism* mechanism_ = nullptr;
    KeyPtr key_;
    size_t modulusBytes_ = 0;
    const EVP_MD* oaepMd_ = nullptr;
    const EVP_MD* mgfMd_ = nullptr;
    std::vector<uint8_t> label_;
    std::vector<uint8_t> lastInput_;
    Secret lastPlain_;
    bool hasResult_ = false;
};

}  // namespace orx::p11
