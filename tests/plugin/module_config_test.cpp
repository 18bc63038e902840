// The configuration properties of the module, and its own trace.
#include <dlfcn.h>

#include <filesystem>

#include "core/config_file.h"
#include "module_fixture.h"
#include "token/plugin_abi.h"

namespace orx::testing {
namespace {

using ModuleConfig = ModuleTest;

TEST_F(ModuleConfig, PerUserValuesOverInstallationWideOnes) {
    app_->SetProperty("ConfigGlobal:Links:Support", "http://global.example/");
    app_->SetProperty("ConfigGlobal:Links:Help", "http://help.example/");
    const std::string install = ReadFile(env_->installFolder() + "orx.cfg");
    EXPECT_NE(install.find("http://global.example/"), std::string::npos);
    EXPECT_EQ(Get("Config:Links:Support"), "http://global.example/");
    EXPECT_EQ(Get("ConfigLocal:Links:Support"), std::nullopt);

    app_->SetProperty("ConfigLocal:Links:Support", "http://mine.example/");
    EXPECT_EQ(Get("Config:Links:Support"), "http://mine.example/");
    EXPECT_EQ(Get("ConfigGlobal:Links:Support"), "http://global.example/");
    EXPECT_EQ(Get("Config:Links:Help"), "http://help.example/");
    EXPECT_NE(ReadFile(env_->userConfigPath()).find("http://mine.example/"), std::string::npos);

    // The wrappers' typed forms.
    app_->ConfigSetInt(true, "Csp", "Enable", 0);
    int32_t value = 7;
    EXPECT_EQ(app_->ConfigGetInt(true, "CSP", "Enable", value), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(app_->ConfigGetInt(false, "CSP", "Enable", value), 0);

    // Unsetting removes the per-user value; the installation-wide one shows again.
    app_->SetProperty("ConfigLocal:Links:Support", nullptr);
    EXPECT_EQ(Get("Config:Links:Support"), "http://global.example/");
    // "Config:" itself is read-only; malformed names answer nothing.
    app_->SetProperty("Config:Links:Support", "http://nowhere/");
    EXPECT_EQ(Get("Config:Links:Support"), "http://global.example/");
    for (const char* name : {"Config:", "Config:Links", "Config::Key", "ConfigLocal:Links:"})
        EXPECT_EQ(Get(name), std::nullopt) << name;
}

TEST_F(ModuleConfig, DirectoryValuesLiveWithTheUser) {
    app_->SetProperty("ConfigGlobal:Directory:Count", "2");
    EXPECT_EQ(ReadFile(env_->installFolder() + "orx.cfg").find("Count"), std::string::npos);
    EXPECT_NE(ReadFile(env_->userConfigPath()).find("Count"), std::string::npos);
    EXPECT_EQ(Get("ConfigGlobal:Directory:Count"), "2");
    EXPECT_EQ(Get("Config:Directory:Count"), "2");
}

TEST_F(ModuleConfig, AnInstallationFileThisProcessMayNotWriteIsLeftAlone) {
    WriteFile(*env_ / "plain", "not a folder");
    ScopedEnv location("ORX_INSTALL_LOCATION", (*env_ / "plain/orx/").c_str());
    app_->SetProperty("ConfigGlobal:Links:Support", "http://refused.example/");
    EXPECT_EQ(Get("ConfigGlobal:Links:Support"), std::nullopt);
    EXPECT_EQ(Get("Config:Links:Support"), std::nullopt);
    EXPECT_EQ(ReadFile(env_->userConfigPath()).find("refused"), std::string::npos);
}

// PlgInitialize reads "Trace"/"File" itself; its lines carry the program's format
// and the module's prefix.
TEST_F(ModuleConfig, TheModuleTracesToTheConfiguredFile) {
    app_.reset();
    const std::string trace = *env_ / "module.log";
    ASSERT_EQ(ConfigWriteString("Trace", "File", trace), kConfigOk);
    void* module = dlopen(ORX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto initialize = reinterpret_cast<PlgInitializeFn>(dlsym(module, "PlgInitialize"));
    auto finalize = reinterpret_cast<PlgFinalizeFn>(dlsym(module, "PlgFinalize"));
    auto invoke = reinterpret_cast<PlgInvokeFn>(dlsym(module, "PlgInvoke"));
    auto get = reinterpret_cast<PlgGetPropertyFn>(dlsym(module, "PlgGetProperty"));
    ASSERT_TRUE(initialize && finalize && invoke && get);
    EXPECT_EQ(dlsym(module, "_ZN3orx5TraceEPKcz"), nullptr);  // nothing else is exported
    PluginContext context = nullptr;
    ASSERT_NE(initialize(0, 0, 0, 0, &context), 0);
    EXPECT_EQ(std::string(get(context, "Trace")), trace);
    EXPECT_EQ(invoke(context, "Refresh"), 0);
    EXPECT_EQ(invoke(context, "Unknown"), 84);
    finalize(context);
    dlclose(module);
    const std::string lines = ReadFile(trace);
    EXPECT_NE(lines.find("Plg - PlgInitialize ... done"), std::string::npos);
    EXPECT_NE(lines.find("Plg - Operation Unknown is not supported"), std::string::npos);
    EXPECT_EQ(lines.rfind("[", 0), 0u) << lines.substr(0, 80);
}

}  // namespace
}  // namespace orx::testing

namespace orx::testing {
namespace {

// The module takes its prefix from its own file name, not from the program.
TEST_F(ModuleConfig, AModuleFileNamedOtherwiseUsesItsOwnPrefix) {
    const std::string copy = *env_ / "abc.so";
    std::filesystem::copy_file(ORX_PLUGIN_PATH, copy);
    void* module = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto initialize = reinterpret_cast<PlgInitializeFn>(dlsym(module, "PlgInitialize"));
    auto finalize = reinterpret_cast<PlgFinalizeFn>(dlsym(module, "PlgFinalize"));
    auto set = reinterpret_cast<PlgSetPropertyFn>(dlsym(module, "PlgSetProperty"));
    auto get = reinterpret_cast<PlgGetPropertyFn>(dlsym(module, "PlgGetProperty"));
    auto invoke = reinterpret_cast<PlgInvokeFn>(dlsym(module, "PlgInvoke"));
    ASSERT_TRUE(initialize && finalize && set && get && invoke);
    PluginContext context = nullptr;
    ASSERT_NE(initialize(0, 0, 0, 0, &context), 0);
    Script({"pin prefix-pass", "pin prefix-pass"});
    set(context, "TokenLabel", "Prefixed");
    EXPECT_EQ(invoke(context, "CreateToken"), 0);
    set(context, "ConfigLocal:Links:Help", "http://abc.example/");
    const std::string info = get(context, "TokenInfo") ? get(context, "TokenInfo") : "";
    finalize(context);
    EXPECT_EQ(FieldOf(info, 5), *env_ / "data/abc/tokens/Prefixed.tkn");
    EXPECT_NE(ReadFile(*env_ / "config/abc/abc.cfg").find("http://abc.example/"),
              std::string::npos);
    EXPECT_FALSE(PathExists(TokenFolder() + "Prefixed.tkn"));
}

}  // namespace
}  // namespace orx::testing
