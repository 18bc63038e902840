#include "dialogs/window_registry.h"

#include "dialogs/window_registry_table.h"

namespace orx {

namespace window_registry_detail {

std::vector<Entry>& Entries() {
    static std::vector<Entry> entries;
    return entries;
}

}  // namespace window_registry_detail

namespace {

using window_registry_detail::Entries;
using window_registry_detail::Entry;

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

}  // namespace orx
