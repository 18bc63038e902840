#include "app/admin_settings.h"

#include <gtest/gtest.h>

#include "core/config_file.h"
#include "core/trace.h"
#include "support/test_environment.h"

namespace orx {
namespace {

using testing::ReadFile;
using testing::WriteFile;

TEST(AdminSettingsTest, DefaultsWithoutAnyFile) {
    testing::IsolatedEnvironment env;
    AdminSettings settings;
    LoadSettings(settings);
    const auto& table = DialogSettings();
    for (int i = 0; i < kDialogValueCount; ++i) {
        EXPECT_EQ(settings.values[i], table[i].defaultValue) << table[i].key;
    }
    EXPECT_EQ(settings[kWidth], (615 << 16) + 400);
    EXPECT_EQ(settings[kWidthView], (480 << 16) + 325);
    EXPECT_EQ(settings[kWidthList], (101 << 16) + 325);
    EXPECT_FALSE(TraceIsOn());
}

TEST(AdminSettingsTest, ColumnsAreKeptInRangeAndSmallOnesNotWrittenBack) {
    testing::IsolatedEnvironment env;
    WriteFile(env.userConfigPath(),
              "[Dialog]\nWidthColumnCert0=1000\nWidthColumnCert1=5\nWidth=3\n"
              "WidthColumnData0=0x40\nWidthColumnReader1=-7\n");
    WriteFile(env.installFolder() + "orx.cfg", "[Dialog]\nWidthColumnToken0=77\n");
    AdminSettings settings;
    LoadSettings(settings);
    EXPECT_EQ(settings[kWidthColumnCert0], 500);
    EXPECT_EQ(settings[kWidthColumnCert1], 20);
    EXPECT_EQ(settings[kWidth], 3);  // window sizes are not limited
    EXPECT_EQ(settings[kWidthColumnData0], 64);
    EXPECT_EQ(settings[kWidthColumnReader1], 20);
    EXPECT_EQ(settings[kWidthColumnToken0], 77);

    settings[kWidthColumnComp1] = 40;  // a column narrowed to 40 is not stored
    SaveSettings(settings);
    for (int32_t value : settings.values)
        EXPECT_EQ(value, 0);

    int32_t value = 0;
    const std::pair<const char*, int32_t> stored[] = {
        {"WidthColumnCert0", 500}, {"WidthColumnCert1", 5},    {"Width", 3},
        {"WidthColumnData0", 64},  {"WidthColumnReader1", -7}, {"WidthColumnToken0", 77},
        {"WidthView", 31457605},   {"WidthColumnComp0", 95},
    };
    for (const auto& [key, expected] : stored) {
        EXPECT_EQ(ConfigReadInt("Dialog", key, value), kConfigOk) << key;
        EXPECT_EQ(value, expected) << key;
    }
    // Not written, and not in the per-user file before: still missing there.
    ConfigFile user;
    ASSERT_EQ(user.OpenDefault(false, ConfigKind::PerUser), kConfigOk);
    EXPECT_EQ(user.GetInt("Dialog", "WidthColumnComp1", value), kConfigKeyMissing);
}

TEST(AdminSettingsTest, MachineSectionsLeaveThePerUserFile) {
    testing::IsolatedEnvironment env;
    WriteFile(env.userConfigPath(),
              "[PCSC]\nReader=1\n[Dialog]\nWidth=5\n[Gina]\nA=1\n[Smart Card Reader]\nB=2\n"
              "[gina]\nC=3\n");
    AdminSettings settings;
    LoadSettings(settings);
    EXPECT_EQ(ReadFile(env.userConfigPath()), "\n[Dialog]\nWidth=5\n[gina]\nC=3\n");
}

TEST(AdminSettingsTest, TraceFileSwitchesTracingOn) {
    testing::IsolatedEnvironment env;
    const std::string traceFile = env / "trace.log";
    WriteFile(env.installFolder() + "orx.cfg", "[Trace]\nFile=" + traceFile + "\n");
    AdminSettings settings;
    LoadSettings(settings);
    EXPECT_TRUE(TraceIsOn());
    EXPECT_EQ(TraceGetFile(), traceFile);
    // The per-user file wins, and an empty value switches it off again.
    WriteFile(env.userConfigPath(), "[Trace]\nFile=\n");
    LoadSettings(settings);
    EXPECT_FALSE(TraceIsOn());
}

}  // namespace
}  // namespace orx
