#include "core/config_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "core/config_tree_cache.h"
#include "core/config_tree_cache_state.h"
#include "core/file_helpers.h"
#include "core/static_config_area.h"
#include "core/trace.h"
#include "support/process_state.h"
#include "support/test_environment.h"
#include "support/write_failures.h"

namespace orx {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

// The value, or the result code as "#<code>" when there is none.
std::string Answer(int rc, const std::string& value) {
    return rc == kConfigOk ? value : "#" + std::to_string(rc);
}
const std::string kFailed = Answer(kConfigFailed, "");
const std::string kNoKey = Answer(kConfigKeyMissing, "");
const std::string kNoSection = Answer(kConfigSectionMissing, "");

std::string Read(std::string_view section, std::string_view key) {
    std::string value;
    const int rc = ConfigReadString(section, key, value);
    return Answer(rc, value);
}
std::string Get(ConfigFile& file, std::string_view section, std::string_view key) {
    std::string value;
    const int rc = file.GetString(section, key, value);
    return Answer(rc, value);
}

class ConfigFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // These cases decide themselves which files exist: the environment's
        // installation file (which keeps the machine's cards away) is not theirs.
        fs::remove(InstallPath());
        config_cache_testing::Reset();
        static_config_testing::SetText(std::nullopt);
    }
    void TearDown() override {
        static_config_testing::SetText(std::nullopt);
        file_testing::FailWritesAfter(-1);
        file_testing::FailFilesBeside(false);
        config_cache_testing::Reset();
    }
    std::string InstallPath() const { return env.installFolder() + "orx.cfg"; }
    std::string Traced() {
        return testing::PathExists(traceFile) ? ReadFile(traceFile) : std::string();
    }
    void TraceOn() { TraceSetFile(traceFile); }
    testing::IsolatedEnvironment env;
    std::string traceFile = env / "trace.log";
};

TEST_F(ConfigFileTest, PerUserOverridesInstallationWide) {
    WriteFile(env.userConfigPath(), "[Dialog]\nWidth=1\n");
    WriteFile(InstallPath(), "[Dialog]\nWidth=2\nOnlyHere=3\n");
    EXPECT_EQ(Read("Dialog", "Width"), "1");
    EXPECT_EQ(Read("Dialog", "OnlyHere"), "3");
    EXPECT_EQ(Read("Dialog", "Nowhere"), kFailed);
    EXPECT_EQ(Read("Missing", "Nowhere"), kFailed);

    // Without the installation-wide file the per-user answer is the line search's.
    fs::remove(InstallPath());
    EXPECT_EQ(Read("Dialog", "Nowhere"), kNoKey);
    EXPECT_EQ(Read("Missing", "Nowhere"), kNoSection);

    ConfigFile file;
    ASSERT_EQ(file.Open(false), kConfigOk);
    std::string value;
    EXPECT_EQ(file.GetStringAt(1, "Dialog", "Width", value), kConfigFailed);
    EXPECT_EQ(file.GetStringAt(2, "Dialog", "Width", value), kConfigFailed);
}

TEST_F(ConfigFileTest, MissingFiles) {
    // A named file that is missing is an empty store, and is not made.
    ConfigFile named;
    EXPECT_EQ(named.Open(false, (env / "absent.cfg").c_str()), kConfigOk);
    int32_t number = 7;
    EXPECT_EQ(named.GetInt("S", "k", number), kConfigFailed);
    EXPECT_EQ(number, 7);
    EXPECT_FALSE(testing::PathExists(env / "absent.cfg"));

    // No file at all fails the open: the per-user file is only made by a writable one.
    fs::remove(env.userConfigPath());
    ConfigFile file;
    EXPECT_EQ(file.Open(false), kConfigFailed);
    EXPECT_FALSE(testing::PathExists(env.userConfigPath()));
    EXPECT_EQ(Read("S", "k"), kFailed);
}

// The number rules themselves are ParseNumber's; here the value is read into a
// 17-byte buffer first.
TEST_F(ConfigFileTest, IntegersAndBooleans) {
    WriteFile(env.userConfigPath(),
              "[N]\nhex=0xFFFFFFFF\nlong=12345678901234567\nflag=0x00\non=3\n");
    int32_t value = 0;
    EXPECT_EQ(ConfigReadInt("N", "hex", value), kConfigOk);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(ConfigReadInt("N", "long", value), kConfigOk);
    EXPECT_EQ(value, static_cast<int32_t>(1234567890123456LL));
    ConfigFile file;
    ASSERT_EQ(file.Open(false), kConfigOk);
    bool flag = true;
    EXPECT_EQ(file.GetBool("N", "flag", flag), kConfigOk);
    EXPECT_FALSE(flag);
    EXPECT_EQ(file.GetBool("N", "on", flag), kConfigOk);
    EXPECT_TRUE(flag);
}

