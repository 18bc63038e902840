// libs: orxbenchtokens
// The token view's certificate list over a token with 1,000 certificates: every
// "CertificateEx" entry through the module's C interface, as the view reads them
// (index 0 makes the list, the others are handed out from it). The module is the
// real orx.so beside this program, in a throw-away home.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/bench_tokens.h"
#include "token/plugin_abi.h"

namespace {

constexpr int kCertificates = 1000;

struct Module {
    void* handle = nullptr;
    PlgInitializeFn initialize = nullptr;
    PlgFinalizeFn finalize = nullptr;
    PlgEnumPropertyFn enumerate = nullptr;
    PluginContext context = nullptr;
    std::string home;
};

// A home with one token of 1,000 certificates, and the module loaded over it.
Module& Loaded() {
    static Module module = [] {
        Module m;
        char pattern[] = "/tmp/bench-certs-XXXXXX";
        m.home = mkdtemp(pattern);
        setenv("HOME", m.home.c_str(), 1);
        setenv("XDG_DATA_HOME", (m.home + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m.home + "/config").c_str(), 1);
        setenv("configorx", (m.home + "/user.cfg").c_str(), 1);
        // The list alone is measured: propagation to "MY" is switched off.
        std::ofstream(m.home + "/user.cfg") << "[CSP]\nEnable=0\n";
        const std::string folder = m.home + "/data/orx/tokens/";
        std::filesystem::create_directories(folder);

        orx::bench::WriteTokenFile(folder, "Bench", kCertificates);

        char self[PATH_MAX] = {};
        if (readlink("/proc/self/exe", self, sizeof self - 1) < 0)
            return m;
        const std::string path = std::filesystem::path(self).parent_path() / "orx.so";
        m.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m.handle) {
            std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
            return m;
        }
        m.initialize = reinterpret_cast<PlgInitializeFn>(dlsym(m.handle, "PlgInitialize"));
        m.finalize = reinterpret_cast<PlgFinalizeFn>(dlsym(m.handle, "PlgFinalize"));
        m.enumerate = reinterpret_cast<PlgEnumPropertyFn>(dlsym(m.handle, "PlgEnumProperty"));
        m.initialize(0, 0, 0, 0, &m.context);
        return m;
    }();
    return module;
}

void BM_CertificateExAll(benchmark::State& state) {
    Module& m = Loaded();
    if (!m.context) {
        state.SkipWithError("the module could not be loaded");
        return;
    }
    int entries = 0;
    for (auto _ : state) {
        entries = 0;
        for (;; ++entries) {
            const std::string index = std::to_string(entries);
            const char* entry = m.enumerate(m.context, "CertificateEx", index.c_str());
            if (!entry || !*entry)
                break;
            benchmark::DoNotOptimize(entry);
        }
    }
    if (entries != kCertificates)
        state.SkipWithError("the token did not list every certificate");
    state.counters["entries"] = entries;
}
BENCHMARK(BM_CertificateExAll)->Unit(benchmark::kMillisecond);

size_t FilesInMy(const Module& m) {
    size_t stored = 0;
    std::error_code ignored;
    for (const auto& entry :
         std::filesystem::directory_iterator(m.home + "/data/orx/stores/MY", ignored))
        stored += entry.is_regular_file() ? 1 : 0;
    return stored;
}

// The first start of a program after the token arrived: "MY" is empty and every
// one of the 1,000 certificates is written to it, inside PlgInitialize.
void BM_FirstPropagationOfANewToken(benchmark::State& state) {
    Module& m = Loaded();
    if (!m.context) {
        state.SkipWithError("the module could not be loaded");
        return;
    }
    std::ofstream(m.home + "/user.cfg") << "[CSP]\nEnable=1\n";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(m.home + "/data/orx/stores/MY");
        std::filesystem::remove(m.home + "/data/orx/tokens/my-store.idx");
        state.ResumeTiming();
        PluginContext context = nullptr;
        m.initialize(0, 0, 0, 0, &context);
        m.finalize(context);
    }
    if (FilesInMy(m) != kCertificates)
        state.SkipWithError("the certificates did not reach MY");
    std::ofstream(m.home + "/user.cfg") << "[CSP]\nEnable=0\n";
}
BENCHMARK(BM_FirstPropagationOfANewToken)->Unit(benchmark::kMillisecond);

// A program starting with the token present and propagation on: "MY" already holds
// the 1,000 certificates (the first start put them there), so a start reads the
// store and finds nothing to do.
void BM_ContextStartWithPropagation(benchmark::State& state) {
    Module& m = Loaded();
    if (!m.context) {
        state.SkipWithError("the module could not be loaded");
        return;
    }
    std::ofstream(m.home + "/user.cfg") << "[CSP]\nEnable=1\n";
    PluginContext first = nullptr;
    m.initialize(0, 0, 0, 0, &first);
    m.finalize(first);
    if (FilesInMy(m) != kCertificates)
        state.SkipWithError("the certificates did not reach MY");
    for (auto _ : state) {
        PluginContext context = nullptr;
        m.initialize(0, 0, 0, 0, &context);
        m.finalize(context);
    }
    std::ofstream(m.home + "/user.cfg") << "[CSP]\nEnable=0\n";
}
BENCHMARK(BM_ContextStartWithPropagation)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Module& m = Loaded();
    if (m.context)
        m.finalize(m.context);
    std::error_code ignored;
    std::filesystem::remove_all(m.home, ignored);
    return 0;
}
