#include "support/test_environment.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/config_tree_cache.h"
#include "core/file_helpers.h"
#include "core/language.h"
#include "core/product_identity.h"
#include "core/static_config_area.h"
#include "core/trace.h"
#include "support/process_state.h"

namespace orx::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string base = ORX_BINARY_DIR "/test-tmp";
    fs::create_directories(base);
    std::string pattern = base + "/t-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr)
        path_ = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty())
        fs::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
    if (const char* old = getenv(name_.c_str())) {
        had_ = true;
        old_ = old;
    }
    if (value) {
        setenv(name_.c_str(), value, 1);
    } else {
        unsetenv(name_.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (had_) {
        setenv(name_.c_str(), old_.c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

IsolatedEnvironment::IsolatedEnvironment() {
    const std::string& r = dir_.path();
    for (const char* sub : {"home", "config", "data", "cache", "runtime", "install"}) {
        fs::create_directories(r + "/" + sub);
    }
    chmod((r + "/runtime").c_str(), 0700);
    auto set = [&](const char* name, const std::string& value) {
        vars_.push_back(new ScopedEnv(name, value.c_str()));
    };
    set("HOME", r + "/home");
    set("XDG_CONFIG_HOME", r + "/config");
    set("XDG_DATA_HOME", r + "/data");
    set("XDG_CACHE_HOME", r + "/cache");
    set("XDG_RUNTIME_DIR", r + "/runtime");
    set("TMPDIR", r);
    set("configorx", r + "/user.cfg");
    set("ORX_INSTALL_LOCATION", r + "/install/");
    // Cards and tokens registered on the machine never reach a test: the module
    // leaves p11-kit's modules out, and SoftHSM2, should a test load it, keeps its
    // tokens here.
    WriteFile(r + "/install/orx.cfg", "[PKCS11]\nSystem=0\n");
    fs::create_directories(r + "/softhsm");
    WriteFile(r + "/softhsm2.conf", "directories.tokendir = " + r +
                                        "/softhsm/\nobjectstore.backend = file\nlog.level = ERROR\n");
    set("SOFTHSM2_CONF", r + "/softhsm2.conf");
    orx::TraceSetFile(nullptr);
    orx::trace_testing::ResetState();
    // The language layer holds a tree of the cache while it lives: drop it first.
    orx::language_testing::Reset();
    orx::static_config_testing::SetText(std::nullopt);
    orx::config_cache_testing::Reset();
    orx::SetProgramPath(ORX_BIN_DIR "/orxxadm");
    orx::identity_testing::Reset();
    orx::InitProductIdentity();
}

IsolatedEnvironment::~IsolatedEnvironment() {
    orx::TraceSetFile(nullptr);
    for (auto it = vars_.rbegin(); it != vars_.rend(); ++it)
        delete *it;
}

std::string ReadFile(const std::string& path) {
    std::string text;
    ReadWholeFile(path, text);
    return text;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    ReadWholeFile(path, bytes);
    return bytes;
}

void WriteFile(const std::string& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    const int status = pclose(pipe);
    if (output)
        *output = std::move(text);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string BinPath(std::string_view name) {
    return ORX_BIN_DIR "/" + std::string(name);
}

}  // namespace orx::testing