TEST_F(ConfigFileTest, Utf16FileReadsLikeItsUtf8Form) {
    const std::string utf8 = "[Dialog]\r\nName=J\xC3\xB6rg  \r\nWidth=0x1A\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[Dialog]\r\nName=J\xF6rg  \r\nWidth=0x1A\r\n")) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    for (const std::string& content : {utf8, utf16}) {
        WriteFile(env.userConfigPath(), content);
        EXPECT_EQ(Read("dialog", "name"), "J\xC3\xB6rg");
        int32_t width = 0;
        EXPECT_EQ(ConfigReadInt("Dialog", "Width", width), kConfigOk);
        EXPECT_EQ(width, 26);
        ConfigFile file;
        ASSERT_EQ(file.Open(false), kConfigOk);
        std::u16string wide;
        EXPECT_EQ(file.GetWide("Dialog", "Name", wide, 4), kConfigOk);
        EXPECT_EQ(wide, u"J\u00f6r");
    }
    // A write turns the file into UTF-8.
    ASSERT_EQ(ConfigWriteString("Dialog", "Width", "7"), kConfigOk);
    EXPECT_EQ(ReadFile(env.userConfigPath()), "[Dialog]\r\nName=J\xC3\xB6rg  \r\nWidth=7\n");
}

TEST_F(ConfigFileTest, WritesGoToThePerUserFileOnly) {
    WriteFile(InstallPath(), "[S]\nk=install\n");
    fs::remove(env.userConfigPath());
    ASSERT_EQ(ConfigWriteString("S", "k", "user"), kConfigOk);
    EXPECT_EQ(ReadFile(InstallPath()), "[S]\nk=install\n");
    EXPECT_EQ(ReadFile(env.userConfigPath()), "\n[S]\nk=user\n");
    struct stat info {};
    ASSERT_EQ(::stat(env.userConfigPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_EQ(ConfigWriteInt("S", "n", -5), kConfigOk);
    EXPECT_EQ(Read("S", "n"), "-5");
    EXPECT_EQ(ConfigDeleteKey("S", "k"), kConfigOk);
    EXPECT_EQ(Read("S", "k"), "install");
    EXPECT_EQ(ConfigDeleteKey("S", "k"), kConfigKeyMissing);
    EXPECT_EQ(ConfigDeleteKey("T", "k"), kConfigSectionMissing);
}

TEST_F(ConfigFileTest, ModifiedOnlyWhenChangedAndWrittenOnClose) {
    WriteFile(env.userConfigPath(), "[S]\nk=1\n");
    ConfigFile file;
    ASSERT_EQ(file.Open(true), kConfigOk);
    EXPECT_FALSE(file.IsModified());
    EXPECT_EQ(file.Set("S", "k", "2"), kConfigOk);
    EXPECT_TRUE(file.IsModified());
    EXPECT_EQ(ReadFile(env.userConfigPath()), "[S]\nk=1\n");  // not before the close
    EXPECT_EQ(Get(file, "S", "k"), "2");
    EXPECT_EQ(file.Close(false), kConfigOk);
    EXPECT_FALSE(file.IsModified());
    EXPECT_EQ(ReadFile(env.userConfigPath()), "[S]\nk=2\n");
    EXPECT_EQ(Get(file, "S", "k"), "2");  // kept by a close without freeing

    // A read-only open never writes, whatever is changed in memory.
    ConfigFile readOnly;
    ASSERT_EQ(readOnly.Open(false), kConfigOk);
    EXPECT_EQ(readOnly.Set("S", "k", "3"), kConfigOk);
    readOnly.Close(true);
    EXPECT_EQ(ReadFile(env.userConfigPath()), "[S]\nk=2\n");
}

TEST_F(ConfigFileTest, PathsFromEnvironmentAndFolders) {
    std::string path;
    ASSERT_EQ(FindConfigPath(true, path), kConfigOk);
    EXPECT_EQ(path, env.userConfigPath());
    {
        testing::ScopedEnv unset("configorx", nullptr);
        ASSERT_EQ(FindConfigPath(true, path), kConfigOk);
        EXPECT_EQ(path, env / "config/orx/orx.cfg");
        EXPECT_TRUE(fs::is_directory(env / "config/orx"));
    }
    {
        // An override that does not fit is ignored.
        const std::string tooLong = "/" + std::string(300, 'a');
        testing::ScopedEnv longer("configorx", tooLong.c_str());
        ASSERT_EQ(FindConfigPath(true, path), kConfigOk);
        EXPECT_EQ(path, env / "config/orx/orx.cfg");
        EXPECT_EQ(FindConfigPath(true, path, 10), kConfigNoPath);
        EXPECT_EQ(path, "");
        testing::ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(FindConfigPath(true, path), kConfigOk);
        EXPECT_EQ(path, env / "home/.config/orx/orx.cfg");
    }
    // Installation-wide: the installation location's file when it exists, else the
    // program folder's, whether it exists or not.
    ASSERT_EQ(FindConfigPath(false, path), kConfigOk);
    EXPECT_EQ(path, ORX_BIN_DIR "/orx.cfg");
    WriteFile(InstallPath(), "[S]\n");
    ASSERT_EQ(FindConfigPath(false, path), kConfigOk);
    EXPECT_EQ(path, InstallPath());
}

TEST_F(ConfigFileTest, OpenDefaultKinds) {
    WriteFile(env.userConfigPath(), "[S]\nk=user\n");
    WriteFile(InstallPath(), "[S]\nk=install\n");
    ConfigFile file;
    ASSERT_EQ(file.OpenDefault(false, ConfigKind::Install), kConfigOk);
    EXPECT_EQ(Get(file, "S", "k"), "install");
    ASSERT_EQ(file.OpenDefault(false, ConfigKind::PerUser), kConfigOk);
    EXPECT_EQ(Get(file, "S", "k"), "user");

    // The virtualised copy: missing gives 6, present is read instead.
    EXPECT_EQ(file.OpenDefault(false, ConfigKind::Install, true), kConfigNoVirtualized);
    const std::string copy = env / ("cache/orx/Virtualized" + InstallPath());
    ASSERT_TRUE(CreatePath(copy));
    WriteFile(copy, "[S]\nk=virtual\n");
    ASSERT_EQ(file.OpenDefault(false, ConfigKind::Install, true), kConfigOk);
    EXPECT_EQ(Get(file, "S", "k"), "virtual");
}

TEST_F(ConfigFileTest, EnumeratesEitherFile) {
    WriteFile(env.userConfigPath(), "[Directory]\nA=1\nB=2\n");
    WriteFile(InstallPath(), "[Directory]\nC=3\n");
    ConfigFile file;
    ASSERT_EQ(file.Open(false), kConfigOk);
    std::string key;
    int position = 0;
    std::vector<std::string> keys;
    while (file.EnumKeys(0, "Directory", key, 256, position) == kConfigOk)
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"A", "B"}));
    position = 0;
    EXPECT_EQ(file.EnumKeys(1, "Directory", key, 256, position), kConfigOk);
    EXPECT_EQ(key, "C");
    EXPECT_EQ(file.EnumKeys(1, "Directory", key, 256, position), kConfigFailed);
    EXPECT_EQ(position, 1);
}

