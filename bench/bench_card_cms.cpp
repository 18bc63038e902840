// libs: orxcore OpenSSL::Crypto
// A CMS signature of 1 MiB with an RSA-2048 key on a card (a SoftHSM2 token standing
// in for one) through the real orx.so, against OpenSSL's CMS_sign with the same key
// read once from a PEM file, in one process and one run. The card is logged in once
// before the timing, so neither the module's start nor the PIN's key derivation (the
// per-process costs that bench/bench_card_sign.sh pays every time) is in the figure:
// what is left is the signature itself. The card's side goes through the properties
// as orxxctl's file sign does, Base64 both ways included; the baseline's ends in DER
// in memory. The card's signature must verify with OpenSSL before anything is timed.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base64.h"
#include "token/plugin_abi.h"

namespace {

constexpr size_t kDataSize = 1 << 20;
constexpr const char* kPin = "123456";
constexpr const char* kTokenLabel = "Bench";

template <auto Free>
struct Deleter {
    template <typename T>
    void operator()(T* p) const {
        Free(p);
    }
};
using Bio = std::unique_ptr<BIO, Deleter<BIO_free_all>>;
using Cms = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509_free>>;
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using Store = std::unique_ptr<X509_STORE, Deleter<X509_STORE_free>>;

struct Plugin {
    PlgFinalizeFn finalize = nullptr;
    PlgSetPropertyFn set = nullptr;
    PlgGetPropertyFn get = nullptr;
    PlgEnumPropertyFn enumerate = nullptr;
    PlgInvokeFn invoke = nullptr;
    PluginContext context = nullptr;
};

struct Setup {
    std::string folder;
    std::vector<uint8_t> data;
    std::string certificateBase64;  // DER, as orxxctl hands a ".der" signer over
    Certificate certificate;
    Key key;
    Plugin plugin;
};

Setup* gSetup = nullptr;

bool Fail(const std::string& what) {
    std::fprintf(stderr, "bench_card_cms: %s\n", what.c_str());
    return false;
}

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0 || Fail(command + " failed");
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// A throw-away home for everything the module, SoftHSM2 and the pinentry touch.
bool MakeHome(Setup& s) {
    char pattern[] = "/tmp/bench-card-cms-XXXXXX";
    if (!mkdtemp(pattern))
        return Fail("cannot make a temporary folder");
    s.folder = pattern;
    const std::string& f = s.folder;
    const std::pair<const char*, std::string> variables[] = {
        {"HOME", f + "/home"},
        {"XDG_CONFIG_HOME", f + "/config"},
        {"XDG_DATA_HOME", f + "/data"},
        {"XDG_CACHE_HOME", f + "/cache"},
        {"XDG_RUNTIME_DIR", f + "/run"},
        {"configorx", f + "/user.cfg"},
        {"ORX_INSTALL_LOCATION", f + "/install/"},
        {"SOFTHSM2_CONF", f + "/softhsm2.conf"},
        {"ORX_PINENTRY", ORX_FAKE_PINENTRY},
        {"FAKE_PINENTRY_SCRIPT", f + "/pin.script"},
        {"FAKE_PINENTRY_LOG", "/dev/null"},
    };
    for (const auto& [name, value] : variables)
        setenv(name, value.c_str(), 1);
    std::error_code error;
    for (const char* folder :
         {"/home", "/config", "/data", "/cache", "/run", "/install", "/tokens"})
        std::filesystem::create_directories(f + folder, error);
    chmod((f + "/run").c_str(), 0700);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    std::ofstream(f + "/softhsm2.conf")
        << "directories.tokendir = " << f << "/tokens/\nobjectstore.backend = file\n";
    // The card's module alone, and no propagation to "MY": the signature is measured.
    std::ofstream(f + "/user.cfg")
        << "[PKCS11]\nSystem=0\nModules=" ORX_SOFTHSM2_MODULE "\n[CSP]\nEnable=0\n";
    return !error || Fail("cannot make the folders of " + f);
}

// The key and its self-signed certificate made by openssl, put on a fresh token
// under one id by pkcs11-tool, as an issuer puts them on a card.
bool MakeCard(Setup& s) {
    const std::string f = s.folder + "/";
    if (!Run("openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=Bench -addext "
             "basicConstraints=critical,CA:FALSE -keyout " +
             Quoted(f + "key.pem") + " -out " + Quoted(f + "cert.pem")) ||
        !Run("openssl x509 -in " + Quoted(f + "cert.pem") + " -outform DER -out " +
             Quoted(f + "cert.der")) ||
        !Run("openssl pkcs8 -topk8 -nocrypt -in " + Quoted(f + "key.pem") + " -outform DER -out " +
             Quoted(f + "key.der")) ||
        !Run(std::string("softhsm2-util --init-token --free --label ") + kTokenLabel + " --pin " +
             kPin + " --so-pin 87654321"))
        return false;
    for (const auto& [file, type] :
         {std::pair{"key.der", "privkey"}, std::pair{"cert.der", "cert"}}) {
        if (!Run(std::string("pkcs11-tool --module " ORX_SOFTHSM2_MODULE " --login --pin ") + kPin +
                 " --id 01 --label " + kTokenLabel + " --write-object " + Quoted(f + file) +
                 " --type " + type))
            return false;
    }
    // The baseline's key and certificate, read once as a program with a key file does.
    Bio keyFile(BIO_new_file((f + "key.pem").c_str(), "r"));
    Bio certificateFile(BIO_new_file((f + "cert.pem").c_str(), "r"));
    if (keyFile)
        s.key.reset(PEM_read_bio_PrivateKey(keyFile.get(), nullptr, nullptr, nullptr));
    if (certificateFile)
        s.certificate.reset(PEM_read_bio_X509(certificateFile.get(), nullptr, nullptr, nullptr));
    std::ifstream der(f + "cert.der", std::ios::binary);
    const std::string certificateDer{std::istreambuf_iterator<char>(der), {}};
    s.certificateBase64 = orx::Base64Encode(std::string_view(certificateDer));
    s.data.resize(kDataSize);
    if (!s.key || !s.certificate || certificateDer.empty())
        return Fail("cannot read the key and certificate openssl made");
    return RAND_bytes(s.data.data(), static_cast<int>(s.data.size())) == 1 ||
           Fail("no random data");
}

template <typename Fn>
bool Resolve(void* handle, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
    return fn != nullptr || Fail(std::string("orx.so has no ") + name);
}

// The id of the card slot of the token, from the lists the program shows: a card
// ("SlotCard": id;reader;label) that is a slot with that label ("Slot": id;label).
std::optional<std::string> CardSlot(const Plugin& p) {
    std::optional<std::string> card;
    for (int i = 0;; ++i) {
        const char* entry = p.enumerate(p.context, "SlotCard", std::to_string(i).c_str());
        if (!entry)
            break;
        const std::string_view text(entry);
        if (text.ends_with(std::string(";") + kTokenLabel))
            card = std::string(text.substr(0, text.find(';')));
    }
    if (!card)
        return std::nullopt;
    for (int i = 0;; ++i) {
        const char* entry = p.enumerate(p.context, "Slot", std::to_string(i).c_str());
        if (!entry)
            return std::nullopt;
        if (std::string_view(entry) == *card + ";" + kTokenLabel)
            return card;
    }
}

// orx.so beside this program, one context, the card's slot logged in with the PIN
// through the scripted pinentry. The script is then left empty: a signature that
// asked for the PIN again would be cancelled, not timed with a pinentry in it.
bool LoadAndLogIn(Setup& s) {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string path = self.parent_path() / "orx.so";
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return Fail("cannot load " + path + ": " + dlerror());
    Plugin& p = s.plugin;
    PlgInitializeFn initialize = nullptr;
    if (!Resolve(handle, "PlgInitialize", initialize) ||
        !Resolve(handle, "PlgFinalize", p.finalize) || !Resolve(handle, "PlgSetProperty", p.set) ||
        !Resolve(handle, "PlgGetProperty", p.get) ||
        !Resolve(handle, "PlgEnumProperty", p.enumerate) || !Resolve(handle, "PlgInvoke", p.invoke))
        return false;
    if (!initialize(0, 0, 0, 0, &p.context) || !p.context)
        return Fail("PlgInitialize failed");
    const std::optional<std::string> slot = CardSlot(p);
    if (!slot)
        return Fail("the SoftHSM2 token is no card slot of the module");
    const std::string script = s.folder + "/pin.script";
    std::ofstream(script) << "pin " << kPin << "\n";
    p.set(p.context, "ActiveSlot", slot->c_str());
    const int login = p.invoke(p.context, "Login");
    std::ofstream(script, std::ios::trunc).flush();
    if (login != 0)
        return Fail("Login answered " + std::to_string(login));
    const char* loggedIn = p.get(p.context, "LoggedIn");
    return (loggedIn && std::strcmp(loggedIn, "true") == 0) || Fail("the card is not logged in");
}

// The card's signature, as orxxctl's file sign makes it: the data as Base64, the
// signer's certificate, "Sign", and "Signature" decoded to DER. Empty on failure.
std::vector<uint8_t> CardSign(const Setup& s, int& result) {
    const Plugin& p = s.plugin;
    const std::string data = orx::Base64Encode(std::span<const uint8_t>(s.data));
    p.set(p.context, "UrlEncode", "false");
    p.set(p.context, "Data", data.c_str());
    p.set(p.context, "Base64", "true");
    p.set(p.context, "MIME", "false");
    p.set(p.context, "Detached", "false");
    p.set(p.context, "FileName", "data.bin");
    p.set(p.context, "Certificate", s.certificateBase64.c_str());
    result = p.invoke(p.context, "Sign");
    const char* signature = result == 0 ? p.get(p.context, "Signature") : nullptr;
    return signature ? orx::Base64Decode(signature) : std::vector<uint8_t>{};
}

// What `openssl cms -sign -nodetach -binary -outform DER` does with a key file.
std::vector<uint8_t> OpenSslSign(const Setup& s) {
    Bio in(BIO_new_mem_buf(s.data.data(), static_cast<int>(s.data.size())));
    Cms cms(in ? CMS_sign(s.certificate.get(), s.key.get(), nullptr, in.get(), CMS_BINARY)
               : nullptr);
    Bio out(BIO_new(BIO_s_mem()));
    if (!cms || !out || i2d_CMS_bio(out.get(), cms.get()) != 1)
        return {};
    char* bytes = nullptr;
    const long size = BIO_get_mem_data(out.get(), &bytes);
    return {bytes, bytes + size};
}

// The signature holds for the data with the certificate as the only trust anchor.
bool Verifies(const Setup& s, const std::vector<uint8_t>& der, const char* whose) {
    const unsigned char* at = der.data();
    Cms cms(d2i_CMS_ContentInfo(nullptr, &at, static_cast<long>(der.size())));
    Store store(X509_STORE_new());
    Bio content(BIO_new(BIO_s_mem()));
    if (!cms || !store || !content || X509_STORE_add_cert(store.get(), s.certificate.get()) != 1 ||
        X509_STORE_set_purpose(store.get(), X509_PURPOSE_ANY) != 1)
        return Fail(std::string(whose) + "'s signature is no CMS message");
    if (CMS_verify(cms.get(), nullptr, store.get(), nullptr, content.get(), CMS_BINARY) != 1)
        return Fail(std::string(whose) + "'s signature does not verify");
    char* bytes = nullptr;
    const long size = BIO_get_mem_data(content.get(), &bytes);
    return (static_cast<size_t>(size) == s.data.size() &&
            std::memcmp(bytes, s.data.data(), s.data.size()) == 0) ||
           Fail(std::string(whose) + "'s signature carries other content");
}

bool CheckSignatures(const Setup& s) {
    int result = 0;
    const std::vector<uint8_t> card = CardSign(s, result);
    if (card.empty())
        return Fail("Sign on the card answered " + std::to_string(result));
    return Verifies(s, card, "the card") && Verifies(s, OpenSslSign(s), "OpenSSL");
}

void BM_CardSign(benchmark::State& state) {
    size_t bytes = 0;
    for (auto _ : state) {
        int result = 0;
        const std::vector<uint8_t> der = CardSign(*gSetup, result);
        if (der.empty()) {
            state.SkipWithError(("Sign answered " + std::to_string(result)).c_str());
            break;
        }
        bytes = der.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kDataSize));
    state.counters["der_bytes"] = static_cast<double>(bytes);
}
// Both are measured in rounds, shuffled among each other (main asks for that), so
// that a busy moment of the machine does not fall on one side only; their medians
// make the ratio.
constexpr int kRounds = 9;
BENCHMARK(BM_CardSign)->Unit(benchmark::kMillisecond)->MinTime(0.3)->Repetitions(kRounds);

