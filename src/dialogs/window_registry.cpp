#include "dialogs/window_registry.h"

#include <vector>

namespace orx {

namespace {

struct Entry {
    const QWidget* window;
    Dlg* dlg;
};

// Few dialogs are open at a time: a short array searched linearly.
std::vector<Entry>& Entries() {
    static std::vector<Entry> entries;
    return entries;
}

constexpr size_t kGrowth = 4;

}  // namespace

void RegisterDlgWindow(QWidget* window, Dlg* dlg) {
    if (window == nullptr)
        return;
    std::vector<Entry>& entries = Entries();
    for (const Entry& entry : entries) {
        if (entry.window == window)
            return;
    }
    if (entries.size() == entries.capacity())
        entries.reserve(entries.capacity() + kGrowth);
    entries.push_back({window, dlg});
}

void UnregisterDlgWindow(QWidget* window) {
    std::vector<Entry>& entries = Entries();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->window == window) {
            entries.erase(it);
            break;
        }
    }
    if (entries.empty())
        std::vector<Entry>().swap(entries);
}

Dlg* FindDlg(const QWidget* window) {
    if (window == nullptr)
        return nullptr;
    for (const Entry& entry : Entries()) {
        if (entry.window == window)
            return entry.dlg;
    }
    return nullptr;
}

namespace registry_testing {
size_t Count() {
    return Entries().size();
}
size_t Capacity() {
    return Entries().capacity();
}
}  // namespace registry_testing

}  // namespace orx
