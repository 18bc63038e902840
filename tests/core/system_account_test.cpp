#include "core/system_account.h"

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "core/product_identity.h"
#include "core/system_info.h"
#include "support/test_environment.h"

namespace orx {
namespace {

TEST(SystemAccountTest, UserAndPrivileges) {
    testing::IsolatedEnvironment env;
    std::string name;
    EXPECT_FALSE(IsSystemAccount(&name));
    EXPECT_FALSE(name.empty());
    std::string cut;
    IsSystemAccount(&cut, 2);
    EXPECT_EQ(cut, name.substr(0, 1));

    testing::WriteFile(env.installFolder() + "orx.cfg", "");
    EXPECT_TRUE(IsAdministrator());
    // A file that can never be written, even by root: its folder is a regular file.
    testing::WriteFile(env / "plain", "x");
    testing::ScopedEnv location("ORX_INSTALL_LOCATION", (env / "plain/").c_str());
    SetProgramPath(env / "plain/orxxadm");
    EXPECT_FALSE(IsAdministrator());
}

TEST(SystemInfoTest, ErrorTexts) {
    EXPECT_EQ(GetErrorText(true), "OK");
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {ENOENT, "No such file or directory"},
        {0, "0x80090020, -2146893792"},
        {9999, "0x0000270F, 9999"},
        {-3, "0xFFFFFFFD, -3"},
    };
    for (const Case& c : cases) {
        errno = c.code;
        EXPECT_EQ(GetErrorText(false), c.text) << c.code;
        EXPECT_EQ(errno, c.code == 0 ? static_cast<int>(0x80090020u) : c.code);
    }
}

TEST(SystemInfoTest, ElapsedAcrossMidnight) {
    struct Case {
        int32_t start;
        int32_t now;
        int32_t elapsed;
    };
    const Case cases[] = {
        {1000, 1500, 500},
        {86399000, 500, 1500},
        {0, 86399999, 86399999},
        {5, 5, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ElapsedMilliseconds(c.start, c.now), c.elapsed);
    const int32_t start = MillisecondsOfDay();
    const int32_t elapsed = ElapsedMilliseconds(start);
    EXPECT_GE(elapsed, 0);
    EXPECT_LT(elapsed, 60000);
}

}  // namespace
}  // namespace orx
