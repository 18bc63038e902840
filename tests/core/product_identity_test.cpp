#include "core/product_identity.h"

#include <gtest/gtest.h>

#include "support/process_state.h"
#include "support/test_environment.h"

namespace orx {
namespace {

TEST(ProductIdentityTest, PrefixDerivation) {
    struct Case {
        const char* file;
        const char* prefix;
    };
    const Case cases[] = {
        {"orxxadm", "orx"},      {"orxxadm.exe", "orx"}, {"abcxadm.exe", "abc"},
        {"orxplg.dll", "orx"},   {"orx.so", "orx"},      {"orx", "orx"},
        {"orxxctl", "orx"},      {"orxxgina.so", "orx"}, {"orxxcmt", "orx"},
        {"xadm.exe", ""},        {"xyzxadm.exe", ""},    {"abcdefghij.so", "abcdefg"},
        {"npOrxPlg.dll", "Orx"}, {"orxcsp.dll", "orx"},  {"orxp11.so", "orx"},
        {"quiet", "quiet"},      {"a.b.c", "a"},         {"boxx", "bo"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DerivePrefix(c.file), c.prefix) << c.file;
}

TEST(ProductIdentityTest, NamesDerivedFromTheProgramPath) {
    const std::pair<const char*, std::string> cases[] = {
        {"/opt/bin/orxxadm", "orx"},
        {"/opt/bin/abcxadm", "abc"},
        {"/opt/bin/xadm", "orx"},
        {"no-folder-at-all", "orx"},
    };
    for (const auto& [path, p] : cases) {
        SCOPED_TRACE(path);
        testing::IsolatedEnvironment env;
        SetProgramPath(path);
        identity_testing::Reset();
        InitProductIdentity();
        EXPECT_EQ(GetFilePrefix(), p);
        EXPECT_EQ(GetPluginModuleName(), p + ".so");
        EXPECT_EQ(GetClientProgramName(), p);
        EXPECT_EQ(GetAdminProgramName(), p + "xadm");
        EXPECT_EQ(GetConfigToolName(), p + "xcmt");
        EXPECT_EQ(GetLogonModuleName(), p + "xgina.so");
        EXPECT_EQ(GetConfigFileName(), p + ".cfg");
        EXPECT_EQ(GetConfigOverrideVariable(), "config" + p);
        EXPECT_EQ(GetTempFilePrefix(), "~" + p);
        EXPECT_EQ(GetProductName(), "Orvex");
        EXPECT_EQ(GetCompanyName(), "Valdoran AB");
    }
}

TEST(ProductIdentityTest, ProductFileBesideTheProgramOverridesNames) {
    testing::IsolatedEnvironment env;
    testing::WriteFile(env / "orx.product", "Name=Orvex Lab  \nCompany=Example Oy\n");
    SetProgramPath(env / "orxxadm");
    identity_testing::Reset();
    InitProductIdentity();
    EXPECT_EQ(GetProductName(), "Orvex Lab");
    EXPECT_EQ(GetCompanyName(), "Example Oy");
    // A second set-up changes nothing, even after the file changed.
    testing::WriteFile(env / "orx.product", "Name=Other\n");
    InitProductIdentity();
    EXPECT_EQ(GetProductName(), "Orvex Lab");
    EXPECT_EQ(GetProgramFolder(), env.root() + "/");
}

TEST(ProductIdentityTest, VersionProductNameNeedsRoom) {
    testing::IsolatedEnvironment env;
    EXPECT_EQ(GetVersionProductName(64), "Orvex");
    EXPECT_EQ(GetVersionProductName(6), "Orvex");
    EXPECT_EQ(GetVersionProductName(5), "");
}

}  // namespace
}  // namespace orx
