// The method tables are OpenSSL's deprecated interface; this file alone uses it.
#define OPENSSL_SUPPRESS_DEPRECATED 1

#include "cards/pkcs11/card_key.h"

#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "core/trace.h"

namespace orx {

namespace {

// The card side of a key, kept with the OpenSSL key and freed with it.
struct Binding {
    CardKeyUse use;
};

int RsaIndex() {
    static const int index = RSA_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

int EcIndex() {
    static const int index = EC_KEY_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

enum class Use { Sign, Decrypt };

const Binding* BindingOf(const EVP_PKEY* key) {
    switch (EVP_PKEY_get_base_id(key)) {
        case EVP_PKEY_RSA:
            return static_cast<const Binding*>(RSA_get_ex_data(EVP_PKEY_get0_RSA(key), RsaIndex()));
        case EVP_PKEY_EC:
            return static_cast<const Binding*>(
                EC_KEY_get_ex_data(EVP_PKEY_get0_EC_KEY(key), EcIndex()));
        default:
            return nullptr;
    }
}

// A key made ahead of its card's login takes over the card side of the key the login
// found, once; false when there is none.
bool Ready(Binding* binding) {
    if (!binding)
        return false;
    if (!binding->use.ahead)
        return true;
    // Held until the copy is taken: it keeps the found key alive.
    const std::function<EVP_PKEY*()> ahead = std::move(binding->use.ahead);
    binding->use.ahead = nullptr;
    EVP_PKEY* found = ahead();
    const Binding* real = found ? BindingOf(found) : nullptr;
    if (!real)
        return false;
    binding->use = real->use;
    return true;
}

// One card operation: init, the PIN when the key wants it each time, then the
// operation with an output of at most `size` bytes. The output's length, or -1.
long CardOperation(Binding* binding, Use use, CK_MECHANISM_TYPE type, const unsigned char* in,
                   size_t inSize, unsigned char* out, size_t size) {
    if (!Ready(binding))
        return -1;
    CK_MECHANISM mechanism{type, nullptr, 0};
    const CardSession& s = binding->use.session;
    CK_FUNCTION_LIST* f = s.functions;
    CK_RV rv = use == Use::Sign ? f->C_SignInit(s.handle, &mechanism, binding->use.key)
                                : f->C_DecryptInit(s.handle, &mechanism, binding->use.key);
    if (rv == CKR_OK && binding->use.authenticate)
        rv = binding->use.authenticate();
    CK_ULONG length = static_cast<CK_ULONG>(size);
    auto* data = const_cast<unsigned char*>(in);
    const auto dataSize = static_cast<CK_ULONG>(inSize);
    if (rv == CKR_OK)
        rv = use == Use::Sign ? f->C_Sign(s.handle, data, dataSize, out, &length)
                              : f->C_Decrypt(s.handle, data, dataSize, out, &length);
    if (rv != CKR_OK) {
        Trace("Plg - The card refused to %s (0x%lx)", use == Use::Sign ? "sign" : "decrypt", rv);
        return -1;
    }
    return static_cast<long>(length);
}

// Raw RSA answers exactly as many bytes as the modulus has; a card that leaves out
// leading zeros gets them back.
int PadToModulus(long length, unsigned char* to, RSA* rsa) {
    const int size = RSA_size(rsa);
    if (length < 0 || length > size)
        return -1;
    if (length < size) {
        std::memmove(to + (size - length), to, static_cast<size_t>(length));
        std::memset(to, 0, static_cast<size_t>(size - length));
    }
    return size;
}

// PKCS#1 v1.5 goes to the card as such; PSS and OAEP arrive padded by OpenSSL, as
// raw RSA.
int RsaOnCard(Use use, int flen, const unsigned char* from, unsigned char* to, RSA* rsa,
              int padding) {
    auto* binding = static_cast<Binding*>(RSA_get_ex_data(rsa, RsaIndex()));
    if (padding != RSA_PKCS1_PADDING && padding != RSA_NO_PADDING)
        return -1;
    const long length =
        CardOperation(binding, use, padding == RSA_PKCS1_PADDING ? CKM_RSA_PKCS : CKM_RSA_X_509,
                      from, static_cast<size_t>(flen), to, static_cast<size_t>(RSA_size(rsa)));
    if (use == Use::Sign || padding == RSA_NO_PADDING)
        return PadToModulus(length, to, rsa);
    return static_cast<int>(length);
}

int RsaSign(int flen, const unsigned char* from, unsigned char* to, RSA* rsa, int padding) {
    return RsaOnCard(Use::Sign, flen, from, to, rsa, padding);
}

int RsaDecrypt(int flen, const unsigned char* from, unsigned char* to, RSA* rsa, int padding) {
    return RsaOnCard(Use::Decrypt, flen, from, to, rsa, padding);
}

int RsaFinish(RSA* rsa) {
    const std::unique_ptr<Binding> gone(static_cast<Binding*>(RSA_get_ex_data(rsa, RsaIndex())));
    RSA_set_ex_data(rsa, RsaIndex(), nullptr);
    return 1;
}

const RSA_METHOD* RsaMethod() {
    static const RSA_METHOD* method = [] {
        RSA_METHOD* m = RSA_meth_dup(RSA_PKCS1_OpenSSL());
        RSA_meth_set1_name(m, "card");
        RSA_meth_set_priv_enc(m, RsaSign);
        RSA_meth_set_priv_dec(m, RsaDecrypt);
        RSA_meth_set_finish(m, RsaFinish);
        return m;
    }();
    return method;
}

ECDSA_SIG* EcSignSig(const unsigned char* digest, int digestSize, const BIGNUM*, const BIGNUM*,
                     EC_KEY* ec) {
    auto* binding = static_cast<Binding*>(EC_KEY_get_ex_data(ec, EcIndex()));
    const EC_GROUP* group = EC_KEY_get0_group(ec);
    const int half = group ? (EC_GROUP_order_bits(group) + 7) / 8 : 0;
    if (half <= 0)
        return nullptr;
    std::vector<unsigned char> raw(static_cast<size_t>(2 * half));
    const long length = CardOperation(binding, Use::Sign, CKM_ECDSA, digest,
                                      static_cast<size_t>(digestSize), raw.data(), raw.size());
    if (length != 2 * half)
        return nullptr;
    BIGNUM* r = BN_bin2bn(raw.data(), half, nullptr);
    BIGNUM* s = BN_bin2bn(raw.data() + half, half, nullptr);
    ECDSA_SIG* sig = ECDSA_SIG_new();
    if (!r || !s || !sig || ECDSA_SIG_set0(sig, r, s) != 1) {
        BN_free(r);
        BN_free(s);
        ECDSA_SIG_free(sig);
        return nullptr;
    }
    return sig;
}

int EcSign(int, const unsigned char* digest, int digestSize, unsigned char* out,
           unsigned int* outSize, const BIGNUM* kinv, const BIGNUM* r, EC_KEY* ec) {
    ECDSA_SIG* sig = EcSignSig(digest, digestSize, kinv, r, ec);
    if (!sig)
        return 0;
    unsigned char* p = out;
    const int n = i2d_ECDSA_SIG(sig, &p);
    ECDSA_SIG_free(sig);
    if (n <= 0)
        return 0;
    *outSize = static_cast<unsigned int>(n);
    return 1;
}

// ECDH for envelopes to an EC certificate: the card derives the shared secret,
// which is the part OpenSSL needs (it derives the key-encryption key from it).
int EcComputeKey(unsigned char** secret, size_t* secretSize, const EC_POINT* peer,
                 const EC_KEY* ec) {
    auto* binding = static_cast<Binding*>(EC_KEY_get_ex_data(ec, EcIndex()));
    const EC_GROUP* group = EC_KEY_get0_group(ec);
    if (!Ready(binding) || !group)
        return 0;
    std::vector<unsigned char> point(
        EC_POINT_point2oct(group, peer, POINT_CONVERSION_UNCOMPRESSED, nullptr, 0, nullptr));
    if (point.empty() || EC_POINT_point2oct(group, peer, POINT_CONVERSION_UNCOMPRESSED,
                                            point.data(), point.size(), nullptr) != point.size())
        return 0;
    CK_ECDH1_DERIVE_PARAMS params{CKD_NULL, 0, nullptr, static_cast<CK_ULONG>(point.size()),
                                  point.data()};
    CK_MECHANISM mechanism{CKM_ECDH1_DERIVE, &params, sizeof params};
    const CK_ULONG size = static_cast<CK_ULONG>((EC_GROUP_get_degree(group) + 7) / 8);
    CK_OBJECT_CLASS secretClass = CKO_SECRET_KEY;
    CK_KEY_TYPE secretType = CKK_GENERIC_SECRET;
    CK_BBOOL no = CK_FALSE, yes = CK_TRUE;
    CK_ULONG length = size;
    CK_ATTRIBUTE shape[] = {
        {CKA_CLASS, &secretClass, sizeof secretClass},
        {CKA_KEY_TYPE, &secretType, sizeof secretType},
        {CKA_TOKEN, &no, sizeof no},
        {CKA_SENSITIVE, &no, sizeof no},
        {CKA_EXTRACTABLE, &yes, sizeof yes},
        {CKA_VALUE_LEN, &length, sizeof length},
    };
    const CardSession& s = binding->use.session;
    CK_OBJECT_HANDLE derived = CK_INVALID_HANDLE;
    CK_RV rv = s.functions->C_DeriveKey(s.handle, &mechanism, binding->use.key, shape,
                                        sizeof shape / sizeof shape[0], &derived);
    std::vector<unsigned char> value(size);
    CK_ATTRIBUTE read{CKA_VALUE, value.data(), size};
    if (rv == CKR_OK)
        rv = s.functions->C_GetAttributeValue(s.handle, derived, &read, 1);
    if (derived != CK_INVALID_HANDLE)
        s.functions->C_DestroyObject(s.handle, derived);
    if (rv != CKR_OK || read.ulValueLen != size) {
        OPENSSL_cleanse(value.data(), value.size());
        Trace("Plg - The card refused to derive a key (0x%lx)", rv);
        return 0;
    }
    *secret = static_cast<unsigned char*>(OPENSSL_memdup(value.data(), value.size()));
    *secretSize = value.size();
    OPENSSL_cleanse(value.data(), value.size());
    return *secret ? 1 : 0;
}

void (*ec_default_finish)(EC_KEY*) = nullptr;

void EcFinish(EC_KEY* ec) {
    const std::unique_ptr<Binding> gone(static_cast<Binding*>(EC_KEY_get_ex_data(ec, EcIndex())));
    EC_KEY_set_ex_data(ec, EcIndex(), nullptr);
    if (ec_default_finish)
        ec_default_finish(ec);
}

const EC_KEY_METHOD* EcMethod() {
    static const EC_KEY_METHOD* method = [] {
        const EC_KEY_METHOD* base = EC_KEY_OpenSSL();
        EC_KEY_METHOD* m = EC_KEY_METHOD_new(base);
        int (*sign)(int, const unsigned char*, int, unsigned char*, unsigned int*, const BIGNUM*,
                    const BIGNUM*, EC_KEY*) = nullptr;
        int (*setup)(EC_KEY*, BN_CTX*, BIGNUM**, BIGNUM**) = nullptr;
        ECDSA_SIG* (*signSig)(const unsigned char*, int, const BIGNUM*, const BIGNUM*, EC_KEY*) =
            nullptr;
        EC_KEY_METHOD_get_sign(base, &sign, &setup, &signSig);
        EC_KEY_METHOD_set_sign(m, EcSign, setup, EcSignSig);
        int (*init)(EC_KEY*) = nullptr;
        void (*finish)(EC_KEY*) = nullptr;
        int (*copy)(EC_KEY*, const EC_KEY*) = nullptr;
        int (*setGroup)(EC_KEY*, const EC_GROUP*) = nullptr;
        int (*setPrivate)(EC_KEY*, const BIGNUM*) = nullptr;
        int (*setPublic)(EC_KEY*, const EC_POINT*) = nullptr;
        EC_KEY_METHOD_get_init(base, &init, &finish, &copy, &setGroup, &setPrivate, &setPublic);
        ec_default_finish = finish;
        EC_KEY_METHOD_set_init(m, init, EcFinish, copy, setGroup, setPrivate, setPublic);
        EC_KEY_METHOD_set_compute_key(m, EcComputeKey);
        return m;
    }();
    return method;
}

PkeyPtr MakeRsaKey(std::unique_ptr<Binding> binding, const EVP_PKEY* publicKey) {
    const RSA* source = EVP_PKEY_get0_RSA(publicKey);
    const BIGNUM *n = nullptr, *e = nullptr;
    if (!source)
        return nullptr;
    RSA_get0_key(source, &n, &e, nullptr);
    RSA* rsa = RSA_new();
    if (!rsa)
        return nullptr;
    RSA_set_method(rsa, RsaMethod());
    BIGNUM* nCopy = BN_dup(n);
    BIGNUM* eCopy = BN_dup(e);
    if (RSA_set0_key(rsa, nCopy, eCopy, nullptr) != 1) {
        BN_free(nCopy);
        BN_free(eCopy);
        RSA_free(rsa);
        return nullptr;
    }
    // From here on the RSA key owns the binding: its finish callback lets it go.
    RSA_set_ex_data(rsa, RsaIndex(), binding.release());
    PkeyPtr key(EVP_PKEY_new());
    if (!key || EVP_PKEY_assign_RSA(key.get(), rsa) != 1) {
        RSA_free(rsa);
        return nullptr;
    }
    return key;
}

PkeyPtr MakeEcKey(std::unique_ptr<Binding> binding, const EVP_PKEY* publicKey) {
    const EC_KEY* source = EVP_PKEY_get0_EC_KEY(publicKey);
    if (!source)
        return nullptr;
    EC_KEY* ec = EC_KEY_new();
    if (!ec)
        return nullptr;
    EC_KEY_set_method(ec, EcMethod());
    EC_KEY_set_ex_data(ec, EcIndex(), binding.release());
    if (EC_KEY_set_group(ec, EC_KEY_get0_group(source)) != 1 ||
        EC_KEY_set_public_key(ec, EC_KEY_get0_public_key(source)) != 1) {
        EC_KEY_free(ec);
        return nullptr;
    }
    PkeyPtr key(EVP_PKEY_new());
    if (!key || EVP_PKEY_assign_EC_KEY(key.get(), ec) != 1) {
        EC_KEY_free(ec);
        return nullptr;
    }
    return key;
}

}  // namespace

PkeyPtr MakeCardKey(CardKeyUse use, X509* certificate) {
    const EVP_PKEY* publicKey = certificate ? X509_get0_pubkey(certificate) : nullptr;
    if (!publicKey)
        return nullptr;
    auto binding = std::make_unique<Binding>(Binding{std::move(use)});
    if (EVP_PKEY_is_a(publicKey, "RSA"))
        return MakeRsaKey(std::move(binding), publicKey);
    if (EVP_PKEY_is_a(publicKey, "EC"))
        return MakeEcKey(std::move(binding), publicKey);
    return nullptr;
}

}  // namespace orx
