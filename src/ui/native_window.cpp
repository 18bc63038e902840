#include "ui/native_window.h"

namespace orx {

uintptr_t NativeWindowId(QWidget* widget) {
    if (widget == nullptr)
        return 0;
    return static_cast<uintptr_t>(widget->window()->winId());
}

}  // namespace orx
