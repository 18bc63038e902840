// The administration window's sizes that survive between runs: three packed window
// sizes and fifteen list column widths, kept in section "Dialog".
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orx {

enum DialogValue : int {
    kWidth,
    kWidthView,
    kWidthList,
    kWidthColumnComp0,
    kWidthColumnComp1,
    kWidthColumnComp2,
    kWidthColumnComp3,
    kWidthColumnCert0,
    kWidthColumnCert1,
    kWidthColumnCert2,
    kWidthColumnData0,
    kWidthColumnData1,
    kWidthColumnToken0,
    kWidthColumnToken1,
    kWidthColumnToken2,
    kWidthColumnToken3,
    kWidthColumnReader0,
    kWidthColumnReader1,
    kDialogValueCount
};

inline constexpr int32_t kColumnWidthMin = 20;
inline constexpr int32_t kColumnWidthMax = 500;
// Smaller values are never written back, so the stored ones stay.
inline constexpr int32_t kSaveThreshold = 50;

struct DialogSetting {
    std::string_view key;
    int32_t defaultValue;
    bool isColumn;  // kept within kColumnWidthMin..kColumnWidthMax
};

const std::array<DialogSetting, kDialogValueCount>& DialogSettings();

struct AdminSettings {
    // Each window size packs the width in the high 16 bits and the height in the low.
    std::array<int32_t, kDialogValueCount> values{};

    int32_t& operator[](DialogValue which) { return values[which]; }
    int32_t operator[](DialogValue which) const { return values[which]; }
};

// Removes the machine-wide sections from the per-user file, switches tracing on when
// a trace file is configured, and reads the sizes over their defaults.
void LoadSettings(AdminSettings& settings);
// Writes every value above kSaveThreshold to the per-user file, then clears them.
void SaveSettings(AdminSettings& settings);

}  // namespace orx
