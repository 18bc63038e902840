// The native window id of a window (an X11 window under xcb) as the pointer-sized
// opaque value that the token plug-in module passes to its password prompt.
#pragma once

#include <QWidget>
#include <cstdint>

namespace orx {

// The id of the top-level window that holds `widget` (created on demand); 0 for none.
uintptr_t NativeWindowId(QWidget* widget);

}  // namespace orx