void BM_OpenSslKeyFile(benchmark::State& state) {
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<uint8_t> der = OpenSslSign(*gSetup);
        if (der.empty()) {
            state.SkipWithError("CMS_sign failed");
            break;
        }
        bytes = der.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kDataSize));
    state.counters["der_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_OpenSslKeyFile)->Unit(benchmark::kMillisecond)->MinTime(0.3)->Repetitions(kRounds);

// The console's table, and the median real time of each benchmark kept for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    // Colours for a terminal only, as the default reporter does.
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Aggregate &&
                run.aggregate_name == "median")
                times_[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::optional<double> Time(const std::string& name) const {
        const auto found = times_.find(name);
        return found == times_.end() ? std::nullopt : std::optional<double>(found->second);
    }

  private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    // The rounds interleaved unless the command line says otherwise.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    argc = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    argv = arguments.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Setup setup;
    const bool ready =
        MakeHome(setup) && MakeCard(setup) && LoadAndLogIn(setup) && CheckSignatures(setup);
    int status = 1;
    if (ready) {
        gSetup = &setup;
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        const std::optional<double> card = reporter.Time("BM_CardSign");
        const std::optional<double> file = reporter.Time("BM_OpenSslKeyFile");
        if (card && file) {
            std::printf(
                "1 MiB signature in one process: card (SoftHSM2 through orx.so, logged in) "
                "%.2f ms, OpenSSL CMS_sign with the key file %.2f ms, ratio %.2f "
                "(target <= 1.5)\n",
                *card, *file, *card / *file);
        }
        status = 0;
    }
    if (setup.plugin.context)
        setup.plugin.finalize(setup.plugin.context);
    if (!setup.folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(setup.folder, ignored);
    }
    benchmark::Shutdown();
    return status;
}
