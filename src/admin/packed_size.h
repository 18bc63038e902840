// Window sizes as the "Dialog" settings keep them: the width in the high 16 bits,
// the height in the low 16 bits.
#pragma once

#include <QSize>
#include <cstdint>

namespace orx {

inline int32_t PackSize(const QSize& size) {
    return static_cast<int32_t>((static_cast<uint32_t>(size.width() & 0xFFFF) << 16) |
                                static_cast<uint32_t>(size.height() & 0xFFFF));
}

inline QSize UnpackSize(int32_t packed) {
    const auto bits = static_cast<uint32_t>(packed);
    return QSize(static_cast<int>(bits >> 16), static_cast<int>(bits & 0xFFFF));
}

}  // namespace orx
