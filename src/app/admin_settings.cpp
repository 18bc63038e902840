#include "app/admin_settings.h"

#include <algorithm>
#include <string>

#include "core/config_file.h"
#include "core/trace.h"

namespace orx {

namespace {

constexpr std::string_view kSection = "Dialog";

// Machine-wide settings that a per-user copy must not shadow.
constexpr std::string_view kMachineSections[] = {"Smart Card Reader", "PCSC", "Gina"};

}  // namespace

const std::array<DialogSetting, kDialogValueCount>& DialogSettings() {
    static const std::array<DialogSetting, kDialogValueCount> settings = {{
        {"Width", 40305040, false},
        {"WidthView", 31457605, false},
        {"WidthList", 6619461, false},
        {"WidthColumnComp0", 95, true},
        {"WidthColumnComp1", 60, true},
        {"WidthColumnComp2", 180, true},
        {"WidthColumnComp3", 125, true},
        {"WidthColumnCert0", 200, true},
        {"WidthColumnCert1", 180, true},
        {"WidthColumnCert2", 90, true},
        {"WidthColumnData0", 150, true},
        {"WidthColumnData1", 320, true},
        {"WidthColumnToken0", 150, true},
        {"WidthColumnToken1", 150, true},
        {"WidthColumnToken2", 150, true},
        {"WidthColumnToken3", 150, true},
        {"WidthColumnReader0", 150, true},
        {"WidthColumnReader1", 150, true},
    }};
    return settings;
}

void LoadSettings(AdminSettings& settings) {
    {
        ConfigFile user;
        if (user.OpenDefault(true, ConfigKind::PerUser) == kConfigOk) {
            for (std::string_view section : kMachineSections)
                user.Delete(section);
            user.Close(true);
        }
    }

    const auto& table = DialogSettings();
    for (int i = 0; i < kDialogValueCount; ++i)
        settings.values[i] = table[i].defaultValue;

    ConfigFile files;
    if (files.Open(false) == kConfigOk) {
        std::string traceFile;
        if (files.GetString("Trace", "File", traceFile, kTracePathCapacity, false) == kConfigOk) {
            TraceSetFile(traceFile);
        }
        for (int i = 0; i < kDialogValueCount; ++i) {
            int32_t value = 0;
            if (files.GetInt(kSection, table[i].key, value) == kConfigOk) {
                settings.values[i] = value;
            }
        }
        files.Close(true);
    }

    for (int i = 0; i < kDialogValueCount; ++i) {
        if (!table[i].isColumn)
            continue;
        settings.values[i] =
            std::max(std::min(settings.values[i], kColumnWidthMax), kColumnWidthMin);
    }
}

void SaveSettings(AdminSettings& settings) {
    const auto& table = DialogSettings();
    ConfigFile files;
    if (files.Open(true) == kConfigOk) {
        for (int i = 0; i < kDialogValueCount; ++i) {
            if (settings.values[i] > kSaveThreshold) {
                files.SetInt(kSection, table[i].key, settings.values[i]);
            }
        }
        files.Close(true);
    }
    settings.values.fill(0);
}

}  // namespace orx
