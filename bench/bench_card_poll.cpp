// libs: orxcore
// The slot event poll ("HaveSlotEvent", every 666 ms while the window runs) with
// the cards of two PKCS#11 modules (SoftHSM2 with a token, OpenSC without a
// reader) against the same poll with none, nothing changing meanwhile: what the
// card back-end adds to each poll. Two contexts of the real orx.so beside this
// program, in a throw-away home.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "token/plugin_abi.h"

namespace {

struct Module {
    PlgGetPropertyFn get = nullptr;
    PlgEnumPropertyFn enumerate = nullptr;
    PluginContext withoutCards = nullptr;
    PluginContext withCards = nullptr;
};

Module& Loaded() {
    static Module module = [] {
        Module m;
        char pattern[] = "/tmp/bench-poll-XXXXXX";
        const std::string home = mkdtemp(pattern);
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
            setenv(name, home.c_str(), 1);
        setenv("configorx", (home + "/user.cfg").c_str(), 1);
        setenv("ORX_INSTALL_LOCATION", (home + "/install/").c_str(), 1);
        setenv("SOFTHSM2_CONF", (home + "/softhsm2.conf").c_str(), 1);
        std::filesystem::create_directories(home + "/tokens");
        std::ofstream(home + "/softhsm2.conf")
            << "directories.tokendir = " << home << "/tokens/\nobjectstore.backend = file\n";
        if (std::system("softhsm2-util --init-token --free --label Bench --pin 123456 "
                        "--so-pin 87654321 >/dev/null") != 0)
            return m;

        char self[PATH_MAX] = {};
        if (readlink("/proc/self/exe", self, sizeof self - 1) < 0)
            return m;
        const std::string path = std::filesystem::path(self).parent_path() / "orx.so";
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
            return m;
        }
        auto initialize = reinterpret_cast<PlgInitializeFn>(dlsym(handle, "PlgInitialize"));
        m.get = reinterpret_cast<PlgGetPropertyFn>(dlsym(handle, "PlgGetProperty"));
        m.enumerate = reinterpret_cast<PlgEnumPropertyFn>(dlsym(handle, "PlgEnumProperty"));
        // Each context reads its settings when it starts.
        std::ofstream(home + "/user.cfg") << "[PKCS11]\nSystem=0\n[CSP]\nEnable=0\n";
        initialize(0, 0, 0, 0, &m.withoutCards);
        std::ofstream(home + "/user.cfg") << "[PKCS11]\nSystem=0\nModules=" ORX_SOFTHSM2_MODULE
                                             ";" ORX_OPENSC_MODULE "\n[CSP]\nEnable=0\n";
        initialize(0, 0, 0, 0, &m.withCards);
        return m;
    }();
    return module;
}

void Poll(benchmark::State& state, bool cards) {
    Module& m = Loaded();
    PluginContext context = cards ? m.withCards : m.withoutCards;
    if (!context) {
        state.SkipWithError("the module or SoftHSM2 could not be set up");
        return;
    }
    // The SoftHSM2 token is a card of the one context and not of the other.
    const char* first = m.enumerate(context, "Token", "0");
    if ((first && std::strcmp(first, "1;Bench") == 0) != cards) {
        state.SkipWithError("the context does not see the cards it should");
        return;
    }
    // The token is there, and stays: every poll answers "false".
    while (std::strcmp(m.get(context, "HaveSlotEvent"), "true") == 0) {
    }
    for (auto _ : state) {
        const char* event = m.get(context, "HaveSlotEvent");
        if (std::strcmp(event, "false") != 0) {
            state.SkipWithError("a slot event where nothing changed");
            return;
        }
    }
}

void BM_SlotEventPollWithoutCards(benchmark::State& state) {
    Poll(state, false);
}
BENCHMARK(BM_SlotEventPollWithoutCards)->Unit(benchmark::kMicrosecond);

void BM_SlotEventPollWithTwoPkcs11Modules(benchmark::State& state) {
    Poll(state, true);
}
BENCHMARK(BM_SlotEventPollWithTwoPkcs11Modules)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
