// LoadModule with real shared objects (the fake plug-in modules): the program
// folder first, then the component folder, then the system library folder.
#include "core/os/modules.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "fake_plugin_fixture.h"

namespace orx {
namespace {

namespace fs = std::filesystem;
using orx::testing::FakePluginFolder;

class LoadModuleTest : public ::testing::Test {
  protected:
    // A component folder configured as "Install"/"Directory", holding `variant`.
    std::string PrepareComponentFolder(const char* variant) {
        const std::string folder = env_ / "components";
        fs::create_directories(folder);
        fs::create_symlink(FakePluginFolder::VariantPath(variant), folder + "/orx.so");
        orx::testing::WriteFile(env_.userConfigPath(), "[Install]\nDirectory=" + folder + "\n");
        return folder + "/orx.so";
    }

    // Which fake answered: only the complete one exports PlgClear.
    static bool HasClear(void* module) { return ::dlsym(module, "PlgClear") != nullptr; }

    orx::testing::IsolatedEnvironment env_;
};

TEST_F(LoadModuleTest, ProgramFolderComesFirst) {
    FakePluginFolder program(env_, orx::testing::kCompleteFake);
    PrepareComponentFolder(orx::testing::kFakeWithoutClear);
    std::string path;
    void* module = LoadModule("orx.so", &path);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(path, program.programFolder() + "/orx.so");
    EXPECT_TRUE(HasClear(module));
    FreeModule(module);
}

TEST_F(LoadModuleTest, ComponentFolderWhenTheProgramFolderHasNone) {
    FakePluginFolder program(env_, nullptr);
    const std::string expected = PrepareComponentFolder(orx::testing::kFakeWithoutClear);
    std::string path;
    void* module = LoadModule("orx.so", &path);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(path, expected);
    EXPECT_FALSE(HasClear(module));
    FreeModule(module);
}

// The first file that loads wins: one that is there but is no module is passed by.
TEST_F(LoadModuleTest, FileThatDoesNotLoadIsPassedBy) {
    FakePluginFolder program(env_, nullptr);
    orx::testing::WriteFile(program.programFolder() + "/orx.so", "not a shared object");
    const std::string expected = PrepareComponentFolder(orx::testing::kCompleteFake);
    std::string path;
    void* module = LoadModule("orx.so", &path);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(path, expected);
    FreeModule(module);
}

TEST_F(LoadModuleTest, PathLoadsAsGivenElseFallsBackToItsFileName) {
    FakePluginFolder program(env_, orx::testing::kCompleteFake);
    const std::string elsewhere = env_ / "elsewhere";
    fs::create_directories(elsewhere);
    fs::create_symlink(FakePluginFolder::VariantPath(orx::testing::kFakeWithoutClear),
                       elsewhere + "/orx.so");
    std::string path;
    void* module = LoadModule(elsewhere + "/orx.so", &path);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(path, elsewhere + "/orx.so");
    EXPECT_FALSE(HasClear(module));
    FreeModule(module);

    module = LoadModule(env_ / "missing/orx.so", &path);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(path, program.programFolder() + "/orx.so");
    FreeModule(module);
}

TEST_F(LoadModuleTest, NothingToLoadLeavesThePathAlone) {
    FakePluginFolder program(env_, nullptr);
    std::string path = "unchanged";
    EXPECT_EQ(LoadModule("orx.so", &path), nullptr);
    EXPECT_EQ(LoadModule("", &path), nullptr);  // never the program itself
    EXPECT_EQ(LoadModule(env_ / "folder/", &path), nullptr);
    EXPECT_EQ(path, "unchanged");
    FreeModule(nullptr);
}

// A library that only the system's library folder holds is found there.
TEST_F(LoadModuleTest, SystemFolderComesLast) {
    FakePluginFolder program(env_, nullptr);
    std::string path;
    void* module = LoadModule("libc.so.6", &path);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "libc.so.6");
    EXPECT_EQ(path.rfind(program.programFolder(), 0), std::string::npos);
    FreeModule(module);
}

}  // namespace
}  // namespace orx
