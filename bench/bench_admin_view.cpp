// libs: orxapp orxadmin orxbenchtokens
// The token view over soft tokens of 10, 100 and 1,000 certificates, from the slot
// list's selection to the painted list: "TokenInfo", every "CertificateEx" entry
// through the real module and the wrappers, the rows made and the list drawn. The
// window runs on Qt's offscreen platform in a throw-away home; the fitted
// complexity tells whether the cost grows linearly with the certificates.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "admin/admin_list.h"
#include "admin/admin_main.h"
#include "admin/admin_view.h"
#include "app/admin_settings.h"
#include "core/number_text.h"
#include "core/product_identity.h"
#include "support/bench_tokens.h"
#include "token/token_application.h"
#include "ui/owner_draw_list.h"

namespace {

struct Window {
    std::string home;
    int certificates = 0;
    int32_t slot = 0;
    orx::TokenApplication app;
    orx::AdminSettings settings;
    std::unique_ptr<orx::CAdminMain> frame;
};

void UseHome(const std::string& home) {
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home + "/runtime").c_str(), 1);
    setenv("configorx", (home + "/user.cfg").c_str(), 1);
    setenv("ORX_INSTALL_LOCATION", (home + "/install/").c_str(), 1);
}

Window& Current() {
    static Window window;
    return window;
}

// The window over a home whose one soft token holds that many certificates (the
// view reads at most 1,000 entries over all tokens, so each size has a home).
Window& ShownWith(int certificates) {
    Window& w = Current();
    if (w.certificates == certificates)
        return w;
    w.frame.reset();
    w.app.Finalize();
    if (!w.home.empty())
        std::filesystem::remove_all(w.home);
    char pattern[] = "/tmp/bench-view-XXXXXX";
    w.home = mkdtemp(pattern);
    w.certificates = certificates;
    for (const char* sub : {"data/orx/tokens", "config", "cache", "runtime", "install"})
        std::filesystem::create_directories(w.home + "/" + sub);
    std::filesystem::permissions(w.home + "/runtime", std::filesystem::perms::owner_all);
    UseHome(w.home);
    // The list alone is measured: propagation to "MY" is switched off.
    std::ofstream(w.home + "/user.cfg") << "[CSP]\nEnable=0\n";
    orx::bench::WriteTokenFile(w.home + "/data/orx/tokens/", "Bench", certificates);

    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    orx::SetProgramPath((self.parent_path() / "orxxadm").string());
    orx::InitProductIdentity();
    orx::LoadSettings(w.settings);
    w.app.StartPlugin();
    const std::optional<std::string> entry = w.app.EnumPropertyString("SlotSoft", 0);
    w.slot = entry ? orx::AtoI(*entry) : 0;
    w.frame = std::make_unique<orx::CAdminMain>(w.app, w.settings);
    w.frame->Create();
    w.frame->show();
    w.frame->repaint();
    return w;
}

void BM_ShowTokenFromSelectionToPaintedList(benchmark::State& state) {
    const int certificates = static_cast<int>(state.range(0));
    Window& w = ShownWith(certificates);
    const int32_t slot = w.slot;
    orx::CAdminList* list = w.frame->List();
    orx::COwnerDrawList* content = w.frame->View()->ContentList();
    for (auto _ : state) {
        state.PauseTiming();
        list->SelectSlot(999);  // the Components entry
        w.frame->repaint();
        state.ResumeTiming();
        list->SelectSlot(slot);
        content->viewport()->repaint();
    }
    if (slot == 0 || content->topLevelItemCount() != certificates)
        state.SkipWithError("the token did not show every certificate");
    state.SetComplexityN(certificates);
}
BENCHMARK(BM_ShowTokenFromSelectionToPaintedList)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Window& w = Current();
    w.frame.reset();
    w.app.Finalize();
    std::error_code ignored;
    std::filesystem::remove_all(w.home, ignored);
    return 0;
}
