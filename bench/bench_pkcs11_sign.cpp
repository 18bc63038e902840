// libs: orxmodule orxbenchtokens
// RSA-2048 signatures (SHA-256, PKCS#1 v1.5) per second through orx-pkcs11.so,
// against OpenSSL signing with the same key read from a PEM file: the baseline is
// what a program gets without a token. Both in one run; the ratio of their
// items_per_second is the module's cost. The module is the one beside this program.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <p11-kit/pkcs11.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cms/cms_library.h"
#include "softtoken/soft_tokens.h"
#include "support/bench_tokens.h"
#include "tokenfile/slot_registry.h"
#include "tokenfile/token_objects.h"

namespace {

struct Setup {
    std::string folder;
    EVP_PKEY* key = nullptr;
    std::string keyFile;
    CK_FUNCTION_LIST* p11 = nullptr;
    CK_SESSION_HANDLE session = CK_INVALID_HANDLE;
    CK_OBJECT_HANDLE privateKey = CK_INVALID_HANDLE;
};

// A private folder as the module's user data, a soft token with the key on it, the
// same key as a PEM file, the module loaded and logged in.
Setup& Shared() {
    static Setup setup = [] {
        Setup s;
        char pattern[] = "/tmp/orx-bench-p11-XXXXXX";
        s.folder = mkdtemp(pattern);
        setenv("XDG_DATA_HOME", (s.folder + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (s.folder + "/config").c_str(), 1);
        setenv("HOME", s.folder.c_str(), 1);
        setenv("configorx", (s.folder + "/user.cfg").c_str(), 1);
        setenv("ORX_INSTALL_LOCATION", (s.folder + "/install/").c_str(), 1);
        setenv("ORX_TOKEN_KDF_LOG2N", "2", 1);
        s.key = EVP_RSA_gen(2048);
        s.keyFile = s.folder + "/key.pem";
        FILE* out = std::fopen(s.keyFile.c_str(), "w");
        PEM_write_PrivateKey(out, s.key, nullptr, nullptr, 0, nullptr, nullptr);
        std::fclose(out);

        orx::TokenStore store(s.folder + "/data/orx/tokens/");
        orx::SlotRegistry registry(store);
        orx::TokenFile file;
        orx::TokenKey tokenKey;
        orx::NewTokenFile("Bench", "bench-pin", orx::DefaultKdfParams(), file, tokenKey);
        std::vector<orx::TokenObject> privateObjects;
        orx::PutCertificate(file.publicObjects, privateObjects,
                            orx::bench::MakeCertificate(s.key, 1), "Bench",
                            orx::PrivateKeyToPkcs8(s.key).span());
        std::vector<uint8_t> bytes;
        orx::SerializeTokenFile(file, tokenKey, privateObjects, bytes);
        int slot = -1;
        store.Locked([&] {
            std::string stem;
            const int made = store.CreateLocked("Bench", bytes, stem);
            slot = registry.AssignLocked(stem);
            return made;
        });

        const std::string module =
            std::filesystem::read_symlink("/proc/self/exe").parent_path() / "orx-pkcs11.so";
        void* handle = dlopen(module.c_str(), RTLD_NOW);
        auto get = handle
                       ? reinterpret_cast<CK_C_GetFunctionList>(dlsym(handle, "C_GetFunctionList"))
                       : nullptr;
        if (!get || get(&s.p11) != CKR_OK)
            return s;
        s.p11->C_Initialize(nullptr);
        s.p11->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &s.session);
        std::string pin = "bench-pin";
        s.p11->C_Login(s.session, CKU_USER, reinterpret_cast<CK_UTF8CHAR_PTR>(pin.data()),
                       pin.size());
        CK_OBJECT_CLASS keyClass = CKO_PRIVATE_KEY;
        CK_ATTRIBUTE wanted{CKA_CLASS, &keyClass, sizeof keyClass};
        CK_ULONG found = 0;
        s.p11->C_FindObjectsInit(s.session, &wanted, 1);
        s.p11->C_FindObjects(s.session, &s.privateKey, 1, &found);
        s.p11->C_FindObjectsFinal(s.session);
        return s;
    }();
    return setup;
}

const std::vector<uint8_t> kData(64, 0x42);

void BM_OpenSslKeyFile(benchmark::State& state) {
    Setup& s = Shared();
    // The key is read once, as a program that keeps its key in a file does.
    FILE* in = std::fopen(s.keyFile.c_str(), "r");
    EVP_PKEY* key = PEM_read_PrivateKey(in, nullptr, nullptr, nullptr);
    std::fclose(in);
    std::vector<uint8_t> signature(256);
    for (auto _ : state) {
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        size_t size = signature.size();
        EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key);
        EVP_DigestSign(context, signature.data(), &size, kData.data(), kData.size());
        EVP_MD_CTX_free(context);
        benchmark::DoNotOptimize(signature.data());
    }
    EVP_PKEY_free(key);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OpenSslKeyFile)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_Pkcs11Module(benchmark::State& state) {
    Setup& s = Shared();
    if (!s.p11 || s.privateKey == CK_INVALID_HANDLE) {
        state.SkipWithError("orx-pkcs11.so could not be loaded or logged in");
        return;
    }
    CK_MECHANISM mechanism{CKM_SHA256_RSA_PKCS, nullptr, 0};
    std::vector<uint8_t> signature(256);
    std::vector<uint8_t> data = kData;
    for (auto _ : state) {
        CK_ULONG size = signature.size();
        if (s.p11->C_SignInit(s.session, &mechanism, s.privateKey) != CKR_OK ||
            s.p11->C_Sign(s.session, data.data(), data.size(), signature.data(), &size) != CKR_OK) {
            state.SkipWithError("C_Sign failed");
            break;
        }
        benchmark::DoNotOptimize(signature.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Pkcs11Module)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Setup& s = Shared();
    if (s.p11)
        s.p11->C_Finalize(nullptr);
    EVP_PKEY_free(s.key);
    std::filesystem::remove_all(s.folder);
    benchmark::Shutdown();
    return 0;
}
