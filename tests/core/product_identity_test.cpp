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

// The one reader of description files, for the names here and the window layer's
// icon alike.
TEST(ProductIdentityTest, DescriptionFileLines) {
    testing::IsolatedEnvironment env;
    struct Case {
        const char* text;
        ProductDescription expected;
    } cases[] = {
        {"Name=A  \r\nCompany=B\r\nIcon=c.png \r\n", {"A", "B", "c.png"}},
        // The first value that is not empty counts; blanks alone are empty.
        {"Name=\nName=  \nName=Second\nName=Third\n", {"Second", "", ""}},
        {"Icon=\nIcon=/abs/i.png", {"", "", "/abs/i.png"}},
        // Keys are matched exactly: no blanks around them, no other case.
        {"Name =A\n name=B\nNAME=C\nIcon:x\n", {"", "", ""}},
        // Leading blanks and further "=" stay with the value.
        {"Company= Doe=Sons\n", {"", " Doe=Sons", ""}},
        {"", {"", "", ""}},
    };
    const std::string path = env / "orx.product";
    for (const Case& c : cases) {
        testing::WriteFile(path, c.text);
        ProductDescription read{"stale", "stale", "stale"};
        ASSERT_TRUE(ReadProductDescription(path, read)) << c.text;
        EXPECT_EQ(read.name, c.expected.name) << c.text;
        EXPECT_EQ(read.company, c.expected.company) << c.text;
        EXPECT_EQ(read.icon, c.expected.icon) << c.text;
    }
    ProductDescription missing{"stale", "", ""};
    EXPECT_FALSE(ReadProductDescription(env / "none.product", missing));
    EXPECT_EQ(missing.name, "");
}

TEST(ProductIdentityTest, VersionProductNameNeedsRoom) {
    testing::IsolatedEnvironment env;
    EXPECT_EQ(GetVersionProductName(64), "Orvex");
    EXPECT_EQ(GetVersionProductName(6), "Orvex");
    EXPECT_EQ(GetVersionProductName(5), "");
}

}  // namespace
}  // namespace orx
