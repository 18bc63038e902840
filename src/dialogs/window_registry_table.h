// The table behind window_registry.h, for code that must see it whole rather
// than look up one window.
#pragma once

#include <QWidget>
#include <vector>

namespace orx {

class Dlg;

namespace window_registry_detail {

struct Entry {
    const QWidget* window;
    Dlg* dlg;
};

// Few dialogs are open at a time: a short array searched linearly.
std::vector<Entry>& Entries();

}  // namespace window_registry_detail

}  // namespace orx