TEST_F(ConfigFileTest, InstallationWideTreeIsCachedAndShared) {
    WriteFile(InstallPath(), "[S]\nk=1\n[S]\nj=2\n k2=3\n");
    fs::remove(env.userConfigPath());
    {
        ConfigFile a;
        ConfigFile b;
        ASSERT_EQ(a.Open(false), kConfigOk);
        ASSERT_EQ(b.Open(false), kConfigOk);
        EXPECT_EQ(config_cache_testing::Inspect(0).path, InstallPath());
        EXPECT_EQ(config_cache_testing::Inspect(0).useCount, 2);
        // The tree looks only in the later section and ignores the indented line.
        EXPECT_EQ(Get(a, "S", "k"), kFailed);
        EXPECT_EQ(Get(a, "S", "j"), "2");
        EXPECT_EQ(Get(a, "S", "k2"), kFailed);

        // Changed text while the tree is in use: no tree, the text is searched.
        WriteFile(InstallPath(), "[S]\nk=1\n[S]\nj=2\n k2=3\n;changed\n");
        ConfigFile c;
        ASSERT_EQ(c.Open(false), kConfigOk);
        EXPECT_EQ(Get(c, "S", "k"), "1");
        EXPECT_EQ(Get(c, "S", "j"), kNoKey);
        EXPECT_EQ(config_cache_testing::Inspect(0).useCount, 2);
    }
    EXPECT_EQ(config_cache_testing::Inspect(0).useCount, 0);
    {
        // Unused and changed: rebuilt in the same entry.
        ConfigFile d;
        ASSERT_EQ(d.Open(false), kConfigOk);
        EXPECT_EQ(config_cache_testing::Inspect(0).useCount, 1);
        EXPECT_EQ(Get(d, "S", "k"), kFailed);
    }
    // A writable open never takes a tree: it searches line by line.
    ConfigFile w;
    ASSERT_EQ(w.Open(true), kConfigOk);
    EXPECT_EQ(config_cache_testing::Inspect(0).useCount, 0);
    EXPECT_EQ(Get(w, "S", "k"), "1");
}

