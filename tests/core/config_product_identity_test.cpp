// The installation-wide configuration's share in the product identity: the
// edition suffix and the component folder's product description.
#include <filesystem>

#include <gtest/gtest.h>

#include "core/config_tree_cache.h"
#include "core/product_identity.h"
#include "support/process_state.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using testing::WriteFile;

void Reinit() {
    identity_testing::Reset();
    InitProductIdentity();
}

TEST(ConfigProductIdentityTest, ProductTypeExtendsTheNameWhenItFits) {
    testing::IsolatedEnvironment env;
    const std::string install = env.installFolder() + "orx.cfg";
    struct Case {
        std::string type;
        std::string name;
    };
    const Case cases[] = {
        {"Pro", "Orvex Pro"},
        {std::string(25, 'p'), "Orvex " + std::string(25, 'p')},  // 31 characters
        {std::string(26, 'p'), "Orvex"},                          // 32: too long
        {"", "Orvex"},
    };
    for (const Case& c : cases) {
        WriteFile(install, "[Install]\nProductType=" + c.type + "\n");
        Reinit();
        EXPECT_EQ(GetProductName(), c.name) << c.type;
    }
    // Only the installation-wide file counts.
    std::filesystem::remove(install);
    WriteFile(env.userConfigPath(), "[Install]\nProductType=Home\n");
    Reinit();
    EXPECT_EQ(GetProductName(), "Orvex");
    // A second set-up changes nothing.
    WriteFile(install, "[Install]\nProductType=Pro\n");
    InitProductIdentity();
    EXPECT_EQ(GetProductName(), "Orvex");
}

TEST(ConfigProductIdentityTest, ProductFileInTheComponentFolder) {
    testing::IsolatedEnvironment env;
    const std::string components = env / "components/";
    std::filesystem::create_directories(components);
    WriteFile(components + "orx.product", "Name=Acme Token\nCompany=Acme Ltd\n");
    WriteFile(env.installFolder() + "orx.cfg",
              "[Install]\nDirectory=" + components + "\nProductType=Pro\n");
    Reinit();
    EXPECT_EQ(GetProductName(), "Acme Token Pro");
    EXPECT_EQ(GetCompanyName(), "Acme Ltd");

    // Without a configured folder the component folder is the program's own (the
    // product name is not known yet while it is looked for): nothing there.
    WriteFile(env.installFolder() + "orx.cfg", "[Install]\n");
    Reinit();
    EXPECT_EQ(GetProductName(), "Orvex");
    EXPECT_EQ(GetCompanyName(), "Valdoran AB");
}

}  // namespace
}  // namespace orx
