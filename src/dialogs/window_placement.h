// Placement and emphasis helpers of the framework-based dialogs.
#pragma once

#include <QWidget>

namespace orx {

// Centres the window over its parent (or the screen), kept on the screen with 30
// pixels left free at the bottom, and keeps it above other windows.
void CenterOverParent(QWidget* window);
// The control's font, grown by `grow` units (away from zero) and bold when asked.
void SetBoldFont(QWidget* control, int grow, bool bold);
// Shows and activates the top-level window titled with the title form of the
// string id (also one of another process of this user); false when none exists.
bool BringToFront(int stringId);

}  // namespace orx