TEST_F(ConfigFileTest, CacheHoldsThreePaths) {
    std::vector<std::unique_ptr<ConfigFile>> open;
    for (int i = 0; i < 4; ++i) {
        const std::string folder = env / ("inst" + std::to_string(i) + "/");
        fs::create_directories(folder);
        WriteFile(folder + "orx.cfg", "[S]\nk=" + std::to_string(i) + "\n[S]\n");
        testing::ScopedEnv location("ORX_INSTALL_LOCATION", folder.c_str());
        open.push_back(std::make_unique<ConfigFile>());
        ASSERT_EQ(open.back()->OpenDefault(false, ConfigKind::Install), kConfigOk);
        // With a tree the earlier section is hidden; the fourth path gets none.
        EXPECT_EQ(Get(*open.back(), "S", "k"), i < 3 ? kFailed : "3") << i;
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(config_cache_testing::Inspect(i).useCount, 1);
}

TEST_F(ConfigFileTest, CacheEndLeavesTreesInUse) {
    TraceOn();
    // A cache of its own: the process-wide one ends with the process.
    config_cache_detail::CacheState own;
    ConfigTreeCache cache(own);
    ConfigTreeRef held = cache.Take("/a", "[S]\nk=1\n");
    ConfigTreeRef released = cache.Take("/b", "[S]\nk=2\n");
    ASSERT_TRUE(held);
    ASSERT_TRUE(released);
    cache.Release(released);
    EXPECT_EQ(cache.Take("/c", "x").entry, 2);
    EXPECT_FALSE(cache.Take("/d", "x"));  // every entry holds another path
    cache.Finish();
    EXPECT_NE(Traced().find("Config - WARNING Tree cache in use"), std::string::npos);
    EXPECT_EQ(own.entries[1].tree, nullptr);
    EXPECT_NE(own.entries[0].tree, nullptr);
    EXPECT_FALSE(cache.Take("/a", "[S]\nk=1\n"));
    cache.Release(held);
}

TEST_F(ConfigFileTest, StaticAreaStandsForTheInstallationWideFile) {
    TraceOn();
    WriteFile(InstallPath(), "[S]\nk=file\n");
    static_config_testing::SetText("[S]\nk=static\n");
    EXPECT_EQ(Read("S", "k"), "static");
    EXPECT_EQ(ReadFile(env / "~orxstat.cfg"), "[S]\nk=static\n");
    EXPECT_NE(Traced().find("Config - Use static loaded"), std::string::npos);
    EXPECT_NE(Traced().find("Config - Open '" + env.userConfigPath() + "' (r)"), std::string::npos);

    // Opened alone, it learns where the program is.
    ConfigFile file;
    ASSERT_EQ(file.OpenDefault(false, ConfigKind::Install), kConfigOk);
    EXPECT_EQ(Get(file, "Install", "Directory"), ORX_BIN_DIR "/");
    EXPECT_NE(Traced().find("Config - Install directory: '" ORX_BIN_DIR "/'"), std::string::npos);
    file.Close(true);
    // The text counts its non-zero bytes; an empty first byte means no area.
    static_config_testing::SetText(std::string("\0[S]\nk=x\n", 9));
    EXPECT_EQ(Read("S", "k"), "file");
}

TEST_F(ConfigFileTest, OpenFailuresAndGrowthAreTraced) {
    TraceOn();
    WriteFile(env.userConfigPath(), "[S]\nk=1\n");
    const std::string big(200000, 'v');
    ASSERT_EQ(ConfigWriteString("S", "big", big), kConfigOk);
    EXPECT_NE(Traced().find("Config - Increase for set (200005)"), std::string::npos);
    std::string value;
    // Longer than a line may be: it comes back cut to the line's length.
    EXPECT_EQ(ConfigReadString("S", "big", value, 300000), kConfigOk);
    EXPECT_EQ(value, big.substr(0, 164095u - 4u));
    EXPECT_EQ(ConfigReadString("S", "big", value, 100), kConfigOk);
    EXPECT_EQ(value.size(), 99u);
    EXPECT_EQ(Read("S", "k"), "1");

    WriteFile(env / "plain", "x");
    testing::ScopedEnv bad("configorx", (env / "plain/user.cfg").c_str());
    ConfigFile file;
    EXPECT_EQ(file.Open(true), kConfigFailed);
    EXPECT_EQ(file.Set("S", "k", "v"), kConfigFailed);
    EXPECT_NE(Traced().find("Config - Open '" + env / "plain/user.cfg" + "' (w)"),
              std::string::npos);
    EXPECT_NE(Traced().find("Config - Failed to open"), std::string::npos);
    EXPECT_EQ(ConfigWriteString("S", "k", "v"), kConfigFailed);
}

}  // namespace
}  // namespace orx
