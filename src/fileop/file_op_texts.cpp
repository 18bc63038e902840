#include "fileop/file_op_texts.h"

#include <array>
#include <cstddef>

namespace orx {

const FileOpTexts& TextsFor(int operation) {
    static const std::array<FileOpTexts, 4> texts = {{
        {1032, 1670, 1641, 1645, 1642, 1104, 2002},
        {1033, 1638, 1676, 1646, 1679, 1121, 2029},
        {1034, 1639, 1677, 1647, 1680, 1122, 2030},
        {1035, 1640, 1678, 1648, 1681, 1123, 2031},
    }};
    const int index = operation >= 1 && operation <= 4 ? operation - 1 : 0;
    return texts[static_cast<std::size_t>(index)];
}

}  // namespace orx
