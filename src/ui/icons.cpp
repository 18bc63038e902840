#include "ui/icons.h"

#include <QFile>
#include <QImage>
#include <QString>
#include <optional>
#include <string>

#include "core/os/folders.h"
#include "core/product_identity.h"
#include "core/trace.h"
#include "ui/qt_text.h"

// The compiled-in resources of a static library must be initialised by name, in the
// global namespace, or the linker leaves them out.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace orx {

namespace {

void EnsureResources() {
    static const bool done = (InitIconResources(), true);
    (void)done;
}

// The icon a product description file names; a relative name is taken from the
// file's own folder.
std::string ProductIconPath(const std::string& folder) {
    ProductDescription description;
    if (!ReadProductDescription(folder + GetFilePrefix() + ".product", description) ||
        description.icon.empty()) {
        return {};
    }
    return description.icon.front() == '/' ? description.icon : folder + description.icon;
}

QPixmap Scaled(const QImage& image, int size) {
    return QPixmap::fromImage(
        image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

QPixmap LoadIconPixmap(int iconId, int size) {
    EnsureResources();
    QPixmap pixmap(QStringLiteral(":/icons/%1_%2.png").arg(iconId).arg(size));
    if (pixmap.isNull())
        return pixmap;
    if (pixmap.width() != size)
        pixmap = pixmap.scaled(size, size);
    return pixmap;
}

QIcon LoadIcon(int iconId) {
    QIcon icon;
    for (int size : {kSmallIconSize, kLargeIconSize}) {
        const QPixmap pixmap = LoadIconPixmap(iconId, size);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

ProductIcons FindProductIcons() {
    InitProductIdentity();  // the prefix names the description file
    ProductIcons icons;
    for (const std::string& folder : {GetProgramFolder(), GetComponentFolder()}) {
        if (folder.empty())
            continue;
        const std::string path = ProductIconPath(folder);
        if (path.empty())
            continue;
        const QImage image(ToQString(path));
        if (image.isNull()) {
            Trace("Helper - Failed to load product icon '%s'", path.c_str());
            continue;
        }
        icons.small = QIcon(Scaled(image, kSmallIconSize));
        icons.large = QIcon(Scaled(image, kLargeIconSize));
        break;
    }
    if (icons.small.isNull())
        icons.small = QIcon(LoadIconPixmap(kIconProgram, kSmallIconSize));
    if (icons.large.isNull())
        icons.large = QIcon(LoadIconPixmap(kIconProgram, kLargeIconSize));
    return icons;
}

const QIcon& GetProductIcon(bool small) {
    static const ProductIcons icons = FindProductIcons();
    return small ? icons.small : icons.large;
}

QIcon GetProductIcons() {
    QIcon both;
    for (bool small : {true, false}) {
        const QIcon& icon = GetProductIcon(small);
        const int size = small ? kSmallIconSize : kLargeIconSize;
        if (!icon.isNull())
            both.addPixmap(icon.pixmap(size, size));
    }
    return both;
}

}  // namespace orx
