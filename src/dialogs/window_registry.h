// The process-wide table of dialog windows and the Dlg objects that drive them.
// The dialog procedure finds its object here; a window that is not in the table
// gets no routing. GUI thread only, so no lock.
#pragma once

#include <QWidget>

namespace orx {

class Dlg;

// Adding a window that is already present does nothing.
void RegisterDlgWindow(QWidget* window, Dlg* dlg);
void UnregisterDlgWindow(QWidget* window);
Dlg* FindDlg(const QWidget* window);

}  // namespace orx
