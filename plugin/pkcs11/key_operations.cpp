#include "pkcs11/key_operations.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/rsa.h>

#include <algorithm>

namespace orx::p11 {

namespace {

struct PkeyContextFree {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using PkeyContext = std::unique_ptr<EVP_PKEY_CTX, PkeyContextFree>;

// PKCS#1 v1.5 padding needs eleven bytes of the block.
constexpr size_t kPkcs1Overhead = 11;
// A raw ECDSA input is a hash; nothing longer than the longest one is one.
constexpr size_t kMaxEcdsaInput = 64;

template <typename Params>
const Params* ParamsOf(const CK_MECHANISM& mechanism) {
    if (!mechanism.pParameter || mechanism.ulParameterLen != sizeof(Params))
        return nullptr;
    return static_cast<const Params*>(mechanism.pParameter);
}

const EVP_MD* Md(const char* name) {
    return name ? EVP_get_digestbyname(name) : nullptr;
}

size_t ModulusBytes(EVP_PKEY* key) {
    return static_cast<size_t>(EVP_PKEY_get_size(key));
}

// The mechanism fits the key and wants no parameters unless it has some.
CK_RV CheckMechanism(const CK_MECHANISM& mechanism, CK_KEY_TYPE keyType, CK_FLAGS function,
                     const Mechanism*& found) {
    found = FindMechanism(mechanism.mechanism);
    if (!found || !(found->flags & function))
        return CKR_MECHANISM_INVALID;
    if (found->keyType != keyType)
        return CKR_KEY_TYPE_INCONSISTENT;
    const bool takesParameters = found->scheme == Scheme::Pss || found->scheme == Scheme::Oaep;
    if (!takesParameters && (mechanism.pParameter || mechanism.ulParameterLen))
        return CKR_MECHANISM_PARAM_INVALID;
    return CKR_OK;
}

// ECDSA in PKCS#11 is r and s, each as long as the group order, one after the other.
bool EcdsaDerToRaw(std::span<const uint8_t> der, size_t half, std::vector<uint8_t>& out) {
    const unsigned char* at = der.data();
    ECDSA_SIG* parsed = d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(der.size()));
    if (!parsed)
        return false;
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(parsed, &r, &s);
    out.assign(half * 2, 0);
    const bool ok = BN_bn2binpad(r, out.data(), static_cast<int>(half)) >= 0 &&
                    BN_bn2binpad(s, out.data() + half, static_cast<int>(half)) >= 0;
    ECDSA_SIG_free(parsed);
    return ok;
}

}  // namespace

KeyPtr ShareKey(EVP_PKEY* key) {
    return KeyPtr(key, [](EVP_PKEY* owned) { EVP_PKEY_free(owned); });
}

CK_RV SignOperation::Begin(const CK_MECHANISM& mechanism, KeyPtr key, CK_KEY_TYPE keyType,
                           std::optional<SignOperation>& out) {
    const Mechanism* found = nullptr;
    if (const CK_RV checked = CheckMechanism(mechanism, keyType, CKF_SIGN, found);
        checked != CKR_OK)
        return checked;
    SignOperation operation;
    operation.mechanism_ = found;
    operation.modulusBytes_ = ModulusBytes(key.get());
    operation.signatureMd_ = Md(found->digest);
    if (found->scheme == Scheme::Pss) {
        const auto* params = ParamsOf<CK_RSA_PKCS_PSS_PARAMS>(mechanism);
        if (!params)
            return CKR_MECHANISM_PARAM_INVALID;
        const EVP_MD* named = Md(HashName(params->hashAlg));
        operation.mgfMd_ = Md(MgfHashName(params->mgf));
        // A mechanism that hashes names its hash; the parameters must say the same.
        if (!named || !operation.mgfMd_ ||
            (operation.signatureMd_ &&
             EVP_MD_get_type(named) != EVP_MD_get_type(operation.signatureMd_)))
            return CKR_MECHANISM_PARAM_INVALID;
        operation.signatureMd_ = named;
        const size_t hashBytes = static_cast<size_t>(EVP_MD_get_size(named));
        if (params->sLen + hashBytes + 2 > operation.modulusBytes_)
            return CKR_MECHANISM_PARAM_INVALID;
        operation.saltLength_ = static_cast<int>(params->sLen);
    }
    if (found->digest) {
        operation.digest_.reset(EVP_MD_CTX_new());
        if (!operation.digest_ ||
            EVP_DigestInit_ex(operation.digest_.get(), Md(found->digest), nullptr) != 1) {
            ERR_clear_error();
            return CKR_FUNCTION_FAILED;
        }
    }
    if (found->scheme == Scheme::Ecdsa) {
        const size_t half = (static_cast<size_t>(EVP_PKEY_get_bits(key.get())) + 7) / 8;
        operation.size_ = half * 2;
    } else {
        operation.size_ = operation.modulusBytes_;
    }
    operation.key_ = std::move(key);
    out = std::move(operation);
    return CKR_OK;
}

CK_RV SignOperation::Update(std::span<const uint8_t> part) {
    if (digest_) {
        if (!part.empty() && EVP_DigestUpdate(digest_.get(), part.data(), part.size()) != 1) {
            ERR_clear_error();
            return CKR_FUNCTION_FAILED;
        }
        return CKR_OK;
    }
    // No raw input is longer than a key's block; more is refused at the end.
    if (collected_.size() + part.size() > modulusBytes_ + 1)
        return CKR_DATA_LEN_RANGE;
    collected_.Append(part);
    return CKR_OK;
}

CK_RV SignOperation::Finish(std::vector<uint8_t>& signature) {
    if (!digest_)
        return SignInput(collected_.span(), signature);
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int hashLength = 0;
    if (EVP_DigestFinal_ex(digest_.get(), hash, &hashLength) != 1) {
        ERR_clear_error();
        return CKR_FUNCTION_FAILED;
    }
    return SignInput({hash, hashLength}, signature);
}

CK_RV SignOperation::SignInput(std::span<const uint8_t> input,
                               std::vector<uint8_t>& signature) const {
    switch (mechanism_->scheme) {
        case Scheme::Pkcs1:
            if (input.size() + kPkcs1Overhead > modulusBytes_)
                return CKR_DATA_LEN_RANGE;
            break;
        case Scheme::Pss:
            if (input.size() != static_cast<size_t>(EVP_MD_get_size(signatureMd_)))
                return CKR_DATA_LEN_RANGE;
            break;
        case Scheme::Ecdsa:
            if (input.empty() || input.size() > kMaxEcdsaInput)
                return CKR_DATA_LEN_RANGE;
            break;
        case Scheme::Oaep:
            return CKR_FUNCTION_FAILED;
    }
    PkeyContext context(EVP_PKEY_CTX_new_from_pkey(nullptr, key_.get(), nullptr));
    bool ok = context && EVP_PKEY_sign_init(context.get()) == 1;
    if (ok && mechanism_->scheme == Scheme::Pkcs1) {
        ok = EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1 &&
             (!signatureMd_ || EVP_PKEY_CTX_set_signature_md(context.get(), signatureMd_) == 1);
    } else if (ok && mechanism_->scheme == Scheme::Pss) {
        ok = EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PSS_PADDING) == 1 &&
             EVP_PKEY_CTX_set_signature_md(context.get(), signatureMd_) == 1 &&
             EVP_PKEY_CTX_set_rsa_mgf1_md(context.get(), mgfMd_) == 1 &&
             EVP_PKEY_CTX_set_rsa_pss_saltlen(context.get(), saltLength_) == 1;
    }
    size_t length = 0;
    ok = ok && EVP_PKEY_sign(context.get(), nullptr, &length, input.data(), input.size()) == 1;
    std::vector<uint8_t> made(length);
    ok = ok && EVP_PKEY_sign(context.get(), made.data(), &length, input.data(), input.size()) == 1;
    if (!ok) {
        ERR_clear_error();
        return CKR_FUNCTION_FAILED;
    }
    made.resize(length);
    if (mechanism_->scheme == Scheme::Ecdsa) {
        if (!EcdsaDerToRaw(made, size_ / 2, signature))
            return CKR_FUNCTION_FAILED;
        return CKR_OK;
    }
    signature = std::move(made);
    return CKR_OK;
}

