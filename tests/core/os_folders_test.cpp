#include "core/os/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "core/file_helpers.h"
#include "core/os/temp_files.h"
#include "core/product_identity.h"
#include "core/system_environment.h"
#include "core/system_paths.h"
#include "core/trace.h"
#include "support/test_environment.h"
#include "support/write_failures.h"

namespace orx {
namespace {

namespace fs = std::filesystem;
using testing::WriteFile;

TEST(OsFoldersTest, InstallLocationFromTheVariable) {
    testing::IsolatedEnvironment env;
    EXPECT_EQ(GetInstallLocation(), env.installFolder());
    testing::ScopedEnv noSlash("ORX_INSTALL_LOCATION", (env / "elsewhere").c_str());
    EXPECT_EQ(GetInstallLocation(), env / "elsewhere/");
}

TEST(OsFoldersTest, PerUserFoldersFollowXdg) {
    testing::IsolatedEnvironment env;
    TraceSetFile(env / "trace.log");
    EXPECT_EQ(GetUserDataFolder(), env / "config/orx/");
    EXPECT_TRUE(fs::is_directory(env / "config/orx"));
    EXPECT_EQ(GetUserStateFolder(), env / "data/orx/");
    EXPECT_EQ(GetInternetCacheFolder(), env / "cache/orx/");
    EXPECT_EQ(GetInternetCacheFolder(), env / "cache/orx/");  // traced once
    const std::string trace = testing::ReadFile(env / "trace.log");
    const std::string line = "OS - Folder: '" + env / "cache/'";
    ASSERT_NE(trace.find(line), std::string::npos);
    EXPECT_EQ(trace.find(line, trace.find(line) + 1), std::string::npos);  // once
    EXPECT_NE(trace.find("OS - Folder: '" + env / "config/'"), std::string::npos);
    testing::ScopedEnv unset("XDG_CACHE_HOME", nullptr);
    EXPECT_EQ(GetInternetCacheFolder(), env / "home/.cache/orx/");
    testing::ScopedEnv relative("XDG_DATA_HOME", "data");
    EXPECT_EQ(GetUserStateFolder(), env / "home/.local/share/orx/");
}

TEST(OsFoldersTest, ComponentFolder) {
    testing::IsolatedEnvironment env;
    testing::ScopedEnv var("ORX_TEST_COMPONENTS", "/opt/components");
    struct Case {
        const char* folderTemplate;
        std::string folder;
    };
    const Case cases[] = {
        {"%SYSTEM%", GetSystemFolder()},
        {"%system%", GetSystemFolder()},
        {"%ORX_TEST_COMPONENTS%/orx", "/opt/components/orx/"},
        {"%ORX_TEST_UNSET%/x", "%ORX_TEST_UNSET%/x/"},
        {"", GetComponentFolder("plain")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetComponentFolder(c.folderTemplate), c.folder);
    const std::string byName = GetComponentFolder("plain");
    EXPECT_EQ(byName.substr(byName.size() - 7), "/Orvex/");
    EXPECT_EQ(GetSystemFolder().back(), '/');

    // A configured folder wins over everything.
    WriteFile(env.installFolder() + "orx.cfg", "[Install]\nDirectory=/srv/orvex\n");
    EXPECT_EQ(GetComponentFolder("%SYSTEM%"), "/srv/orvex/");
    WriteFile(env.userConfigPath(), "[Install]\nDirectory=/home/me/orvex/\n");
    EXPECT_EQ(GetComponentFolder(), "/home/me/orvex/");
}

TEST(OsFoldersTest, ExpandEnvironment) {
    testing::ScopedEnv a("ORX_TEST_A", "alpha");
    testing::ScopedEnv empty("ORX_TEST_EMPTY", "");
    struct Case {
        const char* text;
        size_t capacity;
        const char* expanded;
    };
    const Case cases[] = {
        {"%ORX_TEST_A%", 260, "alpha"},
        {"x%ORX_TEST_A%y%ORX_TEST_A%", 260, "xalphayalpha"},
        {"%ORX_TEST_NONE%", 260, "%ORX_TEST_NONE%"},
        {"%ORX_TEST_NONE%ORX_TEST_A%", 260, "%ORX_TEST_NONEalpha"},
        {"%ORX_TEST_EMPTY%.", 260, "."},
        {"100%", 260, "100%"},
        {"%%", 260, "%%"},
        {"%ORX_TEST_A%", 6, "alpha"},
        {"%ORX_TEST_A%", 5, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandEnvironment(c.text, c.capacity), c.expanded);
}

TEST(OsFoldersTest, VirtualizedPath) {
    testing::IsolatedEnvironment env;
    const std::string base = env / "cache/orx/Virtualized/";
    size_t prefix = 0;
    EXPECT_EQ(GetVirtualizedPath("/etc/orx/orx.cfg", 260, &prefix), base + "etc/orx/orx.cfg");
    EXPECT_EQ(prefix, base.size());
    EXPECT_EQ(GetVirtualizedPath("/a"), base);
    EXPECT_EQ(GetVirtualizedPath(""), base);
    EXPECT_EQ(GetVirtualizedPath("/etc/orx/orx.cfg", base.size() + 15), "");
    EXPECT_EQ(GetVirtualizedPath("/etc/orx/orx.cfg", base.size() + 16), base + "etc/orx/orx.cfg");
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(OsFoldersTest, PrivateTempFolder) {
    testing::IsolatedEnvironment env;
    const std::string folder = GetPrivateTempFolder();
    const std::string base = env / "runtime/orx/";
    ASSERT_EQ(folder.rfind(base + std::to_string(::getpid()) + "-", 0), 0u) << folder;
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(base), 0700u);
    EXPECT_EQ(GetPrivateTempFolder(), folder);

    // A runtime folder others may enter is not used: the per-user temporary one is.
    ::chmod((env / "runtime").c_str(), 0755);
    const std::string fallback = env / ("orx-" + std::to_string(::geteuid()) + "/");
    EXPECT_EQ(GetPrivateTempFolder().rfind(fallback, 0), 0u);
    ::chmod((env / "runtime").c_str(), 0700);

    // A planted per-user folder (a link, or open to others) is refused.
    testing::ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
    fs::remove_all(fallback);
    fs::create_directories(env / "victim");
    ::chmod((env / "victim").c_str(), 0700);
    fs::create_directory_symlink(env / "victim", fallback.substr(0, fallback.size() - 1));
    EXPECT_EQ(GetPrivateTempFolder(), "");
    fs::remove(fallback.substr(0, fallback.size() - 1));
    fs::create_directories(fallback);
    ::chmod(fallback.c_str(), 0777);
    EXPECT_EQ(GetPrivateTempFolder(), "");
    ::chmod(fallback.c_str(), 0700);
    EXPECT_EQ(GetPrivateTempFolder().rfind(fallback, 0), 0u);
}

TEST(OsFoldersTest, ModuleAndVersion) {
    testing::IsolatedEnvironment env;
    EXPECT_EQ(GetModulePath(nullptr), ORX_BIN_DIR "/orxxadm");
    EXPECT_EQ(GetModulePath(nullptr, 5), "");
    EXPECT_EQ(GetVersionString("", "ProductName"), "Orvex");
    EXPECT_EQ(GetVersionString("", "ProductName", 5), "");
    EXPECT_EQ(GetVersionString("", "Comments"), "");
    EXPECT_EQ(GetVersionString("/usr/lib/orx.so", "ProductName"), "Orvex");
    EXPECT_EQ(GetVersionString("/usr/bin/ls", "ProductName"), "");
}

TEST(OsFoldersTest, PrivateTempFiles) {
    testing::IsolatedEnvironment env;
    const std::string folder = GetPrivateTempFolder();
    const std::string first = WritePrivateTempFile("~orx1234.cer", "one");
    EXPECT_EQ(first, folder + "~orx1234.cer");
    EXPECT_EQ(testing::ReadFile(first), "one");
    EXPECT_EQ(ModeOf(first), 0600u);
    // A taken name, even a planted link, is never written through.
    testing::WriteFile(env / "target", "keep");
    std::filesystem::create_symlink(env / "target", folder + "x.cer");
    const std::string second = WritePrivateTempFile("x.cer", "two");
    EXPECT_EQ(second, folder + "x-1.cer");
    EXPECT_EQ(testing::ReadFile(env / "target"), "keep");
    EXPECT_EQ(WritePrivateTempFile("x.cer", "three"), folder + "x-2.cer");
    EXPECT_EQ(WritePrivateTempFile("noext", ""), folder + "noext");
    EXPECT_EQ(WritePrivateTempFile("noext", ""), folder + "noext-1");
    EXPECT_EQ(WritePrivateTempFile("../escape", "x"), "");
    EXPECT_EQ(WritePrivateTempFile("", "x"), "");
    file_testing::FailWritesAfter(1);
    EXPECT_EQ(WritePrivateTempFile("fails.cer", "abc"), "");
    file_testing::FailWritesAfter(-1);
    EXPECT_FALSE(std::filesystem::exists(folder + "fails.cer"));
}

}  // namespace
}  // namespace orx
