// Isolation for tests: every test gets its own HOME, XDG folders, per-user
// configuration file and installation folder, and writes nothing outside them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orx::testing {

// A fresh folder under the build's temporary area, removed with its content.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

// Sets (or with nullptr unsets) one variable for a scope.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

// HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME, XDG_RUNTIME_DIR (0700),
// "configorx" (root/user.cfg) and ORX_INSTALL_LOCATION (root/install/) inside one
// temporary folder; the program path is set as if the test were build/bin/orxxadm,
// and product identity, trace and language state start afresh. The installation
// file starts with "PKCS11"/"System" = 0 and SOFTHSM2_CONF names root/softhsm2.conf
// (tokens in root/softhsm/), so that no card or token of the machine is seen.
class IsolatedEnvironment {
  public:
    IsolatedEnvironment();
    ~IsolatedEnvironment();
    const std::string& root() const { return dir_.path(); }
    std::string operator/(std::string_view name) const { return dir_ / name; }
    std::string userConfigPath() const { return dir_ / "user.cfg"; }
    std::string installFolder() const { return dir_ / "install/"; }

  private:
    TempDir dir_;
    std::vector<ScopedEnv*> vars_;
};

std::string ReadFile(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteFile(const std::string& path, std::string_view content);
bool PathExists(const std::string& path);

// Runs a shell command; returns its exit status and fills `output` with stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);

// The programs of the build (build/bin/NAME).
std::string BinPath(std::string_view name);

}  // namespace orx::testing