CK_RV DecryptOperation::Begin(const CK_MECHANISM& mechanism, KeyPtr key, CK_KEY_TYPE keyType,
                              std::optional<DecryptOperation>& out) {
    const Mechanism* found = nullptr;
    if (const CK_RV checked = CheckMechanism(mechanism, keyType, CKF_DECRYPT, found);
        checked != CKR_OK)
        return checked;
    DecryptOperation operation;
    operation.mechanism_ = found;
    operation.modulusBytes_ = ModulusBytes(key.get());
    if (found->scheme == Scheme::Oaep) {
        const auto* params = ParamsOf<CK_RSA_PKCS_OAEP_PARAMS>(mechanism);
        if (!params)
            return CKR_MECHANISM_PARAM_INVALID;
        operation.oaepMd_ = Md(HashName(params->hashAlg));
        operation.mgfMd_ = Md(MgfHashName(params->mgf));
        const bool labelOk = params->source == CKZ_DATA_SPECIFIED ||
                             (params->source == 0 && params->ulSourceDataLen == 0);
        if (!operation.oaepMd_ || !operation.mgfMd_ || !labelOk ||
            (!params->pSourceData && params->ulSourceDataLen > 0))
            return CKR_MECHANISM_PARAM_INVALID;
        if (params->ulSourceDataLen > 0) {
            const auto* label = static_cast<const uint8_t*>(params->pSourceData);
            operation.label_.assign(label, label + params->ulSourceDataLen);
        }
    }
    operation.key_ = std::move(key);
    out = std::move(operation);
    return CKR_OK;
}

