#include "support/gui/window_grab.h"

#include <QDir>
#include <QPixmap>

#include "ui/qt_text.h"

namespace orx::ui_testing {

bool SaveWindowPng(QWidget* window, const std::string& folder, const std::string& name) {
    if (window == nullptr)
        return false;
    if (!QDir().mkpath(ToQString(folder)))
        return false;
    const QPixmap picture = window->grab();
    if (picture.isNull())
        return false;
    return picture.save(ToQString(folder + "/" + name + ".png"), "PNG");
}

}  // namespace orx::ui_testing
