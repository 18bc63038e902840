#include "ui/icons.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QString>
#include <QStyle>
#include <QWidget>
#include <map>
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

// The icons made so far, by id: copies share the picture and what was drawn of it.
std::map<int, QIcon>& LoadedIcons() {
    static std::map<int, QIcon> loaded;
    return loaded;
}

bool HasSvgSupport() {
    static const bool svg = [] {
        EnsureResources();
        // Without the SVG icon engine the file is no picture at all.
        const QIcon probe(QStringLiteral(":/icons/%1.svg").arg(kIconProgram));
        if (probe.isNull())
            return false;
        LoadedIcons().emplace(kIconProgram, probe);
        return true;
    }();
    return svg;
}

// The scalable picture of the id; null without SVG support or such a picture.
QIcon ScalableIcon(int iconId) {
    const QString svg = QStringLiteral(":/icons/%1.svg").arg(iconId);
    if (!HasSvgSupport() || !QFile::exists(svg))
        return {};
    return QIcon(svg);
}

QString ThemeName(MessageIconKind kind) {
    switch (kind) {
        case MessageIconKind::Question:
            return QStringLiteral("dialog-question");
        case MessageIconKind::Warning:
            return QStringLiteral("dialog-warning");
        case MessageIconKind::Error:
            return QStringLiteral("dialog-error");
        case MessageIconKind::Information:
            break;
    }
    return QStringLiteral("dialog-information");
}

QStyle::StandardPixmap StylePixmap(MessageIconKind kind) {
    switch (kind) {
        case MessageIconKind::Question:
            return QStyle::SP_MessageBoxQuestion;
        case MessageIconKind::Warning:
            return QStyle::SP_MessageBoxWarning;
        case MessageIconKind::Error:
            return QStyle::SP_MessageBoxCritical;
        case MessageIconKind::Information:
            break;
    }
    return QStyle::SP_MessageBoxInformation;
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
    std::map<int, QIcon>& loaded = LoadedIcons();
    HasSvgSupport();  // its probe is the first icon made
    const auto known = loaded.find(iconId);
    if (known != loaded.end())
        return known->second;
    QIcon icon = ScalableIcon(iconId);
    if (!icon.isNull()) {
        loaded.emplace(iconId, icon);
        return icon;
    }
    for (int size : {kSmallIconSize, kLargeIconSize}) {
        const QPixmap pixmap = LoadIconPixmap(iconId, size);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    loaded.emplace(iconId, icon);
    return icon;
}

QPixmap IconPixmap(const QIcon& icon, int size, const QWidget* widget) {
    const qreal ratio = widget != nullptr ? widget->devicePixelRatioF() : qApp->devicePixelRatio();
    return icon.pixmap(QSize(size, size), ratio);
}

QIcon LoadMessageIcon(MessageIconKind kind) {
    const QString name = ThemeName(kind);
    const QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull() && IsSharpAtDoubleScale(themed, kLargeIconSize))
        return themed;
    EnsureResources();
    const QString own = QStringLiteral(":/icons/%1.svg").arg(name);
    if (HasSvgSupport())
        return QIcon(own);
    return QApplication::style()->standardIcon(StylePixmap(kind));
}

bool IsSharpAtDoubleScale(const QIcon& icon, int size) {
    const QSize wanted(2 * size, 2 * size);
    return !icon.isNull() && icon.actualSize(wanted).width() >= wanted.width();
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
        const QString file = ToQString(path);
        if (file.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) && HasSvgSupport() &&
            QFile::exists(file)) {
            icons.small = icons.large = QIcon(file);
            break;
        }
        // Kept whole: a large picture gives the sharp icon at a high scale.
        const QImage image(file);
        if (image.isNull()) {
            Trace("Helper - Failed to load product icon '%s'", path.c_str());
            continue;
        }
        icons.small = icons.large = QIcon(QPixmap::fromImage(image));
        break;
    }
    if (icons.large.isNull() && HasSvgSupport()) {
        // One scalable picture for both, drawn exactly as the large icon at 32.
        icons.large = LoadIcon(kIconProgram);
        icons.large.addPixmap(LoadIconPixmap(kIconProgram, kLargeIconSize));
        icons.small = icons.large;
    }
    for (bool small : {true, false}) {
        QIcon& icon = small ? icons.small : icons.large;
        if (icon.isNull())
            icon = QIcon(LoadIconPixmap(kIconProgram, small ? kSmallIconSize : kLargeIconSize));
    }
    return icons;
}

const QIcon& GetProductIcon(bool small) {
    static const ProductIcons icons = FindProductIcons();
    return small ? icons.small : icons.large;
}

QIcon GetProductIcons() {
    // The large picture is drawn down to every smaller size the desktop asks for.
    return GetProductIcon(false);
}

}  // namespace orx
