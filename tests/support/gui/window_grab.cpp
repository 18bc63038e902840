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

std::string PictureFolder() {
    return std::string(ORX_BINARY_DIR) + "/test-output";
}

std::string SavePicture(QWidget* window, const std::string& name) {
    const int percent = static_cast<int>(window->devicePixelRatioF() * 100 + 0.5);
    const std::string file = name + "_" + std::to_string(percent);
    return SaveWindowPng(window, PictureFolder(), file) ? PictureFolder() + "/" + file + ".png"
                                                        : std::string();
}

}  // namespace orx::ui_testing
