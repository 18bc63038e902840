#include "bench_tokens.h"

#include <openssl/x509.h>

#include <fstream>

#include "tokenfile/token_file.h"
#include "tokenfile/token_objects.h"

namespace orx::bench {

std::vector<uint8_t> MakeCertificate(EVP_PKEY* key, int serial) {
    X509* x = X509_new();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), serial);
    const std::string cn = "Bench User " + std::to_string(serial);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1, 0);
    X509_NAME_add_entry_by_txt(X509_get_issuer_name(x), "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("Bench CA"), -1, -1, 0);
    X509_gmtime_adj(X509_getm_notBefore(x), 0);
    X509_gmtime_adj(X509_getm_notAfter(x), 86400L * 365);
    X509_set_pubkey(x, key);
    X509_sign(x, key, EVP_sha256());
    std::vector<uint8_t> der(static_cast<size_t>(i2d_X509(x, nullptr)));
    unsigned char* at = der.data();
    i2d_X509(x, &at);
    X509_free(x);
    return der;
}

bool WriteTokenFile(const std::string& folder, const std::string& label, int count) {
    KdfParams cheap;
    cheap.log2N = 2;
    TokenFile file;
    TokenKey key;
    NewTokenFile(label, kBenchPassword, cheap, file, key);
    EVP_PKEY* signer = EVP_EC_gen("P-256");
    if (signer == nullptr)
        return false;
    std::vector<TokenObject> privateObjects;
    for (int i = 1; i <= count; ++i)
        PutCertificate(file.publicObjects, privateObjects, MakeCertificate(signer, i), "c", {});
    EVP_PKEY_free(signer);
    std::vector<uint8_t> bytes;
    SerializeTokenFile(file, key, privateObjects, bytes);
    std::ofstream out(folder + label + ".tkn", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace orx::bench