CK_RV DecryptOperation::Decrypt(std::span<const uint8_t> encrypted, const Secret*& plain) {
    if (hasResult_ &&
        std::equal(encrypted.begin(), encrypted.end(), lastInput_.begin(), lastInput_.end())) {
        plain = &lastPlain_;
        return CKR_OK;
    }
    if (encrypted.size() != modulusBytes_)
        return CKR_ENCRYPTED_DATA_LEN_RANGE;
    PkeyContext context(EVP_PKEY_CTX_new_from_pkey(nullptr, key_.get(), nullptr));
    bool ok = context && EVP_PKEY_decrypt_init(context.get()) == 1;
    if (ok && mechanism_->scheme == Scheme::Oaep) {
        ok = EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_OAEP_PADDING) == 1 &&
             EVP_PKEY_CTX_set_rsa_oaep_md(context.get(), oaepMd_) == 1 &&
             EVP_PKEY_CTX_set_rsa_mgf1_md(context.get(), mgfMd_) == 1;
        if (ok && !label_.empty()) {
            // OpenSSL takes the label over and frees it.
            auto* copy = static_cast<unsigned char*>(OPENSSL_memdup(label_.data(), label_.size()));
            ok = copy && EVP_PKEY_CTX_set0_rsa_oaep_label(context.get(), copy,
                                                          static_cast<int>(label_.size())) == 1;
            if (!ok)
                OPENSSL_free(copy);
        }
    } else if (ok) {
        ok = EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1;
    }
    if (!ok) {
        ERR_clear_error();
        return CKR_FUNCTION_FAILED;
    }
    Secret result(modulusBytes_);
    size_t length = result.size();
    if (EVP_PKEY_decrypt(context.get(), result.data(), &length, encrypted.data(),
                         encrypted.size()) != 1) {
        ERR_clear_error();
        return CKR_ENCRYPTED_DATA_INVALID;
    }
    lastPlain_ = Secret(std::span<const uint8_t>(result.data(), length));
    lastInput_.assign(encrypted.begin(), encrypted.end());
    hasResult_ = true;
    plain = &lastPlain_;
    return CKR_OK;
}

}  // namespace orx::p11
